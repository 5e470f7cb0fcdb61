#pragma once
// Requests to the help file QLHelp.hlp, next to the program. The viewer's answer is
// never examined: a missing or unreadable help file is the viewer's business.
#include <windows.h>
#include <string>

// No help context: the command has no popup help.
constexpr int kNoHelpContext = 0;

// The help context of a menu or toolbar command, or kNoHelpContext.
int HelpContextForCommand(int commandId);

// Help Topics: the help file's contents and search view, for the frame.
void ShowHelpContents(HWND frame);

// Popup help for a command chosen in context-help mode. Returns false, and
// asks for nothing, when the command has no help context.
bool ShowCommandHelp(HWND frame, int commandId);

// A dialog's help table is pairs of (control id, help context), ended by 0, 0.
// WM_HELP in a dialog: help for the item the request names.
void ShowDialogItemHelp(const HELPINFO* info, const DWORD* helpTable);
// WM_CONTEXTMENU in a dialog: help for the window the message names.
void ShowDialogContextHelp(HWND window, const DWORD* helpTable);
