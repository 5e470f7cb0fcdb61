#pragma once
// Find and replace in the current topic, through the modeless Find and
// Replace dialogs, which share one search text, replacement and options.
#include <windows.h>
#include <commdlg.h>
#include <string>

class tFindReplaceDlg {
public:
    explicit tFindReplaceDlg(HWND owner);
    ~tFindReplaceDlg();
    tFindReplaceDlg(const tFindReplaceDlg&) = delete;
    tFindReplaceDlg& operator=(const tFindReplaceDlg&) = delete;

    void ShowFind();
    void ShowReplace();
    // The open dialog's window, or null.
    HWND Window() const { return dialog_; }
    // Whether message is the dialogs' registered message.
    bool IsItsMessage(UINT message) const { return message != 0 && message == messageId_; }
    // A request of the dialogs (the registered message's parameter), carried
    // out on the edit control; a pointer that is not the dialogs' own is ignored.
    void OnRequest(LPARAM request, HWND edit);

    // A request as the dialogs make one: the texts and options they hold and
    // what was pressed (FR_FINDNEXT, FR_REPLACE or FR_REPLACEALL in flags).
    void Request(const std::string& findWhat, const std::string& replaceWith, DWORD flags, HWND edit);

    // The next occurrence from the selection, in the dialog's direction.
    void FindNext(HWND edit);
    // A search has run: Find Next is offered.
    bool SearchDone() const { return searchDone_; }
    // The search text, as the dialogs keep it.
    const char* FindWhat() const { return findWhat_; }

private:
    void Show(bool replace);
    void Replace(HWND edit);
    void ReplaceAll(HWND edit);
    void NoMatchFound(UINT icon);

    FINDREPLACEA data_ = {};
    char findWhat_[256] = {};
    char replaceWith_[256] = {};
    bool findOpen_ = false;
    bool replaceOpen_ = false;
    bool searchDone_ = false;
    UINT messageId_ = 0;
    HWND owner_;  // borrowed: the client window
    HWND dialog_ = nullptr;
};
