#pragma once
// The holder of the modeless Find and Replace dialogs, shared by both.
#include <windows.h>
#include <commdlg.h>

class tFindReplaceDlg {
public:
    explicit tFindReplaceDlg(HWND owner);
    ~tFindReplaceDlg();
    tFindReplaceDlg(const tFindReplaceDlg&) = delete;
    tFindReplaceDlg& operator=(const tFindReplaceDlg&) = delete;

    void ShowFind();
    void ShowReplace();
    void OnClosed();

    FINDREPLACEA findReplaceData = {};
    char findWhat[256] = {};
    char replaceWith[256] = {};
    bool findOpen = false;
    bool replaceOpen = false;

private:
    void Show(bool replace);
};
