#include "client/client.h"
#include "app/errors.h"
#include "app/fatal.h"
#include "app/globals.h"
#include "app/guard.h"
#include "app/settings.h"
#include "client/edit.h"
#include "client/find_replace.h"
#include "dialogs/options.h"
#include "storage/compfile.h"

tQuilletClient::tQuilletClient(HWND window, bool wrap) : wnd(window), autoWrap(wrap) {
    app.client = this;
    try {
        laptopMode = GetConfigDword(kConfig, "LaptopMode", 0) != 0;
        laptopSavePeriod = GetConfigDword(kConfig, "LaptopSavePeriod", laptopMode ? 5 : 1);
        useSmartContextMenus = GetConfigDword(kConfig, "UseSmartContextMenus", 1) != 0;

        findDialog = new tFindReplaceDlg(wnd);

        contextMenu = LoadMenuA(app.hInstance, "CONTEXT_MENU");
        Check(contextMenu != nullptr);
        editMenu = GetSubMenu(contextMenu, 0);
        urlMenu = GetSubMenu(contextMenu, 1);
        Check(editMenu != nullptr && urlMenu != nullptr);

        if (!LoadFile()) throw tNotAFileException{};
        FillTrayData();

        RECT area;
        GetClientRect(wnd, &area);
        tabWnd = CreateWindowExA(0, WC_TABCONTROLA, "",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                     TCS_MULTILINE,
                                 0, 0, area.right, area.bottom, wnd, nullptr, app.hInstance,
                                 nullptr);
        Check(tabWnd != nullptr);
        tabStrip.Attach(tabWnd);
        CreateEditControl();
        PresentFile();
        UpdateTrayIcon(true);
        FillOptionsSheet(optionsSheet, optionsPages, wnd);
    } catch (...) {
        // Creation failed: release what was made, leave no client behind.
        ReleaseResources();
        app.client = nullptr;
        throw;
    }
}

void tQuilletClient::FlushBeforeClose() {
    delete findDialog;
    findDialog = nullptr;
    if (contextMenu) DestroyMenu(contextMenu);
    contextMenu = nullptr;
    FlushOrRescue();
    if (saveTimer) KillTimer(wnd, saveTimer);
    saveTimer = 0;
}

tQuilletClient::~tQuilletClient() {
    ReleaseResources();
    RemoveTrayIcon();
    if (app.client == this) app.client = nullptr;
}

// Everything the client owns, in the order it gives it back.
void tQuilletClient::ReleaseResources() {
    delete findDialog;
    findDialog = nullptr;
    if (contextMenu) DestroyMenu(contextMenu);
    contextMenu = nullptr;
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = nullptr;
    if (tabWnd) DestroyWindow(tabWnd);
    tabWnd = nullptr;
    if (editWnd) DestroyWindow(editWnd);
    editWnd = nullptr;
    if (textFont) DeleteObject(textFont);
    textFont = nullptr;
    if (tabFont) DeleteObject(tabFont);
    tabFont = nullptr;
    delete root;
    root = nullptr;
}

void tQuilletClient::ShowOptions() {
    RunOptionsSheet(optionsSheet);
}

void tQuilletClient::Layout() {
    RECT area;
    GetClientRect(wnd, &area);
    RECT display = tabStrip.Fit(area);
    Check(SetWindowPos(editWnd, HWND_TOP, display.left, display.top, display.right - display.left,
                       display.bottom - display.top, SWP_NOACTIVATE) != 0);
}

void tQuilletClient::RebuildTabs() {
    tabStrip.Fill(topics);
    Layout();
}

void tQuilletClient::SelectTab(int index) {
    Check(tabStrip.Select(index));
}

void tQuilletClient::PresentFile() {
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = CreateSolidBrush(backgroundColour);
    currentTopic = 0;
    RebuildTabs();
    SendMessageA(editWnd, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
    SendMessageA(tabWnd, WM_SETFONT, reinterpret_cast<WPARAM>(tabFont), FALSE);
    if (topics.empty()) {
        // Nothing to show: an index with no names opens read-only until a topic is added.
        SetWindowTextA(editWnd, "");
        EnableWindow(editWnd, FALSE);
        return;
    }
    EnableWindow(editWnd, TRUE);
    topics[0].ShowText(editWnd);
}

void tQuilletClient::ShowTopic(int index) {
    if (index < 0 || size_t(index) >= topics.size()) return;
    tTopic& topic = topics[index];
    EnableWindow(editWnd, TRUE);
    topic.ShowText(editWnd);
    currentTopic = index;
    SendMessageA(editWnd, EM_LINESCROLL, 0, topic.firstVisibleLine);
    SendMessageA(editWnd, EM_SETSEL, topic.selStart, topic.selEnd);
    SendMessageA(editWnd, EM_SCROLLCARET, 0, 0);
}

void tQuilletClient::ShowSelectedTopic() {
    SaveTopics(false);
    ShowTopic(tabStrip.Selected());
}

namespace {

LRESULT OnCreate(HWND wnd) {
    bool wrap = GetConfigDword(kConfig, "AutoWrap", 0) != 0;
    try {
        new tQuilletClient(wnd, wrap);
    } catch (const tNotAFileException&) {
        app.client = nullptr;
        app.clientEnabled = false;
    }
    return 0;
}

void OnEditNotification(HWND control, UINT id, UINT code) {
    if (!control || id != kEditControlId || !app.client) return;
    switch (code) {
    case EN_KILLFOCUS: app.client->SaveTopics(false); break;
    case EN_CHANGE: app.client->OnTextChanged(); break;
    case EN_MAXTEXT: app.client->OnMaxText(); break;
    }
}

void OnNotify(const NMHDR* header) {
    if (header && app.client && header->hwndFrom == app.client->tabWnd && header->code == TCN_SELCHANGE)
        app.client->ShowSelectedTopic();
}

// Handles one message; false sends it on to the default procedure.
bool Dispatch(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (message == WM_CREATE) {
        result = OnCreate(wnd);
        return true;
    }
    tQuilletClient* client = app.client;
    if (!client) return false;
    switch (message) {
    case WM_SIZE: client->Layout(); return true;
    case WM_SETFOCUS: SetFocus(client->editWnd); return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: OnNotify(reinterpret_cast<NMHDR*>(lParam)); return false;
    case WM_COMMAND:
        OnEditNotification(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
        return false;
    case WM_TIMER: client->OnSaveTimer(); return true;
    case kWriteRefusedMessage:
        if (client->reportPending) {
            client->reportPending = false;
            client->ReportWriteRefused();
        }
        return true;
    case WM_CTLCOLOREDIT:
        result = reinterpret_cast<LRESULT>(client->OnCtlColorEdit(reinterpret_cast<HDC>(wParam)));
        return true;
    default:
        if (message != 0 && message == app.findMessageId) {
            client->OnFindReplaceMessage(lParam);
            return true;
        }
        return false;
    }
}

}  // namespace

LRESULT CALLBACK ClientWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!app.clientEnabled) return DefWindowProcA(wnd, message, wParam, lParam);
    return HandleGuarded(Dispatch, wnd, message, wParam, lParam);
}
