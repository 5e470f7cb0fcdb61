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
    // The open dialog's window, or null.
    HWND Window() const { return dialog_; }
    // Whether message is the dialogs' registered message.
    bool IsItsMessage(UINT message) const { return message != 0 && message == messageId_; }

    FINDREPLACEA findReplaceData = {};
    char findWhat[256] = {};
    char replaceWith[256] = {};
    bool findOpen = false;
    bool replaceOpen = false;

private:
    void Show(bool replace);
    UINT messageId_ = 0;
    HWND dialog_ = nullptr;
};
