// Drives the windows of other programs from inside Wine for the installer
// test: optionally starts a command line (given, or read from the registry),
// then works through its steps in order. A step "caption|text|button" waits
// for a visible dialog window whose caption begins with caption and whose own
// or child texts contain text, and presses the button with that id.
// "!wait|class" waits for a visible window of that class; "!close|class"
// closes the windows of that class and waits until they are gone.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "base/handles.h"
#include "uninstall/window_text.h"

namespace {

constexpr DWORD kPollMs = 50;

enum class tAction { press, wait, close };

struct tStep {
    tAction action = tAction::press;
    std::string caption;
    std::string text;  // for wait and close: the window class
    int button = IDOK;
};

struct tSearch {
    const tStep* step;
    HWND found;
};

struct tClassSearch {
    const std::string* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    if (IsWindowVisible(child)) *reinterpret_cast<std::string*>(param) += TextOf(child) + "\n";
    return TRUE;
}

std::string AllTexts(HWND wnd) {
    std::string texts = TextOf(wnd) + "\n";
    EnumChildWindows(wnd, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool Matches(HWND wnd, const tStep& step) {
    if (!IsWindowVisible(wnd) || ClassName(wnd) != "#32770") return false;
    if (TextOf(wnd).compare(0, step.caption.size(), step.caption) != 0) return false;
    HWND button = GetDlgItem(wnd, step.button);
    if (!button || !IsWindowEnabled(button)) return false;
    return AllTexts(wnd).find(step.text) != std::string::npos;
}

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM param) {
    tSearch* search = reinterpret_cast<tSearch*>(param);
    if (!Matches(wnd, *search->step)) return TRUE;
    search->found = wnd;
    return FALSE;
}

BOOL CALLBACK CollectOfClass(HWND wnd, LPARAM param) {
    tClassSearch* search = reinterpret_cast<tClassSearch*>(param);
    if (IsWindowVisible(wnd) && ClassName(wnd) == *search->className) search->found.push_back(wnd);
    return TRUE;
}

std::vector<HWND> WindowsOfClass(const std::string& className) {
    tClassSearch search{&className, {}};
    EnumWindows(CollectOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntil(bool wanted, const std::string& className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (WindowsOfClass(className).empty() == wanted) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

bool ParseStep(const char* arg, tStep* step) {
    std::string text = arg;
    for (const auto& [prefix, action] : {std::pair<const char*, tAction>{"!wait|", tAction::wait},
                                         {"!close|", tAction::close}}) {
        if (text.compare(0, std::strlen(prefix), prefix) == 0) {
            step->action = action;
            step->text = text.substr(std::strlen(prefix));
            return !step->text.empty();
        }
    }
    size_t first = text.find('|');
    size_t second = first == std::string::npos ? first : text.find('|', first + 1);
    if (second == std::string::npos) return false;
    step->caption = text.substr(0, first);
    step->text = text.substr(first + 1, second - first - 1);
    step->button = std::atoi(text.c_str() + second + 1);
    return step->button != 0;
}

bool ReadMachineString(const char* path, const char* name, std::string* value) {
    tRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    *value = data;
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: box_driver [--timeout SECONDS] [--run COMMAND | --run-registry KEY VALUE]"
                 " caption|text|button | !wait|class | !close|class ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    DWORD timeoutMs = 60000;
    std::string command;
    std::vector<tStep> steps;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--timeout") && i + 1 < argc) {
            timeoutMs = DWORD(std::atoi(argv[++i])) * 1000;
        } else if (!std::strcmp(argv[i], "--run") && i + 1 < argc) {
            command = argv[++i];
        } else if (!std::strcmp(argv[i], "--run-registry") && i + 2 < argc) {
            if (!ReadMachineString(argv[i + 1], argv[i + 2], &command)) {
                std::printf("no value %s in HKLM\\%s\n", argv[i + 2], argv[i + 1]);
                return 1;
            }
            i += 2;
        } else {
            tStep step;
            if (!ParseStep(argv[i], &step)) return Usage();
            steps.push_back(step);
        }
    }

    tHandle process;
    if (!command.empty()) {
        std::printf("starting: %s\n", command.c_str());
        std::fflush(stdout);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        std::vector<char> buffer(command.begin(), command.end());
        buffer.push_back('\0');
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started)) {
            std::printf("cannot start it (error %lu)\n", GetLastError());
            return 1;
        }
        process.reset(started.hProcess);
        CloseHandle(started.hThread);
    }

    for (const tStep& step : steps) {
        if (step.action == tAction::wait) {
            if (!WaitUntil(true, step.text, timeoutMs)) {
                std::printf("timed out waiting for a %s window\n", step.text.c_str());
                return 1;
            }
            std::printf("[%s] window is there\n", step.text.c_str());
            std::fflush(stdout);
            continue;
        }
        if (step.action == tAction::close) {
            for (HWND wnd : WindowsOfClass(step.text)) PostMessageA(wnd, WM_CLOSE, 0, 0);
            if (!WaitUntil(false, step.text, timeoutMs)) {
                std::printf("the %s window did not close\n", step.text.c_str());
                return 1;
            }
            std::printf("[%s] closed\n", step.text.c_str());
            std::fflush(stdout);
            continue;
        }
        DWORD start = GetTickCount();
        tSearch search{&step, nullptr};
        for (;;) {
            search.found = nullptr;
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) break;
            if (GetTickCount() - start > timeoutMs) {
                std::printf("timed out waiting for \"%s\" saying \"%s\"\n", step.caption.c_str(),
                            step.text.c_str());
                return 1;
            }
            Sleep(kPollMs);
        }
        HWND wnd = search.found;
        // Answered once the box's thread has finished setting it up.
        DWORD_PTR ready = 0;
        SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ready);
        std::printf("[%s] %s\n  -> button %d\n", step.caption.c_str(), AllTexts(wnd).c_str(),
                    step.button);
        std::fflush(stdout);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(GetDlgItem(wnd, step.button), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &result);
        // Wait for the window to close or move on, so the next step does not see it again.
        DWORD pressed = GetTickCount();
        while (IsWindow(wnd) && Matches(wnd, step) && GetTickCount() - pressed < kSendTimeoutMs)
            Sleep(kPollMs);
    }

    if (process) {
        if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
            std::printf("the started program did not end\n");
            return 1;
        }
        DWORD code = 1;
        GetExitCodeProcess(process.get(), &code);
        std::printf("the started program ended with exit code %lu\n", code);
        return code == 0 ? 0 : 1;
    }
    return 0;
}
