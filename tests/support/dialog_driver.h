#pragma once
// Drives modal dialogs from a second thread while the test's own thread runs
// them: a script finds the dialogs and message boxes of this process, types
// into their fields and clicks their buttons (posted, so a button that opens a
// message box never blocks the script) with the window_driver functions.
#include <thread>
#include "support/window_driver.h"

class tDialogDriver {
public:
    // Starts script on a new thread. When the script fails or ends early,
    // every dialog of the process still open is cancelled, so the modal call
    // on the test's thread always returns.
    explicit tDialogDriver(std::function<void(tDialogDriver&)> script);
    ~tDialogDriver();
    tDialogDriver(const tDialogDriver&) = delete;
    tDialogDriver& operator=(const tDialogDriver&) = delete;

    // Waits for the script to end; returns what went wrong, empty when nothing.
    std::vector<std::string> Finish();

    // In the script: record a failure and go on.
    void Expect(bool condition, const std::string& what);
    // In the script: record a failure and stop the script.
    [[noreturn]] void Abort(const std::string& what);

    // A visible top-level dialog of this process with this caption.
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000);
    // A visible dialog (such as a message box) owned by owner.
    HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs = 10000);

private:
    struct tAbort {};
    void Run(const std::function<void(tDialogDriver&)>& script);

    std::vector<std::string> failures_;
    std::thread thread_;
    bool finished_ = false;
};
