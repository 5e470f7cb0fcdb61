// The note file the frame shows: opening it (with the questions that may
// take), opening another one in its place, and the caption that names it.
#include "app/frame.h"
#include "app/globals.h"
#include "app/recovery_offer.h"
#include "base/fatal.h"
#include "base/names.h"
#include "base/settings.h"
#include "client/client.h"
#include "dialogs/note_file_dialog.h"
#include "storage/notefile.h"

tOpenOutcome ReadOrCreateNoteFile(HWND owner, std::string& path, bool& isDefault,
                                  const tAppearanceRecord& current, tNoteFile& file) {
    for (;;) {
        switch (OpenNoteFile(path, current, file)) {
        case tReadResult::read:
            return tOpenOutcome::opened;
        case tReadResult::unusable: {
            std::string message =
                path + " is not a Quillet file, is already open, or cannot be accessed.";
            return RefuseOrOfferRecovery(owner, message, path, isDefault, current, file);
        }
        case tReadResult::notFound:
            break;
        }
        bool create = true;
        if (isDefault && app.notFirstRun) {
            std::string question = "Do you want to create default file " + path;
            create = MessageBoxA(owner, question.c_str(), kAppCaption,
                                 MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
        }
        if (!create) {
            std::string chosen;
            switch (AskForNoteFile(owner, "Select existing or new file to open/create:",
                                   OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "", chosen)) {
            case tFileDialogResult::failed:
                ShowFileNewError(owner);
                return tOpenOutcome::notOpened;
            case tFileDialogResult::cancelled:
                return tOpenOutcome::notOpened;
            case tFileDialogResult::chosen:
                path = chosen;
                isDefault = false;
                SetConfigString(kConfig, "DefaultFile", "");
                continue;  // the chosen file may not exist either: it is then created
            }
        }
        if (!CreateNoteFile(path, current, file)) {
            std::string message = "Failed to open file: " + path;
            // Modal to the frame, as every box shown while it exists.
            MessageBoxA(owner, message.c_str(), kAppCaption, MB_ICONHAND);
            return isDefault ? tOpenOutcome::defaultNotCreated : tOpenOutcome::notOpened;
        }
        return tOpenOutcome::opened;
    }
}

bool ReplaceShownFile(tQuilletClient& client, HWND owner, tShownFile& shown) {
    tShownFile opened = shown;
    if (!client.ReplaceFile([&](const tAppearanceRecord& current, tNoteFile& file) {
            return ReadOrCreateNoteFile(owner, opened.path, opened.isDefault, current, file) ==
                   tOpenOutcome::opened;
        }))
        return false;
    shown = opened;
    return true;
}

void tFrame::ChooseOtherFile(bool create) {
    std::string path;
    DWORD flags = create ? OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
                         : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const char* title = create ? kNewFileDialogTitle : nullptr;
    tFileDialogResult result = AskForNoteFile(hwnd_, title, flags, std::string(), path);
    if (result != tFileDialogResult::chosen) {
        if (result == tFileDialogResult::failed) {
            if (create)
                ShowFileNewError(hwnd_);
            else
                MessageBoxA(hwnd_, "Error with file open", kAppCaption, MB_ICONERROR);
        }
        return;
    }
    tShownFile other{path, false};
    if (!client_ || !ReplaceShownFile(*client_, hwnd_, other)) return;
    shown_ = other;
    ShowTitle(tTrayShow::change);
}

std::string FileTitleOf(const std::string& path) {
    char title[kPathBufferSize] = {};
    if (GetFileTitleA(path.c_str(), title, kPathBufferSize) == 0) return title;
    // The system refuses some names it opens without complaint (brackets,
    // for one): the last part of the path stands in.
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void tFrame::ShowTitle(tTrayShow icon) {
    titleText_ = FileTitleOf(shown_.path) + " - Quillet";
    SetWindowTextA(hwnd_, titleText_.c_str());
    if (client_) client_->ShowTrayIcon(titleText_, icon);
}
