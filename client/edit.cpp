#include "client/edit.h"
#include "app/errors.h"
#include "app/globals.h"
#include "client/client.h"

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
                              reinterpret_cast<HMENU>(UINT_PTR(kEditControlId)), app.hInstance,
                              nullptr);
    Check(editWnd != nullptr);
    editDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        editWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditControlWndProc)));
    Check(editDefaultProc != nullptr);
}

void tQuilletClient::OnMaxText() {
    if (MessageBoxA(wnd, "The requested change caused the topic text to exceed the maximum length - Undo?",
                    kAppCaption, MB_ICONWARNING | MB_YESNO) == IDYES)
        SendMessageA(editWnd, WM_UNDO, 0, 0);
}

HBRUSH tQuilletClient::OnCtlColorEdit(HDC dc) {
    SetTextColor(dc, textColour);
    SetBkColor(dc, backgroundColour);
    return backgroundBrush;
}

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    tQuilletClient* client = app.client;
    WNDPROC own = client ? client->editDefaultProc : DefWindowProcA;
    return CallWindowProcA(own, wnd, message, wParam, lParam);
}
