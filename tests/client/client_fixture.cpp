#include "client_fixture.h"
#include <commctrl.h>
#include "base/settings.h"

namespace {
void RegisterClientClass() {
    static bool done = false;
    if (done) return;
    InitCommonControls();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ClientWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClientClassName;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    done = RegisterClassExA(&wc) != 0;
}
}  // namespace

DWORD GetConfigDwordForTest(const char* name) {
    return GetConfigDword(kConfig, name, 0xDEADBEEF);
}

void ClientWindowTest::SetUp() {
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
    RegisterClientClass();
    app.hInstance = GetModuleHandleA(nullptr);
    app.noTray = true;
    app.isDefaultFile = false;
    app.arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
    parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                             app.hInstance, nullptr);
    app.frameWnd = parent;
}

void ClientWindowTest::TearDown() {
    Close();
    DestroyWindow(parent);
    app.frameWnd = nullptr;
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
}

void ClientWindowTest::Open(const std::string& name) {
    app.filePath = dir.File(name);
    // Opened as at start-up: read, or created when missing, before the client is made.
    tNoteFile file;
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    bool isDefault = app.isDefaultFile;
    ASSERT_TRUE(OpenNoteFileFor(parent, app.filePath, isDefault, appearance, file));
    tClientCreation creation;
    creation.settings.frame = parent;
    creation.settings.noTray = true;
    creation.file = &file;
    app.clientWnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClientClassName, "", WS_CHILD | WS_VISIBLE,
                                    0, 0, 600, 400, parent, nullptr, app.hInstance, &creation);
    ASSERT_NE(nullptr, app.clientWnd);
    client = ClientOfWindow(app.clientWnd);
    app.client = client;
    ASSERT_NE(nullptr, client);
}

void ClientWindowTest::Close() {
    if (!app.client) return;
    DeleteClient(app.clientWnd);
    app.client = nullptr;
    client = nullptr;
    DestroyWindow(app.clientWnd);
    app.clientWnd = nullptr;
}

std::vector<std::string> ClientWindowTest::Names() const {
    std::vector<std::string> names;
    for (const tTopic& topic : client->notebook.topics) names.push_back(topic.name);
    return names;
}

std::vector<std::string> ClientWindowTest::TabNames() const {
    std::vector<std::string> names;
    int count = TabCtrl_GetItemCount(client->tabWnd);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(client->tabWnd, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

int ClientWindowTest::SelectedTab() const { return TabCtrl_GetCurSel(client->tabWnd); }

std::string ClientWindowTest::EditText() const {
    char text[4096] = {};
    GetWindowTextA(client->editWnd, text, sizeof text);
    return text;
}

void ClientWindowTest::Type(const std::string& text) {
    for (char c : text) SendMessageA(client->editWnd, WM_CHAR, WPARAM(BYTE(c)), 0);
}
