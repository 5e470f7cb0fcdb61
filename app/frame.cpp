#include "app/frame.h"
#include "app/errors.h"
#include "app/fatal.h"
#include "app/globals.h"
#include "app/guard.h"
#include "app/filedialog.h"
#include "app/settings.h"
#include "dialogs/about.h"
#include "dialogs/help.h"
#include "client/client.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include <commctrl.h>

namespace {

void CreateToolbar(tQuilletWindow& window) {
    TBBUTTON own[7] = {};
    const int ownImages[7] = {-1, 0, 1, -1, 2, 3, -1};
    const int ownCommands[7] = {0, CM_TOPIC_ADD, CM_TOPIC_DELETE, 0, CM_TOPIC_MOVE_LEFT,
                                CM_TOPIC_MOVE_RIGHT, 0};
    for (int i = 0; i < 7; ++i) {
        own[i].iBitmap = ownImages[i] < 0 ? 0 : ownImages[i];
        own[i].idCommand = ownCommands[i];
        own[i].fsState = TBSTATE_ENABLED;
        own[i].fsStyle = ownImages[i] < 0 ? TBSTYLE_SEP : TBSTYLE_BUTTON;
    }
    window.toolbar = CreateToolbarEx(window.hwnd,
                                     WS_CHILD | WS_VISIBLE | CCS_TOP | CCS_NODIVIDER |
                                         TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE,
                                     2, 4, app.hInstance, IDB_TOOLBAR, own, 7, 16, 16, 0, 0,
                                     sizeof(TBBUTTON));
    Check(window.toolbar != nullptr);

    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    LRESULT first = SendMessageA(window.toolbar, TB_ADDBITMAP, 15,
                                 reinterpret_cast<LPARAM>(&standard));
    Check(first != -1);
    const int b = int(first);
    struct { int image; int command; BYTE style; } more[11] = {
        {b + STD_PRINT, CM_PRINT, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_CUT, CM_EDIT_CUT, TBSTYLE_BUTTON}, {b + STD_COPY, CM_EDIT_COPY, TBSTYLE_BUTTON},
        {b + STD_PASTE, CM_EDIT_PASTE, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_UNDO, CM_EDIT_UNDO, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_DELETE, CM_EDIT_DELETE, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_HELP, CM_CONTEXT_HELP, TBSTYLE_CHECK},
    };
    TBBUTTON buttons[11] = {};
    for (int i = 0; i < 11; ++i) {
        buttons[i].iBitmap = more[i].image;
        buttons[i].idCommand = more[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = more[i].style;
    }
    SendMessageA(window.toolbar, TB_ADDBUTTONSA, 11, reinterpret_cast<LPARAM>(buttons));
}

}  // namespace

tQuilletWindow::tQuilletWindow(HWND frame) : hwnd(frame) {
    app.window = this;
    CreateToolbar(*this);

    printDlg.lStructSize = sizeof printDlg;
    printDlg.hwndOwner = hwnd;
    printDlg.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg.nCopies = 1;
    pageSetupDlg.lStructSize = sizeof pageSetupDlg;
    pageSetupDlg.hwndOwner = hwnd;
    pageSetupDlg.Flags = PSD_MARGINS;
    pageSetupDlg.rtMargin.left = LONG(GetConfigDword(kPrinting, "LeftMargin", 0));
    pageSetupDlg.rtMargin.top = LONG(GetConfigDword(kPrinting, "TopMargin", 0));
    pageSetupDlg.rtMargin.right = LONG(GetConfigDword(kPrinting, "RightMargin", 0));
    pageSetupDlg.rtMargin.bottom = LONG(GetConfigDword(kPrinting, "BottomMargin", 0));

    taskbarMenu = LoadMenuA(app.hInstance, "TASKBAR_MENU");
    Check(taskbarMenu != nullptr);
    taskbarPopup = GetSubMenu(taskbarMenu, 0);
    Check(taskbarPopup != nullptr);
}

tQuilletWindow::~tQuilletWindow() {
    // A placement that cannot be stored is not worth ending the program over.
    try {
        SavePlacement(*this);
    } catch (...) {
    }
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

std::string FileTitleOf(const std::string& path) {
    char title[kPathBufferSize] = {};
    if (GetFileTitleA(path.c_str(), title, kPathBufferSize) == 0) return title;
    // The system refuses some names it opens without complaint (brackets,
    // for one): the last part of the path stands in.
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SetFileTitle(tQuilletWindow& window, const std::string& path) {
    app.titleText = FileTitleOf(path) + " - Quillet";
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

// Ends the program, unless a print job runs: its "Print" box and the pages
// still to come belong to the frame, so the job is cancelled first and the
// program ends when it has stopped.
void ShutDown(HWND wnd) {
    if (app.printing) {
        app.endAfterPrinting = true;
        if (app.abortDlgWnd) SendMessageA(app.abortDlgWnd, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    Check(DestroyWindow(wnd) != 0);
}

void OnClose(HWND wnd) {
    if (app.noTray)
        ShutDown(wnd);
    else
        ShowWindow(wnd, SW_HIDE);
}

void OnEndSession() {
    if (app.window) SavePlacement(*app.window);
    if (app.client) app.client->FlushOrRescue();
}

const char* ToolTipText(UINT_PTR id) {
    switch (id) {
    case CM_TOPIC_ADD: return "Add new topic";
    case CM_TOPIC_DELETE: return "Delete current topic";
    case CM_EDIT_CUT: return "Cut";
    case CM_EDIT_COPY: return "Copy";
    case CM_EDIT_PASTE: return "Paste";
    case CM_EDIT_UNDO: return "Undo";
    case CM_EDIT_DELETE: return "Delete";
    case CM_TOPIC_MOVE_LEFT: return "Move current topic left";
    case CM_TOPIC_MOVE_RIGHT: return "Move current topic right";
    case CM_PRINT: return "Print";
    case CM_CONTEXT_HELP: return "Help on ...";
    default: return "";
    }
}

// True when the notification was answered in result.
bool OnNotify(NMHDR* header, LRESULT& result) {
    if (!header) return false;  // a notification without data is no one's
    if (header->code == TTN_NEEDTEXTA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        lstrcpynA(info->szText, ToolTipText(header->idFrom), sizeof info->szText);
        return false;
    }
    if (header->code != NM_CUSTOMDRAW || !app.window || header->hwndFrom != app.window->toolbar)
        return false;
    // The toolbar asks before it erases (TBSTYLE_CUSTOMERASE): its background gets the button
    // face here. Wine's toolbar would leave it unpainted, and the frame erases nothing.
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    result = CDRF_DODEFAULT;
    if (draw->dwDrawStage == CDDS_PREERASE) {
        RECT area;
        GetClientRect(header->hwndFrom, &area);
        FillRect(draw->hdc, &area, GetSysColorBrush(COLOR_BTNFACE));
        result = CDRF_SKIPDEFAULT;
    }
    return true;
}

void OnInitMenuPopup(HMENU menu, int position) {
    tQuilletClient* client = app.client;
    if (!client) return;
    switch (position) {
    case 0:
        if (menu != (app.window ? app.window->taskbarPopup : nullptr) && menu != client->editMenu &&
            menu != client->urlMenu)
            client->UpdateFileMenu(menu);
        break;
    case 1: client->PrepareEditMenu(menu); break;
    case 2: client->PrepareTopicMenu(menu); break;
    }
}

void OnTrayCallback(HWND wnd, UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
        ShowWindow(wnd, SW_SHOWNORMAL);
        SetForegroundWindow(wnd);
        break;
    case WM_RBUTTONUP: {
        POINT at;
        GetCursorPos(&at);
        SetForegroundWindow(wnd);
        if (app.window)
            TrackPopupMenu(app.window->taskbarPopup, TPM_RIGHTBUTTON, at.x, at.y, 0, wnd, nullptr);
        PostMessageA(wnd, WM_TRAY_MENU_DONE, 0, 0);
        break;
    }
    }
}

// File Open and File New: another note file, keeping the old one when the new
// one cannot be used.
void OpenOtherFile(HWND wnd, bool create) {
    std::string chosen;
    DWORD flags = create ? OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
                         : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const char* title = create ? "Choose name and location for new file" : nullptr;
    tFileDialogResult result = AskForNoteFile(wnd, title, flags, std::string(), chosen);
    if (result != tFileDialogResult::chosen) {
        if (result == tFileDialogResult::failed)
            MessageBoxA(wnd, create ? "Error with file new" : "Error with file open", kAppCaption,
                        MB_ICONERROR);
        return;
    }
    std::string oldPath = app.filePath;
    bool oldIsDefault = app.isDefaultFile;
    app.filePath = chosen;
    app.isDefaultFile = false;
    if (app.client && app.client->LoadFile()) {
        app.client->PresentFile();
        if (app.window) SetFileTitle(*app.window, app.filePath);
        app.client->UpdateTrayIcon(false);
    } else {
        app.filePath = oldPath;
        app.isDefaultFile = oldIsDefault;
    }
}

void SetHelpMode(bool on) {
    app.helpMode = on;
    if (app.window) CheckHelpButton(*app.window, on);
    if (on) {
        if (app.helpCursor) SetCursor(app.helpCursor);
    } else {
        SetCursor(app.arrowCursor);
    }
}

// Commands the client carries out; false when the id is not one of them.
bool ClientCommand(tQuilletClient& client, int id) {
    switch (id) {
    case CM_TOPIC_ADD: client.AddTopic(); return true;
    case CM_TOPIC_DELETE: client.DeleteTopic(); return true;
    case CM_TOPIC_RENAME: client.RenameTopic(); return true;
    case CM_TOPIC_NEXT: client.NextTopic(); return true;
    case CM_TOPIC_PREVIOUS: client.PreviousTopic(); return true;
    case CM_TOPIC_MOVE_LEFT: client.MoveTopicLeft(); return true;
    case CM_TOPIC_MOVE_RIGHT: client.MoveTopicRight(); return true;
    case CM_TOPIC_UNDO_DELETE: client.UndoDeleteTopic(); return true;
    case CM_SAVE: client.SaveTopics(true); return true;
    case CM_EDIT_UNDO: client.Undo(); return true;
    case CM_EDIT_CUT: client.Cut(); return true;
    case CM_EDIT_COPY: client.Copy(); return true;
    case CM_EDIT_PASTE: client.Paste(); return true;
    case CM_EDIT_DELETE: client.Clear(); return true;
    case CM_EDIT_SELECT_ALL: client.SelectAll(); return true;
    case CM_FIND: client.ShowFindDialog(); return true;
    case CM_FIND_NEXT: client.FindNext(); return true;
    case CM_REPLACE: client.ShowReplaceDialog(); return true;
    case CM_OPEN_URL: client.OpenUrl(); return true;
    case CM_OPTIONS: client.ShowOptions(); return true;
    default: return false;
    }
}

// Returns true when the command was carried out.
bool OnCommand(HWND wnd, int id) {
    if (app.helpMode && id != CM_CONTEXT_HELP) {
        ShowCommandHelp(wnd, id);
        SetHelpMode(false);
        return false;
    }
    switch (id) {
    case CM_SHUTDOWN: ShutDown(wnd); return true;
    case CM_FILE_CLOSE: SendMessageA(wnd, WM_CLOSE, 0, 0); return true;
    case CM_TRAY_OPEN: ShowWindow(wnd, SW_SHOWNORMAL); return true;
    case CM_FILE_OPEN: OpenOtherFile(wnd, false); return true;
    case CM_FILE_NEW: OpenOtherFile(wnd, true); return true;
    case CM_HELP_TOPICS: ShowHelpContents(wnd); return true;
    case CM_ABOUT: ShowAboutBox(wnd); return true;
    case CM_CONTEXT_HELP: SetHelpMode(!app.helpMode); return true;
    case CM_PRINT: if (app.window) app.window->Print(); return true;
    case CM_PAGE_SETUP: if (app.window) app.window->PageSetup(); return true;
    case CM_ESCAPE:
        if (!app.helpMode) return false;
        SetHelpMode(false);
        return true;
    default:
        return app.client && ClientCommand(*app.client, id);
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
    case WM_ENDSESSION: OnEndSession(); return true;
    case WM_SETCURSOR:
        if (!app.helpMode) return false;
        if (app.helpCursor) SetCursor(app.helpCursor);
        result = TRUE;
        return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_COMMAND: return OnCommand(wnd, LOWORD(wParam));
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) != 0 || LOWORD(lParam) > 2) return false;
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
        return true;
    case WM_TRAY_CALLBACK: OnTrayCallback(wnd, UINT(lParam)); return true;
    default:
        // The taskbar was (re)started: the notification-area icon must be added again.
        if (message == TaskbarCreatedMessage() && app.client) app.client->UpdateTrayIcon(true);
        return false;
    }
}

}  // namespace

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleGuarded(Dispatch, wnd, message, wParam, lParam);
}
