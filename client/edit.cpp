#include "client/edit.h"
#include "base/guard.h"
#include "base/window_text.h"
#include "client/client.h"
#include "resources/resource.h"

void GetFullSelection(HWND edit, size_t& start, size_t& end) {
    DWORD s = 0, e = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = s;
    end = e;
}

void ReplaceSelectionUncut(HWND edit, const std::string& replacement) {
    size_t start, end;
    GetFullSelection(edit, start, end);
    size_t length = size_t(GetWindowTextLengthA(edit));
    size_t after = length - (end > start ? end - start : 0) + replacement.size();
    size_t limit = size_t(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    bool raised = after > limit;
    if (raised) SendMessageA(edit, EM_SETLIMITTEXT, WPARAM(after), 0);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
    if (raised) SendMessageA(edit, EM_SETLIMITTEXT, WPARAM(limit), 0);
}

namespace {

bool MayInsertText(UINT message) {
    return message == WM_CHAR || message == WM_KEYDOWN || message == WM_PASTE ||
           message == EM_REPLACESEL || message == WM_IME_CHAR;
}

// What a change is about to replace, so that it can be put back.
struct tChangeStart {
    size_t start = 0, end = 0, length = 0;
    std::string replaced;

    explicit tChangeStart(HWND edit) {
        GetFullSelection(edit, start, end);
        length = size_t(GetWindowTextLengthA(edit));
        if (start < end) replaced = WindowText(edit).substr(start, end - start);
    }
    // Replaces whatever the change inserted with the text it replaced.
    void TakeBack(HWND edit) const {
        size_t kept = length - (end - start);
        size_t now = size_t(GetWindowTextLengthA(edit));
        if (now < kept || (now == kept && replaced.empty())) return;  // nothing went in
        SendMessageA(edit, EM_SETSEL, WPARAM(start), LPARAM(start + (now - kept)));
        ReplaceSelectionUncut(edit, replaced);
        SendMessageA(edit, EM_SETSEL, WPARAM(start), LPARAM(end));
    }
};

bool EditDispatch(tQuilletClient& client, HWND wnd, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result) {
    tNotebookView& view = client.View();
    if (message == WM_RBUTTONUP) {
        client.ShowContextMenu(int(LOWORD(lParam)), int(HIWORD(lParam)));
        return true;
    }
    if (!MayInsertText(message)) return false;
    tChangeStart change(wnd);
    bool outer = view.takeBackCutChange;
    view.takeBackCutChange = false;
    result = CallWindowProcA(view.EditDefaultProc(), wnd, message, wParam, lParam);
    if (view.takeBackCutChange) change.TakeBack(wnd);
    view.takeBackCutChange = outer;
    return true;
}

}  // namespace

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    tQuilletClient* client = ClientOfWindow(GetParent(wnd));
    if (!client) return DefWindowProcA(wnd, message, wParam, lParam);
    // The control's own messages never commit: that stays with the client window.
    return HandleGuarded(
        [&](LRESULT& result) { return EditDispatch(*client, wnd, message, wParam, lParam, result); },
        [] {}, wnd, message, wParam, lParam, client->View().EditDefaultProc());
}

namespace {

bool SelectionEmpty(HWND edit) {
    size_t start, end;
    GetFullSelection(edit, start, end);
    return start == end;
}

void SendUnlessEmpty(HWND edit, UINT message) {
    if (SelectionEmpty(edit))
        MessageBeep(0);
    else
        SendMessageA(edit, message, 0, 0);
}

}  // namespace

void UndoEdit(HWND edit) {
    if (SendMessageA(edit, EM_CANUNDO, 0, 0))
        SendMessageA(edit, WM_UNDO, 0, 0);
    else
        MessageBeep(0);
}

void CutSelection(HWND edit) { SendUnlessEmpty(edit, WM_CUT); }
void CopySelection(HWND edit) { SendUnlessEmpty(edit, WM_COPY); }
void ClearSelection(HWND edit) { SendUnlessEmpty(edit, WM_CLEAR); }

void PasteText(HWND edit) {
    if (IsClipboardFormatAvailable(CF_TEXT))
        SendMessageA(edit, WM_PASTE, 0, 0);
    else
        MessageBeep(0);
}

void SelectAllText(HWND edit) { SendMessageA(edit, EM_SETSEL, 0, -1); }

void PrepareEditMenu(HMENU menu, HWND edit, bool searchDone) {
    auto enable = [menu](UINT id, bool on) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    bool selection = !SelectionEmpty(edit);
    enable(CM_EDIT_UNDO, SendMessageA(edit, EM_CANUNDO, 0, 0) != 0);
    enable(CM_EDIT_CUT, selection);
    enable(CM_EDIT_COPY, selection);
    enable(CM_EDIT_DELETE, selection);
    enable(CM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) != 0);
    enable(CM_FIND_NEXT, searchDone);
}
