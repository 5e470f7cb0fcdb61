#include "app/start_file.h"
#include "app/frame.h"
#include "app/globals.h"
#include "base/names.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/settings.h"
#include "dialogs/note_file_dialog.h"
#include "storage/notefile.h"
#include <shlobj.h>

namespace {

constexpr const char* kFirstUseTitle = "Select Quillet file or enter name and location of new file";
constexpr const char* kDefaultFileQuestion =
    "Do you want to make this file your default file?\n\nN.B. You will be asked this only once.  "
    "If you wish to change the default file in the future, use the configuration page of the "
    "Options property sheet.";

enum class tDefaultQuestion { ask, skip };

// The first-use dialog until a file it names is opened (a refused one is
// explained by the opening itself), then the default-file question.
bool ChooseAtFirstUse(HWND frame, const std::string& programFolder, tDefaultQuestion question,
                      const tAppearanceRecord& appearance, tNoteFile& file, tShownFile& shown) {
    app.startVisible = true;
    const std::string suggestion = SuggestedNoteFile(programFolder);
    std::string chosen;
    for (bool opened = false; !opened;) {
        switch (AskForNoteFile(nullptr, kFirstUseTitle, OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                               suggestion, chosen)) {
        case tFileDialogResult::failed:
            ShowFileNewError(nullptr);
            return false;
        case tFileDialogResult::cancelled:
            return false;
        case tFileDialogResult::chosen:
            break;
        }
        bool isDefault = false;
        opened = ReadOrCreateNoteFile(frame, chosen, isDefault, appearance, file) == tOpenOutcome::opened;
    }
    shown = tShownFile{chosen, false};
    if (question == tDefaultQuestion::ask &&
        MessageBoxA(nullptr, kDefaultFileQuestion, kAppCaption, MB_ICONWARNING | MB_YESNO) == IDYES) {
        SetConfigString(kConfig, "DefaultFile", shown.path.c_str());
        shown.isDefault = true;
    }
    if (!app.notFirstRun) SetConfigDword(kConfig, "NotFirstRun", 1);
    return true;
}

}  // namespace

bool ReadStartFile(HWND frame, const std::string& programFolder,
                   const std::optional<std::string>& given, tNoteFile& file, tShownFile& shown) {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    if (given) {
        shown = tShownFile{*given, false};
    } else {
        char stored[kSettingTextSize];
        GetConfigString(kConfig, "DefaultFile", stored, "");
        if (stored[0] == '\0')
            return ChooseAtFirstUse(frame, programFolder,
                                    app.notFirstRun ? tDefaultQuestion::skip : tDefaultQuestion::ask,
                                    appearance, file, shown);
        shown = tShownFile{stored, true};
    }
    switch (ReadOrCreateNoteFile(frame, shown.path, shown.isDefault, appearance, file)) {
    case tOpenOutcome::opened:
        return true;
    case tOpenOutcome::notOpened:
        return false;
    case tOpenOutcome::defaultNotCreated:
        break;
    }
    // Kept, it would fail the same way at every start: the user chooses
    // another file, and may make that one the default.
    SetConfigString(kConfig, "DefaultFile", "");
    // The default-file question says it comes only once: not again after the first run.
    return ChooseAtFirstUse(frame, programFolder,
                            app.notFirstRun ? tDefaultQuestion::skip : tDefaultQuestion::ask, appearance,
                            file, shown);
}

bool CanCreateFilesIn(const std::string& folder) {
    const std::string stem = folder + "~Quillet" + std::to_string(GetCurrentProcessId()) + "-";
    for (int n = 0; n < 100; ++n) {
        const std::string name = stem + std::to_string(n) + ".tmp";
        tFileHandle probe(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (probe) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::string SuggestedNoteFile(const std::string& programFolder) {
    if (CanCreateFilesIn(programFolder)) return programFolder + kDefaultNoteFileName;
    char documents[kPathBufferSize] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)) ||
        documents[0] == '\0')
        return programFolder + kDefaultNoteFileName;
    std::string folder = documents;
    if (folder.back() != '\\') folder += '\\';
    return folder + kDefaultNoteFileName;
}
