#pragma once
// Programs run from a test, and the real Quillet.exe driven from outside as a
// user would drive it.
#include <atomic>
#include <memory>
#include "support/window_driver.h"

// A process the test started or found; ended hard if it still runs at the end.
class tProcess {
public:
    // Starts commandLine (program: the file to run when the line does not say
    // it plainly); id() is 0 when it could not start.
    explicit tProcess(std::string commandLine, const std::string& program = "");
    ~tProcess();
    tProcess(const tProcess&) = delete;
    tProcess& operator=(const tProcess&) = delete;

    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    DWORD threadId() const { return info_.dwThreadId; }  // of a started process
    // Waits for the process to end; returns its exit code or STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs = 20000);
    void Kill();  // TerminateProcess: no clean-up at all

protected:
    tProcess() = default;
    PROCESS_INFORMATION info_ = {};
};

class tQuilletProcess : public tProcess {
public:
    // Starts Quillet.exe (or the copy at program) with these arguments (already quoted).
    explicit tQuilletProcess(const std::string& arguments, const std::string& program = "");
    // Takes a Quillet another program started (a script, under a tracer): the
    // one whose caption starts with captionStart.
    struct tRunning {};
    tQuilletProcess(tRunning, const std::string& captionStart, DWORD timeoutMs = 60000);

    // Waits for the frame and its client (tab and edit controls); false on timeout.
    bool WaitForMainWindow(DWORD timeoutMs = 20000);
    HWND frame() const { return frame_; }
    HWND client() const { return client_; }
    HWND edit() const { return edit_; }
    HWND tabs() const { return tabs_; }

    // Sends a menu command to the frame and waits until it is carried out.
    void Command(int id);
    // Posts a command that shows a dialog; the caller answers the dialog.
    void PostCommand(int id);
    // Sends a command from a thread of its own: the flag turns true once the
    // program has carried it out, with the dialogs it showed (the caller answers them).
    std::shared_ptr<std::atomic<bool>> SendCommand(int id, DWORD limitMs);
    // Waits until the program has handled everything sent so far.
    void Sync();
    // Waits until it has also handled everything posted to it before now: a
    // box a posted message shows is up when this returns.
    void Settle();
    // Types text into the edit control, one character at a time.
    void Type(const std::string& text);
    // Presses a key with Ctrl (and Shift) held, as the user would, into the
    // frame made the foreground window: the program's accelerators see it.
    void PressCtrl(WORD key, bool shift = false);
    // Puts text in place of the selection at once, as a paste would.
    void Insert(const std::string& text);
    std::string EditText() const;
    std::vector<std::string> TabNames() const;
    int SelectedTab() const;
    // The tab's rectangle in the tab control; empty when there is none.
    RECT TabRect(int index) const;
    // The rows of a report list view of the program, cells joined by '|'.
    std::vector<std::string> ListRows(HWND list, int columns) const;
    // The middle of a list row, scrolled into view; false when it cannot be had.
    bool ListRowCentre(HWND list, int row, POINT& centre) const;
    // Double-clicks a list row as the mouse would; false when the row cannot be had.
    bool DoubleClickListRow(HWND list, int row) const;

private:
    HWND frame_ = nullptr, client_ = nullptr, edit_ = nullptr, tabs_ = nullptr;
};

std::string QuilletExePath();

// The same three for a list view of any process, this one too.
std::vector<std::string> ListRows(HWND list, int columns);
bool ListRowCentre(HWND list, int row, POINT& centre);
bool DoubleClickListRow(HWND list, int row);
