#include "client/find_replace.h"
#include "base/errors.h"
#include "base/names.h"
#include "client/client.h"
#include "client/edit.h"
#include "client/search.h"

tFindReplaceDlg::tFindReplaceDlg(HWND owner) {
    messageId_ = RegisterWindowMessageA(FINDMSGSTRINGA);
    if (messageId_ == 0)
        MessageBoxA(owner, "Could not register window message - Find/Replace will not work",
                    kAppCaption, MB_ICONERROR);
    findReplaceData.lStructSize = sizeof findReplaceData;
    findReplaceData.hwndOwner = owner;
    findReplaceData.Flags = FR_DOWN;
    findReplaceData.lpstrFindWhat = findWhat;
    findReplaceData.wFindWhatLen = sizeof findWhat;
    findReplaceData.lpstrReplaceWith = replaceWith;
    findReplaceData.wReplaceWithLen = sizeof replaceWith;
}

tFindReplaceDlg::~tFindReplaceDlg() {
    if ((findOpen || replaceOpen) && dialog_) DestroyWindow(dialog_);
    dialog_ = nullptr;
}

void tFindReplaceDlg::ShowFind() { Show(false); }
void tFindReplaceDlg::ShowReplace() { Show(true); }

// At most one of the two dialogs is open: asking for the other closes it first.
void tFindReplaceDlg::Show(bool replace) {
    bool& wanted = replace ? replaceOpen : findOpen;
    bool& other = replace ? findOpen : replaceOpen;
    if (wanted) {
        BringWindowToTop(dialog_);
        return;
    }
    if (other) {
        Check(DestroyWindow(dialog_) != 0);
        other = false;
        dialog_ = nullptr;
    }
    dialog_ = replace ? ReplaceTextA(&findReplaceData) : FindTextA(&findReplaceData);
    wanted = dialog_ != nullptr;
}

void tFindReplaceDlg::OnClosed() {
    findOpen = false;
    replaceOpen = false;
    dialog_ = nullptr;
}

namespace {

void Select(HWND edit, size_t start, size_t length) {
    SendMessageA(edit, EM_SETSEL, WPARAM(start), LPARAM(start + length));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace

tQuilletClient::tBusyMarker::tBusyMarker() {
    if (HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT)) SetCursor(wait);
}

tQuilletClient::tBusyMarker::~tBusyMarker() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }

void tQuilletClient::ShowFindDialog() { findDialog->ShowFind(); }
void tQuilletClient::ShowReplaceDialog() { findDialog->ShowReplace(); }

void tQuilletClient::NoMatchFound(UINT icon) {
    MessageBoxA(wnd, "No match found", kAppCaption, MB_OK | icon);
}

void tQuilletClient::FindNext() {
    tBusyMarker busy;
    searchDone = true;
    const FINDREPLACEA& data = findDialog->findReplaceData;
    bool matchCase = (data.Flags & FR_MATCHCASE) != 0;
    size_t start, end;
    GetFullSelection(editWnd, start, end);
    std::string text = WindowText(editWnd);
    std::string pattern = findDialog->findWhat;
    if (!matchCase) {
        text = UpperAscii(text);
        pattern = UpperAscii(pattern);
    }
    size_t at = Search(text, pattern, start, end, (data.Flags & FR_DOWN) != 0,
                       (data.Flags & FR_WHOLEWORD) != 0);
    if (at == kNoMatch) {
        NoMatchFound(MB_ICONINFORMATION);
        return;
    }
    Select(editWnd, at, pattern.size());
}

void tQuilletClient::Replace() {
    tBusyMarker busy;
    const FINDREPLACEA& data = findDialog->findReplaceData;
    bool matchCase = (data.Flags & FR_MATCHCASE) != 0;
    bool wholeWord = (data.Flags & FR_WHOLEWORD) != 0;
    size_t start, end;
    GetFullSelection(editWnd, start, end);
    std::string text = WindowText(editWnd);
    std::string pattern = findDialog->findWhat;
    std::string replacement = findDialog->replaceWith;
    if (!matchCase) {
        text = UpperAscii(text);
        pattern = UpperAscii(pattern);
    }
    size_t at = SelectionIsOccurrence(text, pattern, start, end, wholeWord)
                    ? start
                    : Search(text, pattern, start, end, true, wholeWord);
    if (at == kNoMatch) {
        NoMatchFound(MB_ICONINFORMATION);
        return;
    }
    SendMessageA(editWnd, EM_SETSEL, WPARAM(at), LPARAM(at + pattern.size()));
    ReplaceSelectionUncut(editWnd, replacement);
    // The next occurrence in the text as it was, moved by the change in length.
    size_t next = Search(text, pattern, at, at + pattern.size(), true, wholeWord);
    if (next != kNoMatch) Select(editWnd, next + replacement.size() - pattern.size(), pattern.size());
}

void tQuilletClient::ReplaceAll() {
    tBusyMarker busy;
    const FINDREPLACEA& data = findDialog->findReplaceData;
    size_t start, end;
    GetFullSelection(editWnd, start, end);
    std::string text = WindowText(editWnd);
    if (ReplaceAllInText(text, start, findDialog->findWhat, findDialog->replaceWith,
                         (data.Flags & FR_MATCHCASE) != 0, (data.Flags & FR_WHOLEWORD) != 0) == 0) {
        NoMatchFound(0);
        return;
    }
    SendMessageA(editWnd, EM_SETSEL, 0, -1);
    ReplaceSelectionUncut(editWnd, text);
}

void tQuilletClient::OnFindReplaceMessage(LPARAM request) {
    // The message is registered for everyone: only our own dialog's record is
    // acted on, never a pointer another process made up.
    const auto* data = reinterpret_cast<const FINDREPLACEA*>(request);
    if (!findDialog || data != &findDialog->findReplaceData) return;
    if (data->Flags & FR_DIALOGTERM) findDialog->OnClosed();
    if (data->Flags & FR_FINDNEXT) FindNext();
    if (data->Flags & FR_REPLACE) Replace();
    if (data->Flags & FR_REPLACEALL) ReplaceAll();
}
