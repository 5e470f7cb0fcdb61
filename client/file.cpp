// The open note file: taking one over, saving the topics into it, committing,
// the save timer, laptop mode and the emergency save.
#include "client/client.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/names.h"
#include "base/settings.h"
#include "client/edit.h"
#include "dialogs/note_file_dialog.h"
#include "resources/resource.h"
#include "storage/notefile.h"
#include "storage/saving.h"
#include <cstring>

namespace {
// Gives control (when there is one) the font, none meaning the system's own,
// before the font it replaces is released.
void ReplaceFont(HWND control, tFont& font, tFont made) {
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
    font = std::move(made);
}
}  // namespace

void tQuilletClient::TakeOver(tNoteFile&& file) {
    tLoadedFile& loaded = file.content;
    // A control whose record was not read keeps the font it has.
    if (loaded.fonts.text != tFontRecord::untouched)
        ReplaceFont(editWnd, textFont, std::move(loaded.textFont));
    if (loaded.fonts.tab != tFontRecord::untouched)
        ReplaceFont(tabWnd, tabFont, std::move(loaded.tabFont));
    notebook.TakeOver(std::move(loaded.topics));
    indexOutdated = loaded.indexOutdated;
    backgroundColour = loaded.appearance.backgroundColour;
    textColour = loaded.appearance.textColour;
    std::memcpy(customColours, loaded.appearance.customColours, sizeof customColours);
    textLogFont = loaded.appearance.textLogFont;
    tabLogFont = loaded.appearance.tabLogFont;
    noteFile = std::move(file.file);
    waitingToRetry = false;
    retryTicks = 0;
}

