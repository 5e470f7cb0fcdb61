#pragma once
// A modal window over the frame (a dialog, message box, property sheet or the
// running print job's box) disables it. While one runs it is the only one:
// commands that would open another window beside it bring it forward instead.
#include <windows.h>

bool ModalWindowOver(HWND frame);

// Brings forward the window over the frame last active, or the frame itself.
void BringForward(HWND frame);

// Cancels every dialog of the program as the user would: Cancel, or No, or
// else OK. Their loops end, and the commands that showed them do nothing more.
void CancelDialogs();
