#pragma once
// Answers the dialogs and message boxes of a process while the test waits in
// the code that shows them: a background thread waits for each visible
// top-level dialog, records what it shows and answers it as told.
#include <atomic>
#include <mutex>
#include <thread>
#include "support/window_driver.h"

struct tDialogAnswer {
    int button = IDOK;   // IDOK, IDYES, IDNO or IDCANCEL
    std::string path;    // for a file dialog: the name put into its file-name field
    int field = 0;       // for another dialog: the control that gets text first
    std::string text;

    static tDialogAnswer Button(int id) { return tDialogAnswer{id, "", 0, ""}; }
    // Puts path into the file dialog's name field, then presses OK.
    static tDialogAnswer File(const std::string& path) { return tDialogAnswer{IDOK, path, 0, ""}; }
    // Puts text into a control of the dialog, then presses OK.
    static tDialogAnswer Text(int control, const std::string& text) {
        return tDialogAnswer{IDOK, "", control, text};
    }
};

struct tSeenDialog {
    std::string caption;
    std::string text;        // the message of a message box; empty for other dialogs
    bool fileDialog = false;
    HICON icon = nullptr;    // the icon shown, comparable within one process only
    bool hasCancel = false;  // a Cancel button is shown
    HWND owner = nullptr;    // the window it is modal to, if any
};

class tDialogAnswerer {
public:
    // The dialogs this process shows, one answer each, in the order they
    // appear. Stops after the last answer, or when none appears for timeoutMs.
    explicit tDialogAnswerer(std::vector<tDialogAnswer> answers, DWORD timeoutMs = 15000);
    // Every dialog with this caption the process shows, until destroyed; decide
    // gets each and how many came before it, and returns the button to press.
    using tDecide = std::function<int(const tSeenDialog& dialog, size_t index)>;
    tDialogAnswerer(DWORD processId, const char* caption, tDecide decide);
    ~tDialogAnswerer();  // waits for the thread
    tDialogAnswerer(const tDialogAnswerer&) = delete;
    tDialogAnswerer& operator=(const tDialogAnswerer&) = delete;

    std::vector<tSeenDialog> Seen() const;

private:
    void Run();

    const DWORD processId_;
    const std::string caption_;  // empty: any
    const std::vector<tDialogAnswer> answers_;
    const tDecide decide_;       // when there is no list of answers
    const DWORD idleMs_ = INFINITE;
    mutable std::mutex lock_;
    std::vector<tSeenDialog> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
