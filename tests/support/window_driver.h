#pragma once
// Waits, and the windows of a process (this one or another) found, read and
// answered: every wait polls its condition with a limit and every message is
// bounded, so a program that stops answering fails the test, never hangs it.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Polls done every pollMs until it holds (true) or timeoutMs has passed (false).
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs = 10);

// A failure the harness met (a window that did not answer, a missing field):
// reported to the test on the thread that installed the reporter, on stderr
// from any other thread and in programs without one.
void ReportFailure(const std::string& what);
void SetFailureReporter(void (*report)(const std::string& what));

constexpr DWORD kAnyProcess = 0;
constexpr UINT kAnswerLimitMs = 10000;

// Sends a message and returns the answer; 0, reported, when none came in time.
LRESULT Ask(HWND wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

bool Shown(HWND wnd);  // exists and is visible
bool WaitUntilClosed(HWND wnd, DWORD timeoutMs = 10000);
// True when the window is still shown once its thread has handled all it was sent.
bool StaysOpen(HWND wnd);
std::string ClassOf(HWND wnd);
std::string TextOf(HWND wnd);  // empty for no window
// A top-level window's caption; asks nothing of another process's busy thread.
std::string CaptionOf(HWND wnd);
std::string ItemText(HWND dialog, int id);  // "<no control>" when there is none
std::string MessageText(HWND box);  // a message box's text (static control 0xFFFF)
void SetDialogItemText(HWND dialog, int id, const std::string& text);

DWORD ProcessOf(HWND wnd);
// Top-level windows of the class (any class: null) of the process, topmost first.
std::vector<HWND> TopWindows(const char* className, DWORD processId = kAnyProcess,
                             bool hiddenToo = false);

// A dialog or message box ("#32770") as it was found.
struct tForeignDialog {
    HWND wnd = nullptr;
    std::string caption;
    std::string text;  // the message box text, if any
    operator HWND() const { return wnd; }
};
// The visible dialogs of the process with this caption (any: null), topmost first.
std::vector<HWND> Dialogs(DWORD processId, const char* caption = nullptr);
// The topmost of them now.
bool DialogShown(DWORD processId, const char* caption, tForeignDialog& seen);
bool WaitForDialog(DWORD processId, tForeignDialog& seen, const char* caption = nullptr,
                   DWORD timeoutMs = 15000);
bool WaitForMenu(DWORD processId, DWORD timeoutMs = 15000);  // a pop-up menu

// Clicks a button of a dialog as a user would (a dialog without that button
// gets its command); posted, so a box the click opens never blocks the caller.
void Click(HWND dialog, int id);
// Clicks and waits until the dialog is gone; false when it stays.
bool PressButton(HWND dialog, int id);
// A file dialog's name field; null for other dialogs.
HWND FileNameField(HWND dialog);
// Puts a path into a file dialog's name field and clicks OK, waiting until it is gone.
bool ChooseFile(HWND dialog, const std::string& path);