void tQuilletClient::CaptureCurrentTopic() {
    tTopic* current = notebook.Current();
    if (!editWnd || !current) return;
    current->firstVisibleLine = int(SendMessageA(editWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    DWORD start = 0, end = 0;
    SendMessageA(editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    current->selStart = int(start);
    current->selEnd = int(end);
    if (current->modified) current->text = WindowText(editWnd);
}

void tQuilletClient::StopSaveTimer() {
    if (saveTimer == 0) return;
    Check(KillTimer(wnd, saveTimer) != 0);
    saveTimer = 0;
    laptopTicks = 0;
    idleTicks = 0;
}

void tQuilletClient::SaveTopics(bool force) {
    if (!noteFile || notebook.Empty()) return;
    CaptureCurrentTopic();
    if (!force && laptopMode) return;  // held in memory until the forced save
    if (noteFile->Refused()) {
        // A forced save is the user's or the program's own wish: it tries the
        // file again at once; otherwise the retry countdown runs.
        if (force) RecoverFile();
        return;
    }
    // A refusal is taken up by the commit at the end of this message.
    if (!noteFile->WriteModifiedTopics(notebook.topics)) return;
    if (indexOutdated && !noteFile->WriteIndex(notebook.topics)) return;
    indexOutdated = false;
    StopSaveTimer();
}

bool tQuilletClient::Commit() {
    if (!noteFile) return true;
    if (!noteFile->Refused() && noteFile->Commit(notebook.topics)) return true;
    // A fresh refusal is tried again at once; after that on the retry schedule.
    return !waitingToRetry && RecoverFile();
}

bool tQuilletClient::RecoverFile() {
    CaptureCurrentTopic();
    if (!noteFile->Recover(notebook.topics, Appearance())) {
        ScheduleRetry();
        return false;
    }
    indexOutdated = false;
    waitingToRetry = false;
    retryTicks = 0;
    StopSaveTimer();
    return true;
}

void tQuilletClient::ScheduleRetry() {
    retryTicks = kRetryTicks;
    if (saveTimer == 0) saveTimer = unsigned(SetTimer(wnd, kSaveTimerId, kSaveTimerPeriod, nullptr));
    if (waitingToRetry) return;
    waitingToRetry = true;
    reportPending = true;
    // Told once the message that failed is over, not from inside it.
    PostMessageA(wnd, kWriteRefusedMessage, 0, 0);
}

void tQuilletClient::ReportWriteRefused() {
    const unsigned seconds = kRetryTicks * kSaveTimerPeriod / 1000;
    std::string text =
        "Quillet cannot write to the note file " + (noteFile ? noteFile->Path() : std::string()) +
        ".\n\nThe disk may be full, or its drive missing or write-protected. Your changes are kept "
        "in memory, and Quillet tries again every " + std::to_string(seconds) + " seconds.";
    text += settings.noTray
                ? " If you close Quillet before they are written, it offers to save them to "
                  "another file."
                : " Closing the window only hides it. If you shut Quillet or Windows down before "
                  "the changes are written, Quillet offers to save them to another file.";
    MessageBoxA(wnd, text.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
}

void tQuilletClient::FlushOrRescue() {
    if (FlushChanges()) return;
    reportPending = false;  // told here, before the question
    ReportWriteRefused();
    EmergencySave();
}

bool tQuilletClient::FlushChanges() {
    SaveTopics(true);
    return Commit() && !(noteFile && noteFile->Refused());
}

void tQuilletClient::OnTextChanged() {
    // A file whose index names no topic has nothing the text could go into.
    tTopic* current = notebook.Current();
    if (!current) return;
    current->MarkModified();
    if (saveTimer == 0) saveTimer = unsigned(SetTimer(wnd, kSaveTimerId, kSaveTimerPeriod, nullptr));
    ArmSaveCountdown(laptopSavePeriod, idleTicks, laptopTicks);
}

void tQuilletClient::OnSaveTimer() {
    if (noteFile && noteFile->Refused()) {
        if (retryTicks != 0 && --retryTicks == 0) RecoverFile();
        return;
    }
    switch (CountSaveTick(laptopMode, idleTicks, laptopTicks)) {
    case tSaveTick::save: SaveTopics(false); break;
    case tSaveTick::forcedSave: SaveTopics(true); break;
    case tSaveTick::none: break;
    }
}

void tQuilletClient::SetLaptopOptions(bool mode, unsigned period) {
    laptopMode = mode;
    laptopSavePeriod = mode ? period : 1;
    SetConfigDword(kConfig, "LaptopMode", mode ? 1 : 0);
    SetConfigDword(kConfig, "LaptopSavePeriod", laptopSavePeriod);
}

void tQuilletClient::UpdateFileMenu(HMENU menu) {
    if (laptopMode && !saveItemInserted) {
        // After "&New", "&Open ..." and "&Close", before the first separator.
        Check(InsertMenuA(menu, 3, MF_BYPOSITION | MF_STRING, CM_SAVE, "&Save") != 0);
        saveItemInserted = true;
    } else if (!laptopMode && saveItemInserted) {
        Check(DeleteMenu(menu, CM_SAVE, MF_BYCOMMAND) != 0);
        saveItemInserted = false;
    }
}

void tQuilletClient::EmergencySave() {
    // The last typing is only in the edit control: take it into its topic
    // first, without touching the open file.
    try {
        if (editWnd && notebook.Current() && notebook.Current()->modified)
            notebook.Current()->text = WindowText(editWnd);
    } catch (...) {
        // Save what the topics hold.
    }

    // The open file keeps its last committed state: while the questions and the
    // file dialog run their message loops, no save or commit may reach it.
    struct tDetachedFile {
        tQuilletClient& client;
        std::unique_ptr<tOpenNoteFile> open;
        ~tDetachedFile() { client.noteFile = std::move(open); }
    } detached{*this, std::move(noteFile)};

    for (;;) {
        if (MessageBoxA(wnd,
                        "Do you want to attempt an emergency save of your Quillet topics to a new "
                        "file?",
                        kAppCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;

        std::string path;
        tFileDialogResult answer = AskForNoteFile(wnd, kNewFileDialogTitle,
                                                  OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "", path);
        if (answer == tFileDialogResult::failed) ShowFileNewError(wnd);
        if (answer != tFileDialogResult::chosen) continue;

        switch (WriteNewNoteFile(path, notebook.topics)) {
        case tNewFileResult::written:
            return;
        case tNewFileResult::notCreated:
            MessageBoxA(wnd, "Failed to create new file (choose a file that does not already exist).",
                        kAppCaption, MB_ICONEXCLAMATION);
            break;
        case tNewFileResult::failed:
            MessageBoxA(wnd, "An error occurred with the emergency save", kAppCaption,
                        MB_ICONEXCLAMATION);
            break;
        }
    }
}

tAppearanceRecord tQuilletClient::Appearance() const {
    tAppearanceRecord appearance;
    appearance.backgroundColour = backgroundColour;
    appearance.textColour = textColour;
    std::memcpy(appearance.customColours, customColours, sizeof appearance.customColours);
    appearance.textLogFont = textLogFont;
    appearance.tabLogFont = tabLogFont;
    return appearance;
}

void tQuilletClient::WriteAppearance() {
    if (noteFile) noteFile->WriteAppearance(Appearance());
}
