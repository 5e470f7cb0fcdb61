#pragma once
#include <windows.h>
#include "base/window_text.h"

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

#include <cstddef>
#include <string>

// The selection as full offsets: a topic may be longer than the 16-bit halves
// of the packed answer can tell.
void GetFullSelection(HWND edit, size_t& start, size_t& end);

// Replaces the selection as one undoable change. Text the program puts in is
// never cut to the typing limit (a topic may already be longer than it).
void ReplaceSelectionUncut(HWND edit, const std::string& replacement);
