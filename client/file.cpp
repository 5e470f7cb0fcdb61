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
#include "storage/compfile.h"
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
    TopicsChanged();
    indexOutdated = loaded.indexOutdated;
    backgroundColour = loaded.appearance.backgroundColour;
    textColour = loaded.appearance.textColour;
    std::memcpy(customColours, loaded.appearance.customColours, sizeof customColours);
    textLogFont = loaded.appearance.textLogFont;
    tabLogFont = loaded.appearance.tabLogFont;
    root = std::move(file.root);
    // A new file was built and committed; reading an existing one opened its
    // streams, which counts as writing to it, as every open does.
    uncommitted = !file.isNew;
}

void tQuilletClient::SaveTopics(bool force) {
    if (!root || notebook.Empty()) return;
    if (editWnd && notebook.Current()) {
        tTopic& current = *notebook.Current();
        current.firstVisibleLine = int(SendMessageA(editWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
        DWORD start = 0, end = 0;
        SendMessageA(editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        current.selStart = int(start);
        current.selEnd = int(end);
        if (current.modified) current.text = WindowText(editWnd);
    }
    if (!force && laptopMode) return;  // held in memory until the forced save
    // A forced save is the user's or the program's own wish: it tries the
    // file again at once, whatever refused it before.
    if (force) writeRefused = false;
    if (writeRefused) return;  // the retry countdown runs
    try {
        for (tTopic& topic : notebook.topics) topic.Save(*root, false);
        if (indexOutdated) {
            WriteIndex(*root);
            indexOutdated = false;
        }
    } catch (const tQuilletError& error) {
        if (!IsMediumFailure(error.code)) throw;
        OnWriteRefused();
        return;
    }
    if (saveTimer != 0) {
        Check(KillTimer(wnd, saveTimer) != 0);
        saveTimer = 0;
        laptopTicks = 0;
        idleTicks = 0;
    }
}

bool tQuilletClient::Commit() {
    if (!uncommitted) return true;
    if (!root) {
        uncommitted = false;  // nothing open that could take the changes
        return true;
    }
    if (writeRefused) return false;
    HRESULT hr = root->storage->Commit(STGC_DEFAULT);
    if (FAILED(hr) && IsMediumFailure(hr)) {
        OnWriteRefused();
        return false;
    }
    CheckHr(hr);
    uncommitted = false;
    refusalReported = false;
    for (tTopic& topic : notebook.topics) topic.AfterCommit();
    return true;
}

void tQuilletClient::OnWriteRefused() {
    // The file on disk keeps its last commit; memory holds the truth now, so
    // the next save writes all of it again.
    writeRefused = true;
    indexOutdated = true;
    for (tTopic& topic : notebook.topics) topic.MarkModified();
    retryTicks = kRetryTicks;
    if (saveTimer == 0) saveTimer = unsigned(SetTimer(wnd, kSaveTimerId, kSaveTimerPeriod, nullptr));
    if (!refusalReported) {
        refusalReported = true;
        reportPending = true;
        // Told once the message that failed is over, not from inside it.
        PostMessageA(wnd, kWriteRefusedMessage, 0, 0);
    }
}

void tQuilletClient::ReportWriteRefused() {
    std::string text = "Quillet cannot write to the note file " + (root ? root->name : std::string()) +
                       ".\n\nThe disk may be full, or its drive missing or write-protected. Your "
                       "changes are kept in memory, and Quillet tries again every few seconds. If "
                       "you close Quillet before they are written, it offers to save them to "
                       "another file.";
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
    return Commit() && !writeRefused;
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
    if (writeRefused) {
        if (retryTicks != 0 && --retryTicks == 0) FlushChanges();
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
    struct tDetachedRoot {
        tQuilletClient& client;
        std::unique_ptr<tRootStorage> open;
        ~tDetachedRoot() { client.root = std::move(open); }
    } detached{*this, std::move(root)};

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

        tRootStorage file(true, path, kModeDirectReadWrite);
        if (FAILED(file.hr)) {
            MessageBoxA(wnd, "Failed to create new file (choose a file that does not already exist).",
                        kAppCaption, MB_ICONEXCLAMATION);
            continue;
        }
        try {
            CheckHr(file.storage->SetClass(kNoteFileClassId));
            WriteIndex(file);
            { tStorage topicsStorage(file.storage, "Topics", kModeDirectReadWrite, tStorage::create); }
            for (tTopic& topic : notebook.topics) topic.Save(file, true);
            CheckHr(file.storage->Commit(STGC_DEFAULT));
            return;
        } catch (...) {
            MessageBoxA(wnd, "An error occurred with the emergency save", kAppCaption,
                        MB_ICONEXCLAMATION);
        }
    }
}

void tQuilletClient::WriteIndex(tRootStorage& file) {
    WriteTopicIndex(file.storage, notebook.topics);
    MarkUncommitted();
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
    if (!root) return;
    ::WriteAppearance(root->storage, Appearance());
}


