#include "client/find_replace.h"
#include "base/errors.h"
#include "base/handles.h"
#include "base/names.h"
#include "base/window_text.h"
#include "client/edit.h"
#include "client/search.h"
#include <string>

tFindReplaceDlg::tFindReplaceDlg(HWND owner) : owner_(owner) {
    messageId_ = RegisterWindowMessageA(FINDMSGSTRINGA);
    if (messageId_ == 0)
        MessageBoxA(owner, "Could not register window message - Find/Replace will not work",
                    kAppCaption, MB_ICONERROR);
    data_.lStructSize = sizeof data_;
    data_.hwndOwner = owner;
    data_.Flags = FR_DOWN;
    data_.lpstrFindWhat = findWhat_;
    data_.wFindWhatLen = sizeof findWhat_;
    data_.lpstrReplaceWith = replaceWith_;
    data_.wReplaceWithLen = sizeof replaceWith_;
}

tFindReplaceDlg::~tFindReplaceDlg() {
    if ((findOpen_ || replaceOpen_) && dialog_) DestroyWindow(dialog_);
}

void tFindReplaceDlg::ShowFind() { Show(false); }
void tFindReplaceDlg::ShowReplace() { Show(true); }

// At most one of the two dialogs is open: asking for the other closes it first.
void tFindReplaceDlg::Show(bool replace) {
    bool& wanted = replace ? replaceOpen_ : findOpen_;
    bool& other = replace ? findOpen_ : replaceOpen_;
    if (wanted) {
        BringWindowToTop(dialog_);
        return;
    }
    if (other) {
        Check(DestroyWindow(dialog_) != 0);
        other = false;
        dialog_ = nullptr;
    }
    dialog_ = replace ? ReplaceTextA(&data_) : FindTextA(&data_);
    wanted = dialog_ != nullptr;
}

void tFindReplaceDlg::OnRequest(LPARAM request, HWND edit) {
    // The message is registered for everyone: only our own dialog's record is
    // acted on, never a pointer another process made up.
    const auto* data = reinterpret_cast<const FINDREPLACEA*>(request);
    if (data != &data_) return;
    if (data->Flags & FR_DIALOGTERM) {
        findOpen_ = false;
        replaceOpen_ = false;
        dialog_ = nullptr;
    }
    if (data->Flags & FR_FINDNEXT) FindNext(edit);
    if (data->Flags & FR_REPLACE) Replace(edit);
    if (data->Flags & FR_REPLACEALL) ReplaceAll(edit);
}

void tFindReplaceDlg::Request(const std::string& findWhat, const std::string& replaceWith, DWORD flags,
                              HWND edit) {
    lstrcpynA(findWhat_, findWhat.c_str(), sizeof findWhat_);
    lstrcpynA(replaceWith_, replaceWith.c_str(), sizeof replaceWith_);
    data_.Flags = flags;
    OnRequest(reinterpret_cast<LPARAM>(&data_), edit);
}

namespace {

void Select(HWND edit, size_t start, size_t length) {
    SendMessageA(edit, EM_SETSEL, WPARAM(start), LPARAM(start + length));
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace

void tFindReplaceDlg::NoMatchFound(UINT icon) {
    MessageBoxA(owner_, "No match found", kAppCaption, MB_OK | icon);
}

void tFindReplaceDlg::FindNext(HWND edit) {
    tWaitCursor busy;
    searchDone_ = true;
    bool matchCase = (data_.Flags & FR_MATCHCASE) != 0;
    size_t start, end;
    GetFullSelection(edit, start, end);
    std::string text = WindowText(edit);
    std::string pattern = findWhat_;
    if (!matchCase) {
        text = UpperAscii(text);
        pattern = UpperAscii(pattern);
    }
    size_t at = Search(text, pattern, start, end,
                       (data_.Flags & FR_DOWN) != 0 ? tDirection::down : tDirection::up,
                       (data_.Flags & FR_WHOLEWORD) != 0);
    if (at == kNoMatch) {
        NoMatchFound(MB_ICONINFORMATION);
        return;
    }
    Select(edit, at, pattern.size());
}

void tFindReplaceDlg::Replace(HWND edit) {
    tWaitCursor busy;
    bool matchCase = (data_.Flags & FR_MATCHCASE) != 0;
    bool wholeWord = (data_.Flags & FR_WHOLEWORD) != 0;
    size_t start, end;
    GetFullSelection(edit, start, end);
    std::string text = WindowText(edit);
    std::string pattern = findWhat_;
    std::string replacement = replaceWith_;
    if (!matchCase) {
        text = UpperAscii(text);
        pattern = UpperAscii(pattern);
    }
    size_t at = SelectionIsOccurrence(text, pattern, start, end, wholeWord)
                    ? start
                    : Search(text, pattern, start, end, tDirection::down, wholeWord);
    if (at == kNoMatch) {
        NoMatchFound(MB_ICONINFORMATION);
        return;
    }
    SendMessageA(edit, EM_SETSEL, WPARAM(at), LPARAM(at + pattern.size()));
    ReplaceSelectionUncut(edit, replacement);
    // The next occurrence in the text as it was, moved by the change in length.
    size_t next = Search(text, pattern, at, at + pattern.size(), tDirection::down, wholeWord);
    if (next != kNoMatch) Select(edit, next + replacement.size() - pattern.size(), pattern.size());
}

void tFindReplaceDlg::ReplaceAll(HWND edit) {
    tWaitCursor busy;
    size_t start, end;
    GetFullSelection(edit, start, end);
    std::string text = WindowText(edit);
    if (ReplaceAllInText(text, start, findWhat_, replaceWith_, (data_.Flags & FR_MATCHCASE) != 0,
                         (data_.Flags & FR_WHOLEWORD) != 0) == 0) {
        NoMatchFound(0);
        return;
    }
    SendMessageA(edit, EM_SETSEL, 0, -1);
    ReplaceSelectionUncut(edit, text);
}
