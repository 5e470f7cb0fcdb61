#include "client/edit.h"
#include "base/errors.h"
#include "base/names.h"
#include "client/guard.h"
#include "base/settings.h"
#include "client/client.h"
#include "resources/resource.h"

namespace {
DWORD EditStyle(bool wrap) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                  ES_AUTOVSCROLL | ES_NOHIDESEL;
    // Without horizontal scrolling the control wraps at its right edge.
    if (!wrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    return style;
}
}  // namespace

void tQuilletClient::CreateEditControl() {
    editWnd = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", EditStyle(autoWrap), 0, 0,
                              CW_USEDEFAULT, CW_USEDEFAULT, wnd,
                              reinterpret_cast<HMENU>(UINT_PTR(kEditControlId)), GetModuleHandleA(nullptr),
                              nullptr);
    Check(editWnd != nullptr);
    editDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        editWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditControlWndProc)));
    Check(editDefaultProc != nullptr);
}

void tQuilletClient::OnMaxText() {
    // Yes takes back the change that hit the limit, and only that. WM_UNDO cannot: after a
    // refused keystroke the control inserted nothing and its undo buffer still holds the user's
    // previous typing, and Wine asks before it inserts the shortened text. The subclass below
    // undoes the change once the control has finished it.
    if (MessageBoxA(wnd, "The requested change caused the topic text to exceed the maximum length - Undo?",
                    kAppCaption, MB_ICONWARNING | MB_YESNO) == IDYES)
        takeBackCutChange = true;
}

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

bool EditDispatch(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    tQuilletClient* client = ClientOfWindow(GetParent(wnd));
    if (!client) return false;
    if (message == WM_RBUTTONUP) {
        client->ShowContextMenu(int(LOWORD(lParam)), int(HIWORD(lParam)));
        return true;
    }
    if (!MayInsertText(message)) return false;
    tChangeStart change(wnd);
    bool outer = client->takeBackCutChange;
    client->takeBackCutChange = false;
    result = CallWindowProcA(client->editDefaultProc, wnd, message, wParam, lParam);
    if (client->takeBackCutChange) change.TakeBack(wnd);
    client->takeBackCutChange = outer;
    return true;
}

}  // namespace

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND clientWnd = GetParent(wnd);
    tQuilletClient* client = ClientOfWindow(clientWnd);
    if (!client) return DefWindowProcA(wnd, message, wParam, lParam);
    // The control's own messages never committed: that stays with the client window.
    return HandleGuarded(EditDispatch, nullptr, wnd, message, wParam, lParam,
                         client->editDefaultProc);
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

void tQuilletClient::Undo() {
    if (SendMessageA(editWnd, EM_CANUNDO, 0, 0))
        SendMessageA(editWnd, WM_UNDO, 0, 0);
    else
        MessageBeep(0);
}

void tQuilletClient::Cut() { SendUnlessEmpty(editWnd, WM_CUT); }
void tQuilletClient::Copy() { SendUnlessEmpty(editWnd, WM_COPY); }
void tQuilletClient::Clear() { SendUnlessEmpty(editWnd, WM_CLEAR); }

void tQuilletClient::Paste() {
    if (IsClipboardFormatAvailable(CF_TEXT))
        SendMessageA(editWnd, WM_PASTE, 0, 0);
    else
        MessageBeep(0);
}

void tQuilletClient::SelectAll() { SendMessageA(editWnd, EM_SETSEL, 0, -1); }

void tQuilletClient::PrepareEditMenu(HMENU menu) {
    auto enable = [menu](UINT id, bool on) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    bool selection = !SelectionEmpty(editWnd);
    enable(CM_EDIT_UNDO, SendMessageA(editWnd, EM_CANUNDO, 0, 0) != 0);
    enable(CM_EDIT_CUT, selection);
    enable(CM_EDIT_COPY, selection);
    enable(CM_EDIT_DELETE, selection);
    enable(CM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) != 0);
    enable(CM_FIND_NEXT, searchDone);
}

void tQuilletClient::SetAutoWrap(bool wrap) {
    if (wrap == autoWrap) return;
    SaveTopics(true);
    Check(DestroyWindow(editWnd) != 0);
    editWnd = nullptr;
    autoWrap = wrap;
    CreateEditControl();
    SendMessageA(editWnd, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), FALSE);
    Layout();
    if (notebook.Empty())
        EnableWindow(editWnd, FALSE);
    else
        ShowTopic(notebook.CurrentIndex());
    SetConfigDword(kConfig, "AutoWrap", wrap ? 1 : 0);
}
