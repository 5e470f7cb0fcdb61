#include "client/client.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/settings.h"
#include "client/edit.h"
#include "client/guard.h"

tQuilletClient::tQuilletClient(HWND window, bool wrap, const tClientSettings& given,
                               tNoteFile&& file)
    : wnd(window), autoWrap(wrap), settings(given) {
    // Found from its window from the first message its controls send.
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    try {
        Create(std::move(file));
    } catch (...) {
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        throw;
    }
}

void tQuilletClient::Create(tNoteFile&& file) {
    laptopMode = GetConfigDword(kConfig, "LaptopMode", 0) != 0;
    laptopSavePeriod = GetConfigDword(kConfig, "LaptopSavePeriod", laptopMode ? 5 : 1);
    useSmartContextMenus = GetConfigDword(kConfig, "UseSmartContextMenus", 1) != 0;

    findDialog = std::make_unique<tFindReplaceDlg>(wnd);

    contextMenu.reset(LoadMenuA(GetModuleHandleA(nullptr), "CONTEXT_MENU"));
    Check(bool(contextMenu));
    editMenu = GetSubMenu(contextMenu.get(), 0);
    urlMenu = GetSubMenu(contextMenu.get(), 1);
    Check(editMenu != nullptr && urlMenu != nullptr);

    TakeOver(std::move(file));
    FillTrayData();

    RECT area;
    GetClientRect(wnd, &area);
    tabWnd = CreateWindowExA(0, WC_TABCONTROLA, "",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                 TCS_MULTILINE,
                             0, 0, area.right, area.bottom, wnd, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    Check(tabWnd != nullptr);
    tabStrip.Attach(tabWnd);
    CreateEditControl();
    PresentFile();
    UpdateTrayIcon(true);
    InstallHooks();
}

// The client learns of every write to a note file, and the fatal path saves its topics.
void tQuilletClient::InstallHooks() {
    SetWriteHook([this] { uncommitted = true; });
    SetEmergencySave([this] { EmergencySave(); });
}

void tQuilletClient::FlushBeforeClose() {
    findDialog.reset();
    findAll.reset();
    contextMenu.reset();
    FlushOrRescue();
    if (saveTimer) KillTimer(wnd, saveTimer);
    saveTimer = 0;
}

// The controls go before the fonts and the brush they use.
tQuilletClient::~tQuilletClient() {
    if (ClientOfWindow(wnd) == this) SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    SetWriteHook(nullptr);
    SetEmergencySave(nullptr);
    findDialog.reset();
    findAll.reset();
    if (tabWnd) DestroyWindow(tabWnd);
    if (editWnd) DestroyWindow(editWnd);
    RemoveTrayIcon();
}

HWND tQuilletClient::FindDialogWindow() const {
    return findDialog ? findDialog->Window() : nullptr;
}

void tQuilletClient::SetTitle(const std::string& title) { titleText = title; }

void tQuilletClient::Layout() {
    RECT area;
    GetClientRect(wnd, &area);
    RECT display = tabStrip.Fit(area);
    Check(SetWindowPos(editWnd, HWND_TOP, display.left, display.top, display.right - display.left,
                       display.bottom - display.top, SWP_NOACTIVATE) != 0);
}

void tQuilletClient::RebuildTabs() {
    tabStrip.Fill(notebook.topics);
    Layout();
}

void tQuilletClient::SelectTab(int index) {
    Check(tabStrip.Select(index));
}

void tQuilletClient::PresentFile() {
    backgroundBrush.reset(CreateSolidBrush(backgroundColour));
    notebook.Select(0);
    RebuildTabs();
    SendMessageA(editWnd, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), FALSE);
    SendMessageA(tabWnd, WM_SETFONT, reinterpret_cast<WPARAM>(tabFont.get()), FALSE);
    if (notebook.Empty()) {
        // Nothing to show: an index with no names opens read-only until a topic is added.
        SetWindowTextA(editWnd, "");
        EnableWindow(editWnd, FALSE);
        return;
    }
    EnableWindow(editWnd, TRUE);
    SetWindowTextA(editWnd, notebook.topics[0].text.c_str());
}

void tQuilletClient::ShowTopic(int index) {
    if (index < 0 || size_t(index) >= notebook.topics.size()) return;
    tTopic& topic = notebook.topics[size_t(index)];
    EnableWindow(editWnd, TRUE);
    SetWindowTextA(editWnd, topic.text.c_str());
    notebook.Select(index);
    SendMessageA(editWnd, EM_LINESCROLL, 0, topic.firstVisibleLine);
    SendMessageA(editWnd, EM_SETSEL, topic.selStart, topic.selEnd);
    SendMessageA(editWnd, EM_SCROLLCARET, 0, 0);
}

void tQuilletClient::ShowSelectedTopic() {
    SaveTopics(false);
    ShowTopic(tabStrip.Selected());
}

tQuilletClient* ClientOfWindow(HWND clientWnd) {
    return clientWnd ? reinterpret_cast<tQuilletClient*>(GetWindowLongPtrA(clientWnd, GWLP_USERDATA))
                     : nullptr;
}

namespace {

LRESULT OnCreate(HWND wnd, const CREATESTRUCTA* create) {
    auto* creation = static_cast<tClientCreation*>(create->lpCreateParams);
    if (!creation || !creation->file) return -1;
    bool wrap = GetConfigDword(kConfig, "AutoWrap", 0) != 0;
    new tQuilletClient(wnd, wrap, creation->settings, std::move(*creation->file));
    return 0;
}

void OnEditNotification(tQuilletClient& client, HWND control, UINT id, UINT code) {
    if (!control || id != kEditControlId) return;
    switch (code) {
    case EN_KILLFOCUS: client.SaveTopics(false); break;
    case EN_CHANGE:
        client.OnTextChanged();
        client.TopicsChanged();
        break;
    case EN_MAXTEXT: client.OnMaxText(); break;
    }
}

void OnNotify(tQuilletClient& client, const NMHDR* header) {
    if (header && header->hwndFrom == client.tabWnd && header->code == TCN_SELCHANGE)
        client.ShowSelectedTopic();
}

// Handles one message; false sends it on to the default procedure.
bool Dispatch(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (message == WM_CREATE) {
        result = OnCreate(wnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return true;
    }
    tQuilletClient* client = ClientOfWindow(wnd);
    if (!client) return false;
    switch (message) {
    case WM_SIZE: client->Layout(); return true;
    case WM_SETFOCUS: SetFocus(client->editWnd); return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: OnNotify(*client, reinterpret_cast<NMHDR*>(lParam)); return false;
    case WM_COMMAND:
        OnEditNotification(*client, reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                           HIWORD(wParam));
        return false;
    case WM_TIMER: client->OnSaveTimer(); return true;
    case kFindAllMessage: client->OnFindAllRequest(wParam, lParam); return true;
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
        if (client->findDialog && client->findDialog->IsItsMessage(message)) {
            client->OnFindReplaceMessage(lParam);
            return true;
        }
        return false;
    }
}

}  // namespace

LRESULT CALLBACK ClientWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleGuarded(Dispatch, wnd, wnd, message, wParam, lParam);
}

void DeleteClient(HWND clientWnd) {
    tQuilletClient* client = ClientOfWindow(clientWnd);
    if (!client) return;
    client->FlushBeforeClose();
    delete client;
}
