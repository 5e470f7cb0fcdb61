#pragma once
// The frame window: caption, menus, toolbar and the one place every command arrives.
#include <windows.h>
#include <commdlg.h>
#include <string>

class tQuilletWindow {
public:
    explicit tQuilletWindow(HWND frame);
    ~tQuilletWindow();
    tQuilletWindow(const tQuilletWindow&) = delete;
    tQuilletWindow& operator=(const tQuilletWindow&) = delete;

    // The printing commands (print/print_job.cpp).
    void Print();
    void PageSetup();

    HWND hwnd = nullptr;
    HWND toolbar = nullptr;
    HMENU taskbarMenu = nullptr;
    HMENU taskbarPopup = nullptr;  // borrowed from taskbarMenu
    PRINTDLGA printDlg = {};
    PAGESETUPDLGA pageSetupDlg = {};
    HGLOBAL devMode = nullptr;
    HGLOBAL devNames = nullptr;
};

LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

void SavePlacement(tQuilletWindow& window);
// The file's title as the system shows it, or the last part of the path when
// the system cannot make one.
std::string FileTitleOf(const std::string& path);
void SetFileTitle(tQuilletWindow& window, const std::string& path);
void SetFrameIcon(tQuilletWindow& window, HICON icon);
void CheckHelpButton(tQuilletWindow& window, bool on);

// The shell's message announcing a (re)started taskbar.
UINT TaskbarCreatedMessage();
