#pragma once
// The Options property sheet: Appearance and Configuration pages.
#include <windows.h>
#include <prsht.h>

INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConfigPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void InitConfigPage(HWND page);
void InitAppearancePage(HWND page);

// The save period the Configuration page accepts: a number from 1 to 60.
bool SavePeriodAcceptable(bool isNumber, unsigned minutes);

// Shows the sheet modally; a failure inside a page is thrown here.
void RunOptionsSheet(PROPSHEETHEADERA& sheet);

// Fills the sheet and page descriptions the client keeps.
void FillOptionsSheet(PROPSHEETHEADERA& sheet, PROPSHEETPAGEA (&pages)[2], HWND parent);
