#pragma once
// The two guards around every message of the frame and client windows: the
// open note file is committed when the message ends normally, and any failure
// takes the fatal path (boxes, emergency save, exit code 1).
#include <windows.h>

// Handles one message; returns false to send it on to the default procedure.
using tMessageHandler = bool (*)(HWND, UINT, WPARAM, LPARAM, LRESULT&);

LRESULT HandleGuarded(tMessageHandler handler, HWND wnd, UINT message, WPARAM wParam,
                      LPARAM lParam);
