#pragma once
// The open-file dialog as the program uses it for note files.
#include <windows.h>
#include <string>

constexpr const char* kNewFileDialogTitle = "Choose name and location for new file";

enum class tFileDialogResult { chosen, cancelled, failed };

// Shows GetOpenFileNameA with the note-file filter. initialName pre-fills the
// name field; title may be null for the system's own. On chosen, path holds the
// full path.
tFileDialogResult AskForNoteFile(HWND owner, const char* title, DWORD flags,
                                 const std::string& initialName, std::string& path);
