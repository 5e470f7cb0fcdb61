#pragma once
// When the notebook goes back into its note file: the save timer's
// countdowns, laptop mode, the commit at the end of every message, and what
// happens while the file refuses to be written (the changes wait in memory,
// the user is told once, it is tried again every 15 seconds, and closing
// offers the emergency save).
#include <windows.h>
#include <memory>
#include <string>
#include "client/notebook.h"
#include "client/notebook_view.h"
#include "client/save_schedule.h"
#include "storage/open_note_file.h"

constexpr UINT kSaveTimerId = 1;
constexpr UINT kSaveTimerPeriod = 5000;
constexpr UINT kWriteRefusedMessage = WM_APP + 1;

// A save that laptop mode may hold back, or one it may not.
enum class tSave { unlessHeldBack, forced };

class tNoteSaver {
public:
    // wnd receives the timer ticks and the refusal message; closingHides says
    // whether closing the window only hides it (a notification-area icon is shown).
    tNoteSaver(HWND wnd, tNotebook& notebook, tNotebookView& view, bool closingHides);
    ~tNoteSaver();
    tNoteSaver(const tNoteSaver&) = delete;
    tNoteSaver& operator=(const tNoteSaver&) = delete;

    // The note file just opened, whose topics the notebook now holds.
    void TakeOver(std::unique_ptr<tOpenNoteFile> file, bool indexOutdated);
    const tOpenNoteFile* File() const { return file_.get(); }

    // Takes the edit control's text into the current topic and, unless
    // laptop mode holds it back, writes every modified topic.
    void SaveTopics(tSave how);
    // The end of every message: commits what was written. False when the file
    // could not take the changes, which then wait in memory.
    bool Commit();
    // Saves with force and commits; false when the changes are still only in memory.
    bool FlushChanges();
    // The same before the file is closed: what the file refuses is offered to
    // another file (the emergency save), never dropped.
    void FlushOrRescue();
    // Tells the user at once that the file cannot take the changes (and not
    // again once the message is over).
    void TellRefusal();
    // The fatal path's and the refusal's last resort: every topic to a new file.
    void EmergencySave();

    // A topic command's change, after the notebook made it, into the file.
    void Write(const tTopicChange& change);
    void AppearanceChanged();
    // Whether an element of "Topics" that no topic owns has this name.
    bool HoldsOtherElement(const std::string& name) const;

    void OnTextChanged();
    void OnTick();
    // The refusal message posted at the end of the message that failed.
    void OnRefusalMessage();

    bool LaptopMode() const { return schedule_.LaptopMode(); }
    unsigned LaptopSavePeriod() const { return schedule_.Period(); }
    void SetLaptopOptions(bool mode, unsigned period);
    // Adds "&Save" to the File menu in laptop mode and removes it otherwise.
    void UpdateFileMenu(HMENU menu);

private:
    bool Recover();
    void ScheduleRetry();
    void ReportRefusal();
    void StopTimer();

    HWND wnd_;                // borrowed: the client window
    tNotebook& notebook_;     // borrowed from the client
    tNotebookView& view_;     // borrowed from the client
    bool closingHides_;
    std::unique_ptr<tOpenNoteFile> file_;
    bool indexOutdated_ = false;  // topics renamed at load: the Index is written at the next save
    bool saveItemInserted_ = false;
    unsigned timer_ = 0;
    tSaveSchedule schedule_;
    bool reportPending_ = false;  // the user is told of the refusal once this message is over
};
