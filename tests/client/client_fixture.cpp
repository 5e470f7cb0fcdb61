#include "client_fixture.h"
#include <commctrl.h>
#include "base/names.h"
#include "base/settings.h"
#include "base/window_text.h"
#include "storage/notefile.h"

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
    parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
}

void ClientWindowTest::TearDown() {
    Close();
    DestroyWindow(parent);
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
}

void ClientWindowTest::Open(const std::string& name) {
    path = dir.File(name);
    // Read, or created when missing, before the client is made, as at start-up.
    tNoteFile file;
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    tReadResult read = OpenNoteFile(path, appearance, file);
    ASSERT_TRUE(read == tReadResult::read ||
                (read == tReadResult::notFound && CreateNoteFile(path, appearance, file)));
    tClientSettings settings;
    settings.frame = parent;
    settings.noTray = true;
    client = std::make_unique<tQuilletClient>(settings, std::move(file), RECT{0, 0, 600, 400});
}

void ClientWindowTest::Close() {
    if (!client) return;
    client->FlushBeforeClose(tQuilletClient::tRescue::offer);
    client.reset();
}

std::vector<std::string> ClientWindowTest::Names() const {
    std::vector<std::string> names;
    for (const tTopic& topic : client->Notebook().Topics()) names.push_back(topic.name);
    return names;
}

std::vector<std::string> ClientWindowTest::TabNames() const {
    std::vector<std::string> names;
    HWND tabs = Tabs();
    int count = TabCtrl_GetItemCount(tabs);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

int ClientWindowTest::SelectedTab() const { return TabCtrl_GetCurSel(Tabs()); }

bool ClientWindowTest::TopicMenuOffers(int id) const {
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), "MAIN_MENU");
    HMENU topic = GetSubMenu(bar, 2);
    client->PrepareMenu(topic, 2);
    bool offered = (GetMenuState(topic, UINT(id), MF_BYCOMMAND) & MF_GRAYED) == 0;
    DestroyMenu(bar);
    return offered;
}

std::string ClientWindowTest::EditText() const { return WindowText(Edit()); }

void ClientWindowTest::Type(const std::string& text) {
    for (char c : text) SendMessageA(Edit(), WM_CHAR, WPARAM(BYTE(c)), 0);
}
