#include "app/modal_window.h"

bool ModalWindowOver(HWND frame) { return frame && !IsWindowEnabled(frame); }

void BringForward(HWND frame) {
    HWND popup = GetLastActivePopup(frame);
    SetForegroundWindow(popup ? popup : frame);
}

namespace {

BOOL CALLBACK CancelDialog(HWND wnd, LPARAM) {
    char name[8] = {};
    if (!GetClassNameA(wnd, name, sizeof name) || lstrcmpA(name, "#32770") != 0) return TRUE;
    // A question without Cancel is answered No: nothing it asks about is done.
    const int answers[] = {IDCANCEL, IDNO, IDOK};
    for (int id : answers) {
        HWND button = GetDlgItem(wnd, id);
        if (button && IsWindowVisible(button)) {
            PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            return TRUE;
        }
    }
    PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

}  // namespace

void CancelDialogs() {
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}
