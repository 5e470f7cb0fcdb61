#pragma once
// The note file shown at start: the one named on the command line, the
// configured default file, or the one chosen in the first-use dialog. No start
// stores a default file that could not be opened or created.
#include <windows.h>
#include <optional>
#include <string>

#include "app/frame.h"

struct tNoteFile;

// Opens the start file into file, with frame (not yet shown) as the owner of
// the questions: given is the file named on the command line, if one was.
// On success shown names the file opened. False when there is none to show:
// the user was told why, or cancelled.
bool ReadStartFile(HWND frame, const std::string& programFolder,
                   const std::optional<std::string>& given, tNoteFile& file, tShownFile& shown);

// Where the first-use dialog suggests the note file: in the program's folder
// (with its trailing backslash) when files can be made there, otherwise in the
// user's Documents folder.
std::string SuggestedNoteFile(const std::string& programFolder);

// Whether a file can be made in folder (with its trailing backslash): one is
// made and deleted again.
bool CanCreateFilesIn(const std::string& folder);
