#include "support/dialog_driver.h"

namespace {

// Cancels every visible dialog of this process, for a few rounds (a box may open another).
void CancelAllDialogs() {
    for (int round = 0; round < 50; ++round) {
        std::vector<HWND> open = Dialogs(GetCurrentProcessId());
        if (open.empty()) return;
        for (HWND dialog : open) Click(dialog, IDCANCEL);
        for (HWND dialog : open) WaitUntilClosed(dialog, 5000);
    }
}

}  // namespace

tDialogDriver::tDialogDriver(std::function<void(tDialogDriver&)> script)
    : thread_([this, script] { Run(script); }) {}

tDialogDriver::~tDialogDriver() { Finish(); }

std::vector<std::string> tDialogDriver::Finish() {
    if (!finished_) {
        finished_ = true;
        thread_.join();
    }
    return failures_;
}

void tDialogDriver::Run(const std::function<void(tDialogDriver&)>& script) {
    try {
        script(*this);
    } catch (const tAbort&) {
    } catch (...) {
        failures_.push_back("the script threw an exception");
    }
    // A script that ran through has closed its dialogs; give them time to go.
    bool closed = WaitUntil([] { return Dialogs(GetCurrentProcessId()).empty(); }, 10000);
    if (failures_.empty() && !closed) failures_.push_back("a dialog was left open");
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
    tForeignDialog dialog;
    if (!::WaitForDialog(GetCurrentProcessId(), dialog, caption.c_str(), timeoutMs))
        Abort("no dialog \"" + caption + "\" appeared");
    return dialog;
}

HWND tDialogDriver::WaitForOwnedDialog(HWND owner, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND dialog : Dialogs(GetCurrentProcessId()))
            if (!box && GetWindow(dialog, GW_OWNER) == owner) box = dialog;
        return box != nullptr;
    }, timeoutMs);
    if (!box) Abort("no message box appeared over \"" + TextOf(owner) + "\"");
    return box;
}
