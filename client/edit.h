#pragma once
// The edit control: the subclass that guards its messages, and the editing
// commands, which act on the control itself.
#include <windows.h>
#include <cstddef>
#include <string>

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

// The selection as full offsets: a topic may be longer than the 16-bit halves
// of the packed answer can tell.
void GetFullSelection(HWND edit, size_t& start, size_t& end);

// Replaces the selection as one undoable change. Text the program puts in is
// never cut to the typing limit (a topic may already be longer than it).
void ReplaceSelectionUncut(HWND edit, const std::string& replacement);

// The Edit commands: each plays the default sound when it cannot act.
void UndoEdit(HWND edit);
void CutSelection(HWND edit);
void CopySelection(HWND edit);
void PasteText(HWND edit);
void ClearSelection(HWND edit);
void SelectAllText(HWND edit);
// Enables the Edit menu's items (plain or context menu) for what can be done now.
void PrepareEditMenu(HMENU menu, HWND edit, bool searchDone);
