#pragma once
// Answers the dialogs and message boxes that code under test shows on this
// thread: a background thread waits for each visible top-level dialog of the
// process, records its caption and text, and answers it as told.
#include <windows.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    std::string text;      // the message of a message box; empty for other dialogs
    bool fileDialog = false;
};

class tDialogAnswerer {
public:
    // One answer per dialog, in the order the dialogs appear. Stops after the
    // last answer, or when no dialog appears for timeoutMs.
    explicit tDialogAnswerer(std::vector<tDialogAnswer> answers, DWORD timeoutMs = 15000);
    ~tDialogAnswerer();  // waits for the thread
    tDialogAnswerer(const tDialogAnswerer&) = delete;
    tDialogAnswerer& operator=(const tDialogAnswerer&) = delete;

    std::vector<tSeenDialog> Seen() const;
    // True when every answer was given.
    bool Done() const;

private:
    void Run();

    std::vector<tDialogAnswer> answers_;
    DWORD timeoutMs_;
    mutable std::mutex lock_;
    std::vector<tSeenDialog> seen_;
    bool stop_ = false;
    std::thread thread_;
};
