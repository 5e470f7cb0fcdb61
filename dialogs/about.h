#pragma once
// The About box: the program's name and version.
#include <windows.h>

// Dialog procedure of dialog resource 2; its result is always 0.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the About box modally over owner (the frame).
void ShowAboutBox(HWND owner);
