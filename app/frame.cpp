#include "app/frame.h"
#include "app/errors.h"
#include "app/fatal.h"
#include "app/globals.h"
#include "app/settings.h"
#include "client/client.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include <commctrl.h>

tQuilletWindow::tQuilletWindow(HWND frame) : hwnd(frame) {
    app.window = this;
    taskbarMenu = LoadMenuA(app.hInstance, "TASKBAR_MENU");
    Check(taskbarMenu != nullptr);
    taskbarPopup = GetSubMenu(taskbarMenu, 0);
    Check(taskbarPopup != nullptr);
}

tQuilletWindow::~tQuilletWindow() {
    SavePlacement(*this);
    if (devNames) GlobalFree(devNames);
    if (devMode) GlobalFree(devMode);
    if (taskbarMenu) DestroyMenu(taskbarMenu);
}

void SavePlacement(tQuilletWindow& window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window.hwnd, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    SetConfigDword(kConfig, "XPos", DWORD(r.left));
    SetConfigDword(kConfig, "YPos", DWORD(r.top));
    SetConfigDword(kConfig, "Width", DWORD(r.right - r.left));
    SetConfigDword(kConfig, "Height", DWORD(r.bottom - r.top));
}

void SetFileTitle(tQuilletWindow& window, const std::string& path) {
    char title[kPathBufferSize] = {};
    Check(GetFileTitleA(path.c_str(), title, kPathBufferSize) == 0);
    app.titleText = std::string(title) + " - Quillet";
    SetWindowTextA(window.hwnd, app.titleText.c_str());
}

void SetFrameIcon(tQuilletWindow& window, HICON icon) {
    SetClassLongPtrA(window.hwnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    SetClassLongPtrA(window.hwnd, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(icon));
}

void CheckHelpButton(tQuilletWindow& window, bool on) {
    if (window.toolbar) SendMessageA(window.toolbar, TB_CHECKBUTTON, CM_CONTEXT_HELP, MAKELONG(on, 0));
}

namespace {

LRESULT OnCreate(HWND wnd) {
    new tQuilletWindow(wnd);
    return 0;
}

void OnDestroy() {
    if (app.client) {
        app.client->FlushBeforeClose();
        delete app.client;
        app.client = nullptr;
    }
    delete app.window;
    app.window = nullptr;
    PostQuitMessage(0);
}

void OnSize(int width, int height) {
    int toolbarHeight = 0;
    if (app.window && app.window->toolbar) {
        SendMessageA(app.window->toolbar, TB_AUTOSIZE, 0, 0);
        RECT r;
        Check(GetWindowRect(app.window->toolbar, &r) != 0);
        toolbarHeight = r.bottom - r.top;
    }
    if (!app.clientWnd) return;
    // The client gets one pixel more than the space below the toolbar.
    WORD clientHeight = WORD(height - toolbarHeight + 1);
    Check(MoveWindow(app.clientWnd, 0, toolbarHeight, width, clientHeight, TRUE) != 0);
}

void OnClose(HWND wnd) {
    if (app.noTray)
        Check(DestroyWindow(wnd) != 0);
    else
        ShowWindow(wnd, SW_HIDE);
}

// Returns true when the command was carried out.
bool OnCommand(HWND wnd, int id) {
    switch (id) {
    case CM_SHUTDOWN: DestroyWindow(wnd); return true;
    case CM_FILE_CLOSE: SendMessageA(wnd, WM_CLOSE, 0, 0); return true;
    case CM_TRAY_OPEN: ShowWindow(wnd, SW_SHOWNORMAL); return true;
    default: return false;
    }
}

// Handles one message; false sends it on to the default procedure.
bool Dispatch(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE: result = OnCreate(wnd); return true;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return true;
    case WM_SETFOCUS: SetFocus(app.clientWnd); return true;
    case WM_CLOSE: OnClose(wnd); return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_COMMAND: return OnCommand(wnd, LOWORD(wParam));
    default: return false;
    }
}

}  // namespace

LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        LRESULT result = 0;
        bool handled;
        {
            tCommitter committer;
            handled = Dispatch(wnd, message, wParam, lParam, result);
        }
        return handled ? result : DefWindowProcA(wnd, message, wParam, lParam);
    } catch (const tQuilletError& error) {
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}
