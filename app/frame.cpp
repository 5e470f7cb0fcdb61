#include "app/frame.h"
#include "app/globals.h"
#include "base/names.h"
#include "app/modal_window.h"
#include "base/errors.h"
#include "base/guard.h"
#include "base/settings.h"
#include "client/client.h"
#include "dialogs/about.h"
#include "dialogs/help.h"
#include "resources/resource.h"
#include "storage/notefile.h"
#include <commctrl.h>

namespace {

HWND CreateToolbar(HWND frame) {
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
    HWND toolbar = CreateToolbarEx(frame,
                                     WS_CHILD | WS_VISIBLE | CCS_TOP | CCS_NODIVIDER |
                                         TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE,
                                     2, 4, app.hInstance, IDB_TOOLBAR, own, 7, 16, 16, 0, 0,
                                     sizeof(TBBUTTON));
    Check(toolbar != nullptr);

    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    LRESULT first = SendMessageA(toolbar, TB_ADDBITMAP, 15,
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
    SendMessageA(toolbar, TB_ADDBUTTONSA, 11, reinterpret_cast<LPARAM>(buttons));
    return toolbar;
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

}  // namespace

tFrame::tFrame(const RECT& place) {
    hwnd_ = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kFrameClassName, kAppCaption, WS_OVERLAPPEDWINDOW,
                            place.left, place.top, place.right - place.left,
                            place.bottom - place.top, nullptr, nullptr, app.hInstance, this);
    Check(hwnd_ != nullptr);
}

tFrame::~tFrame() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void tFrame::OnCreate() {
    toolbar_ = CreateToolbar(hwnd_);
    printing_ = std::make_unique<tPrinting>(hwnd_);
    taskbarMenu_.reset(LoadMenuA(app.hInstance, "TASKBAR_MENU"));
    Check(bool(taskbarMenu_));
    taskbarPopup_ = GetSubMenu(taskbarMenu_.get(), 0);
    Check(taskbarPopup_ != nullptr);
}

void tFrame::ShowNotes(tNoteFile&& file, const tShownFile& shown, int showCommand) {
    tClientSettings settings;
    settings.frame = hwnd_;
    settings.noTray = app.noTray;
    RECT area;
    GetClientRect(hwnd_, &area);
    client_ = std::make_unique<tQuilletClient>(settings, std::move(file), area);
    shown_ = shown;
    RECT frame;
    GetClientRect(hwnd_, &frame);
    OnSize(frame.right, frame.bottom);
    ShowWindow(hwnd_, (app.noTray || app.startVisible) ? showCommand : SW_HIDE);
    ShowTitle(tTrayShow::add);
    UpdateWindow(hwnd_);
}

bool tFrame::PassToModelessDialogs(MSG& msg) const {
    return client_ && client_->PassToModelessDialogs(msg);
}

// A placement that cannot be stored is not worth ending the program over.
void tFrame::SavePlacement() {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(hwnd_, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    try {
        SetConfigDword(kConfig, "XPos", DWORD(r.left));
        SetConfigDword(kConfig, "YPos", DWORD(r.top));
        SetConfigDword(kConfig, "Width", DWORD(r.right - r.left));
        SetConfigDword(kConfig, "Height", DWORD(r.bottom - r.top));
    } catch (const tQuilletError&) {
    }
}

void tFrame::RequestEnd() {
    if (endRequested_) return;
    endRequested_ = true;
    EndMenu();
    CancelDialogs();
    // A request sent from another program is handled inside GetMessage, which
    // then goes on waiting for posted messages: wake the loop to see it.
    if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void tFrame::EndLoopIfRequested() const {
    if (endRequested_) PostQuitMessage(0);
}

void tFrame::CarryOutEnd() {
    // Also after a quit message someone else posted: the notes are saved all the same.
    endRequested_ = true;
    if (hwnd_) DestroyWindow(hwnd_);
}

// The client first: it saves, commits and closes the note file, and removes its icon.
void tFrame::OnDestroy() {
    if (client_)
        client_->FlushBeforeClose(rescueOffered_ ? tQuilletClient::tRescue::offeredAlready
                                                 : tQuilletClient::tRescue::offer);
    client_.reset();
    SavePlacement();
    PostQuitMessage(0);
}

void tFrame::OnSize(int width, int height) {
    int toolbarHeight = 0;
    if (toolbar_) {
        SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
        RECT r;
        Check(GetWindowRect(toolbar_, &r) != 0);
        toolbarHeight = r.bottom - r.top;
    }
    if (!client_) return;
    // The client gets one pixel more than the space below the toolbar.
    WORD clientHeight = WORD(height - toolbarHeight + 1);
    Check(MoveWindow(client_->Window(), 0, toolbarHeight, width, clientHeight, TRUE) != 0);
}

void tFrame::OnClose() {
    if (app.noTray)
        RequestEnd();
    else
        ShowWindow(hwnd_, SW_HIDE);
}

// The typing must be on disk before this returns: when the session ends, the
// system may end the process at any moment after.
void tFrame::OnEndSession(bool ending) {
    SavePlacement();
    if (client_) {
        // Once the program is ending its own close offers what cannot be written elsewhere.
        if (endRequested_ || rescueOffered_) {
            client_->FlushForEnd(tQuilletClient::tRescue::offeredAlready);
        } else {
            client_->FlushForEnd(tQuilletClient::tRescue::offer);
            // The session ends: the close after the loop must not ask again.
            rescueOffered_ = ending;
        }
    }
    if (ending) RequestEnd();
}

// True when the notification was answered in result.
bool tFrame::OnNotify(NMHDR* header, LRESULT& result) {
    if (!header) return false;  // a notification without data is no one's
    if (header->code == TTN_NEEDTEXTA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        lstrcpynA(info->szText, ToolTipText(header->idFrom), sizeof info->szText);
        return false;
    }
    if (header->code != NM_CUSTOMDRAW || header->hwndFrom != toolbar_) return false;
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

// The File menu is readied only as the menu bar's first pop-up: the taskbar
// pop-up and the context menus open at position 0 too.
void tFrame::OnInitMenuPopup(HMENU menu, int position) {
    if (!client_ || (position == 0 && menu == taskbarPopup_)) return;
    client_->PrepareMenu(menu, position);
}

void tFrame::OnTrayCallback(UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        BringForward(hwnd_);
        break;
    case WM_RBUTTONUP: {
        POINT at;
        GetCursorPos(&at);
        SetForegroundWindow(hwnd_);
        TrackPopupMenu(taskbarPopup_, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
        PostMessageA(hwnd_, WM_TRAY_MENU_DONE, 0, 0);
        break;
    }
    }
}

void tFrame::SetHelpMode(bool on) {
    helpMode_ = on;
    if (toolbar_) SendMessageA(toolbar_, TB_CHECKBUTTON, CM_CONTEXT_HELP, MAKELONG(on, 0));
    if (on) {
        if (app.helpCursor) SetCursor(app.helpCursor);
    } else {
        SetCursor(app.arrowCursor);
    }
}

// Returns true when the command was carried out.
bool tFrame::OnCommand(int id) {
    if (endRequested_) return false;
    if (ModalWindowOver(hwnd_) && id != CM_SHUTDOWN && id != CM_FILE_CLOSE && id != CM_TRAY_OPEN) {
        BringForward(hwnd_);
        return true;
    }
    if (helpMode_ && id != CM_CONTEXT_HELP) {
        ShowCommandHelp(hwnd_, id);
        SetHelpMode(false);
        return false;
    }
    switch (id) {
    case CM_SHUTDOWN: RequestEnd(); return true;
    case CM_FILE_CLOSE: SendMessageA(hwnd_, WM_CLOSE, 0, 0); return true;
    case CM_TRAY_OPEN: ShowWindow(hwnd_, SW_SHOWNORMAL); return true;
    case CM_FILE_OPEN: ChooseOtherFile(false); return true;
    case CM_FILE_NEW: ChooseOtherFile(true); return true;
    case CM_HELP_TOPICS: ShowHelpContents(hwnd_); return true;
    case CM_ABOUT: ShowAboutBox(hwnd_); return true;
    case CM_CONTEXT_HELP: SetHelpMode(!helpMode_); return true;
    case CM_PRINT: if (client_) printing_->Print(*client_, titleText_, endRequested_); return true;
    case CM_PAGE_SETUP: printing_->PageSetup(); return true;
    case CM_OPTIONS: ShowOptions(); return true;
    case CM_ESCAPE:
        if (!helpMode_) return false;
        SetHelpMode(false);
        return true;
    default:
        return client_ && client_->Command(id);
    }
}

bool tFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE: OnCreate(); return true;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return true;
    case WM_SETFOCUS: if (client_) SetFocus(client_->Window()); return true;
    case WM_CLOSE: OnClose(); return true;
    case WM_ENDSESSION: OnEndSession(wParam != FALSE); return true;
    case WM_SETCURSOR:
        if (!helpMode_) return false;
        if (app.helpCursor) SetCursor(app.helpCursor);
        result = TRUE;
        return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_COMMAND: return OnCommand(LOWORD(wParam));
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) != 0 || LOWORD(lParam) > 2) return false;
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
        return true;
    case WM_TRAY_CALLBACK: OnTrayCallback(UINT(lParam)); return true;
    default:
        // The taskbar was (re)started: the notification-area icon must be added again.
        if (message == TaskbarCreatedMessage() && client_) client_->ShowTrayIcon(titleText_, tTrayShow::add);
        return false;
    }
}

void tFrame::AfterMessage() {
    if (client_) client_->AfterMessage();
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

LRESULT CALLBACK FrameWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* frame = static_cast<tFrame*>(create->lpCreateParams);
        frame->hwnd_ = wnd;  // before WM_CREATE, which builds the toolbar in it
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    auto* frame = reinterpret_cast<tFrame*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!frame) return DefWindowProcA(wnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        frame->hwnd_ = nullptr;
        return DefWindowProcA(wnd, message, wParam, lParam);
    }
    return HandleGuarded(
        [&](LRESULT& result) { return frame->HandleMessage(message, wParam, lParam, result); },
        [&] { frame->AfterMessage(); }, wnd, message, wParam, lParam);
}
