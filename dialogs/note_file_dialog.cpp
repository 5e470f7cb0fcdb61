#include "dialogs/note_file_dialog.h"
#include "base/names.h"
#include <commdlg.h>

tFileDialogResult AskForNoteFile(HWND owner, const char* title, DWORD flags,
                                 const std::string& initialName, std::string& path) {
    static const char filter[] = "Quillet Files (*.qld)\0*.qld\0All Files (*.*)\0*.*\0";
    char file[kPathBufferSize] = {};
    char fileTitle[kPathBufferSize] = {};
    lstrcpynA(file, initialName.c_str(), kPathBufferSize);

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathBufferSize;
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = kPathBufferSize;
    ofn.lpstrTitle = title;
    ofn.Flags = flags;
    ofn.lpstrDefExt = "";
    if (GetOpenFileNameA(&ofn)) {
        path = file;
        return tFileDialogResult::chosen;
    }
    return CommDlgExtendedError() != 0 ? tFileDialogResult::failed : tFileDialogResult::cancelled;
}
