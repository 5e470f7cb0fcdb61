#pragma once
// Runs the real Quillet.exe and drives it from outside, as a user would.
#include <windows.h>
#include <string>
#include <vector>

class tQuilletProcess {
public:
    // Starts Quillet.exe (or the copy at program) with the given command line
    // arguments (already quoted).
    explicit tQuilletProcess(const std::string& arguments, const std::string& program = "");
    // Takes a Quillet another program started (a script, under a tracer): the
    // one whose caption starts with captionStart.
    struct tRunning {};
    tQuilletProcess(tRunning, const std::string& captionStart, DWORD timeoutMs = 60000);
    ~tQuilletProcess();  // ends the process hard if it still runs
    tQuilletProcess(const tQuilletProcess&) = delete;
    tQuilletProcess& operator=(const tQuilletProcess&) = delete;

    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }

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
    // Waits until the program has handled everything sent so far.
    void Sync();
    // Waits until it has also handled everything posted to it before now: a
    // box a posted message shows is up when this returns.
    void Settle();
    // Types text into the edit control, one character at a time.
    void Type(const std::string& text);
    // Puts text in place of the selection at once, as a paste would.
    void Insert(const std::string& text);
    std::string EditText() const;
    std::vector<std::string> TabNames() const;
    int SelectedTab() const;
    // The rows of a report list view of the program, cells joined by '|'.
    std::vector<std::string> ListRows(HWND list, int columns) const;
    // The middle of a list row, scrolled into view; false when it cannot be had.
    bool ListRowCentre(HWND list, int row, POINT& centre) const;
    // Double-clicks a list row as the mouse would; false when the row cannot be had.
    bool DoubleClickListRow(HWND list, int row) const;

    // Waits for the process to end; returns its exit code or STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs = 20000);
    void Kill();  // TerminateProcess: no clean-up at all

private:
    PROCESS_INFORMATION info_ = {};
    HWND frame_ = nullptr;
    HWND client_ = nullptr;
    HWND edit_ = nullptr;
    HWND tabs_ = nullptr;
};

// A dialog or message box shown by another process.
struct tForeignDialog {
    HWND wnd = nullptr;
    std::string caption;
    std::string text;  // the message box text (static control 0xFFFF), if any
};

// Waits for a visible top-level dialog of the process (optionally with this caption).
bool WaitForDialog(DWORD processId, tForeignDialog& seen, const char* caption = nullptr,
                   DWORD timeoutMs = 15000);
// Waits for a visible pop-up menu of the process.
bool WaitForMenu(DWORD processId, DWORD timeoutMs = 15000);
// How many visible top-level dialogs with this caption the process shows.
int VisibleDialogCount(DWORD processId, const char* caption);
// Presses a button of a dialog (IDOK, IDYES, ...) and waits until it is gone.
void PressButton(const tForeignDialog& dialog, int buttonId);
// Puts text into an edit control of a dialog.
void SetDialogItemText(const tForeignDialog& dialog, int controlId, const std::string& text);
std::string DialogItemText(const tForeignDialog& dialog, int controlId);
// Clicks a button of a dialog that stays open and waits until the click is handled.
void ClickButton(const tForeignDialog& dialog, int buttonId);
// Puts a path into a file dialog's name field and presses OK.
void ChooseFile(const tForeignDialog& dialog, const std::string& path);
// True when no dialog of the process is visible.
bool NoDialogShown(DWORD processId);
// The visible dialog of the process with this caption now, without waiting.
bool DialogShown(DWORD processId, const char* caption, tForeignDialog& seen);

std::string QuilletExePath();
