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

void tQuilletClient::TakeOver(tNoteFile&& file) {
    // The controls may still use the old font handles: they are kept until the client ends.
    tLoadedFile& loaded = file.content;
    if (loaded.fonts.text != tFontRecord::untouched) {
        if (textFont) retiredFonts.push_back(std::move(textFont));
        textFont = std::move(loaded.textFont);
    }
    if (loaded.fonts.tab != tFontRecord::untouched) {
        if (tabFont) retiredFonts.push_back(std::move(tabFont));
        tabFont = std::move(loaded.tabFont);
    }
    topics = std::move(loaded.topics);
    currentTopic = 0;
    backgroundColour = loaded.appearance.backgroundColour;
    textColour = loaded.appearance.textColour;
    std::memcpy(customColours, loaded.appearance.customColours, sizeof customColours);
    textLogFont = loaded.appearance.textLogFont;
    tabLogFont = loaded.appearance.tabLogFont;
    root = std::move(file.root);
    // Opening a file's streams counts as writing to it, as every open does.
    uncommitted = true;
}

void tQuilletClient::SaveTopics(bool force) {
    if (!root || topics.empty()) return;
    if (editWnd && currentTopic >= 0 && size_t(currentTopic) < topics.size()) {
        tTopic& current = topics[currentTopic];
        current.firstVisibleLine = int(SendMessageA(editWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
        DWORD start = 0, end = 0;
        SendMessageA(editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        current.selStart = int(start);
        current.selEnd = int(end);
        if (current.modified) current.text = WindowText(editWnd);
    }
    if (!force && laptopMode) return;  // held in memory until the forced save
    for (tTopic& topic : topics) topic.Save(*root, false);
    if (saveTimer != 0) {
        Check(KillTimer(wnd, saveTimer) != 0);
        saveTimer = 0;
        laptopTicks = 0;
        idleTicks = 0;
    }
}

void tQuilletClient::Commit() {
    if (!uncommitted) return;
    if (!root) {
        uncommitted = false;  // nothing open that could take the changes
        return;
    }
    CheckHr(root->storage->Commit(STGC_DEFAULT));
    uncommitted = false;
    for (tTopic& topic : topics) topic.AfterCommit();
}

void tQuilletClient::OnTextChanged() {
    // A file whose index names no topic has nothing the text could go into.
    if (currentTopic < 0 || size_t(currentTopic) >= topics.size()) return;
    topics[currentTopic].MarkModified();
    if (saveTimer == 0) saveTimer = unsigned(SetTimer(wnd, kSaveTimerId, kSaveTimerPeriod, nullptr));
    ArmSaveCountdown(laptopSavePeriod, idleTicks, laptopTicks);
}

void tQuilletClient::OnSaveTimer() {
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
        if (editWnd && currentTopic >= 0 && size_t(currentTopic) < topics.size() &&
            topics[currentTopic].modified)
            topics[currentTopic].text = WindowText(editWnd);
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
            for (tTopic& topic : topics) topic.Save(file, true);
            CheckHr(file.storage->Commit(STGC_DEFAULT));
            return;
        } catch (...) {
            MessageBoxA(wnd, "An error occurred with the emergency save", kAppCaption,
                        MB_ICONEXCLAMATION);
        }
    }
}

void tQuilletClient::WriteIndex(tRootStorage& file) {
    WriteTopicIndex(file.storage, topics);
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


