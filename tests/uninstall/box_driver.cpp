// Drives the windows of other programs from inside Wine for the installer
// test: optionally starts a command line (given, or read from the registry),
// then works through its steps in order. A step "caption|text|button" waits
// for a visible dialog window whose caption begins with caption and whose own
// or child texts contain text, and presses the button with that id.
// "!wait|class" waits for a visible window of that class; "!close|class"
// closes the windows of that class and waits until they are gone.
#include "support/quillet_process.h"
#include <shlwapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

struct tStep {
    std::string action;  // "wait", "close", or empty: press
    std::string caption;
    std::string text;    // for wait and close: the window class
    int button = IDOK;
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
    HWND button = GetDlgItem(wnd, step.button);
    return Shown(wnd) && CaptionOf(wnd).compare(0, step.caption.size(), step.caption) == 0 &&
           button && IsWindowEnabled(button) && AllTexts(wnd).find(step.text) != std::string::npos;
}

bool ParseStep(const std::string& text, tStep* step) {
    for (const char* action : {"wait", "close"}) {
        std::string prefix = std::string("!") + action + "|";
        if (text.compare(0, prefix.size(), prefix) == 0) {
            step->action = action;
            step->text = text.substr(prefix.size());
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
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    if (SHGetValueA(HKEY_LOCAL_MACHINE, path, name, &type, data, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    *value = data;
    return true;
}

int Say(int code, const char* format, const std::string& a = "", const std::string& b = "") {
    std::printf(format, a.c_str(), b.c_str());
    std::fflush(stdout);
    return code;
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
            if (!ReadMachineString(argv[i + 1], argv[i + 2], &command))
                return Say(1, "no value %s in HKLM\\%s\n", argv[i + 2], argv[i + 1]);
            i += 2;
        } else {
            tStep step;
            if (!ParseStep(argv[i], &step))
                return Say(2, "usage: box_driver [--timeout SECONDS] [--run COMMAND |"
                              " --run-registry KEY VALUE] caption|text|button | !wait|class |"
                              " !close|class ...\n");
            steps.push_back(step);
        }
    }

    std::optional<tProcess> started;
    if (!command.empty()) {
        Say(0, "starting: %s\n", command);
        started.emplace(command);
        if (!started->id())
            return Say(1, "cannot start it (error %s)\n", std::to_string(GetLastError()));
    }

    for (const tStep& step : steps) {
        if (!step.action.empty()) {
            bool close = step.action == "close";
            for (HWND wnd : TopWindows(step.text.c_str()))
                if (close) PostMessageA(wnd, WM_CLOSE, 0, 0);
            if (!WaitUntil([&] { return TopWindows(step.text.c_str()).empty() == close; },
                           timeoutMs, 50))
                return Say(1, close ? "the %s window did not close\n"
                                    : "timed out waiting for a %s window\n", step.text);
            Say(0, close ? "[%s] closed\n" : "[%s] window is there\n", step.text);
            continue;
        }
        HWND wnd = nullptr;
        if (!WaitUntil([&] {
                for (HWND dialog : TopWindows("#32770"))
                    if (Matches(dialog, step)) return (wnd = dialog) != nullptr;
                return false;
            }, timeoutMs, 50))
            return Say(1, "timed out waiting for \"%s\" saying \"%s\"\n", step.caption, step.text);
        Ask(wnd, WM_NULL);  // its thread has finished setting it up
        Say(0, "[%s] %s\n", step.caption, AllTexts(wnd));
        Say(0, "  -> button %s\n", std::to_string(step.button));
        Click(wnd, step.button);
        // Until the window closes or moves on, so the next step does not see it again.
        WaitUntil([&] { return !Matches(wnd, step); }, 5000, 50);
    }

    if (!started) return 0;
    DWORD code = started->WaitForExit(timeoutMs);
    if (code == STILL_ACTIVE) return Say(1, "the started program did not end\n");
    return Say(code == 0 ? 0 : 1, "the started program ended with exit code %s\n",
               std::to_string(code));
}
