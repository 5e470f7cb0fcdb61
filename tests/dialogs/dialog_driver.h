#pragma once
// Drives modal dialogs from a second thread while the test's own thread runs
// them: finds the dialog and message-box windows of this process, types into
// their fields, presses their buttons and reads their texts. Commands are
// posted, so a button that opens a message box never blocks the driver.
#include <windows.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

    // A visible top-level dialog ("#32770") of this process with this caption.
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000);
    // A visible dialog (such as a message box) owned by owner.
    HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs = 10000);
    // True when window is destroyed or hidden within the time.
    bool WaitUntilClosed(HWND window, DWORD timeoutMs = 10000);
    // True when window still exists after its thread has handled all it was sent so far.
    static bool StaysOpen(HWND window);

    static std::string Text(HWND window);
    static std::string ItemText(HWND dialog, int id);
    static void SetItemText(HWND dialog, int id, const std::string& text);
    static void Press(HWND dialog, int id);
    // The text of a message box (its static control 0xFFFF).
    static std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

    // Cancels every visible dialog of this process, up to a few rounds.
    static void CancelAllDialogs();

private:
    struct tAbort {};
    void Run(std::function<void(tDialogDriver&)> script);

    std::vector<std::string> failures_;
    std::thread thread_;
    bool finished_ = false;
};

// Visible top-level dialogs of other processes (a help viewer's boxes).
std::vector<HWND> ForeignDialogs();
