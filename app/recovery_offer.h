#pragma once
// The offer to recover the notes of a file that cannot be opened as a note
// file, made by every open path.
#include <windows.h>
#include <string>
#include "app/frame.h"

// Shows unusable, the message that path cannot be opened. When the file may
// hold notes, the message asks whether to recover them; on Yes they are
// written into a new file beside it, which is then opened into file (path
// and isDefault name it), and a second message says what was recovered.
tOpenOutcome RefuseOrOfferRecovery(HWND owner, const std::string& unusable, std::string& path,
                                   bool& isDefault, const tAppearanceRecord& current, tNoteFile& file);
