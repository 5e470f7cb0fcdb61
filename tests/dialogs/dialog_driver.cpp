#include "dialogs/dialog_driver.h"

namespace {

constexpr DWORD kPollMs = 20;

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}

struct tSearch {
    bool ownProcess;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    tSearch& search = *reinterpret_cast<tSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    bool own = process == GetCurrentProcessId();
    if (own == search.ownProcess && IsWindowVisible(window) && IsDialogClass(window))
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> Dialogs(bool ownProcess) {
    tSearch search{ownProcess, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls until found returns a window or the time is up.
HWND Poll(const std::function<HWND()>& found, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = found()) return window;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(kPollMs);
    }
}

}  // namespace

std::vector<HWND> ForeignDialogs() {
    return Dialogs(false);
}

tDialogDriver::tDialogDriver(std::function<void(tDialogDriver&)> script)
    : thread_([this, script] { Run(script); }) {}

tDialogDriver::~tDialogDriver() {
    Finish();
}

std::vector<std::string> tDialogDriver::Finish() {
    if (!finished_) {
        finished_ = true;
        thread_.join();
    }
    return failures_;
}

void tDialogDriver::Run(std::function<void(tDialogDriver&)> script) {
    try {
        script(*this);
    } catch (const tAbort&) {
    } catch (...) {
        failures_.push_back("the script threw an exception");
    }
    // A script that ran through has closed its dialogs; give them time to go.
    if (failures_.empty() &&
        Poll([] { return Dialogs(true).empty() ? HWND(1) : nullptr; }, 10000) == nullptr)
        failures_.push_back("a dialog was left open");
    CancelAllDialogs();
}

void tDialogDriver::Expect(bool condition, const std::string& what) {
    if (!condition) failures_.push_back(what);
}

void tDialogDriver::Abort(const std::string& what) {
    failures_.push_back(what);
    throw tAbort{};
}

HWND tDialogDriver::WaitForDialog(const std::string& caption, DWORD timeoutMs) {
    HWND window = Poll([&]() -> HWND {
        for (HWND dialog : Dialogs(true))
            if (Text(dialog) == caption) return dialog;
        return nullptr;
    }, timeoutMs);
    if (!window) Abort("no dialog \"" + caption + "\" appeared");
    return window;
}

HWND tDialogDriver::WaitForOwnedDialog(HWND owner, DWORD timeoutMs) {
    HWND window = Poll([&]() -> HWND {
        for (HWND dialog : Dialogs(true))
            if (GetWindow(dialog, GW_OWNER) == owner) return dialog;
        return nullptr;
    }, timeoutMs);
    if (!window) Abort("no message box appeared over \"" + Text(owner) + "\"");
    return window;
}

bool tDialogDriver::WaitUntilClosed(HWND window, DWORD timeoutMs) {
    return Poll([&]() -> HWND {
        return (!IsWindow(window) || !IsWindowVisible(window)) ? window : nullptr;
    }, timeoutMs) != nullptr;
}

bool tDialogDriver::StaysOpen(HWND window) {
    DWORD_PTR ignored = 0;
    // Answered only once the dialog's thread is back in its message loop.
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) return false;
    return IsWindow(window) && IsWindowVisible(window);
}

std::string tDialogDriver::Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string tDialogDriver::ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? Text(item) : std::string("<no control>");
}

void tDialogDriver::SetItemText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void tDialogDriver::Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void tDialogDriver::CancelAllDialogs() {
    for (int round = 0; round < 50; ++round) {
        std::vector<HWND> open = Dialogs(true);
        if (open.empty()) return;
        for (HWND dialog : open) Press(dialog, IDCANCEL);
        // Until the boxes pressed are gone (a box may open another).
        for (DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
            bool gone = true;
            for (HWND dialog : open) gone = gone && (!IsWindow(dialog) || !IsWindowVisible(dialog));
            if (gone) break;
            Sleep(kPollMs);
        }
    }
}
