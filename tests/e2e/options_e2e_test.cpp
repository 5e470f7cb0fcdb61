#include "e2e_support.h"
#include <commctrl.h>
#include <prsht.h>

namespace {

constexpr int kApply = 0x3021;  // the property sheet's Apply button
const char* kConfigKey = "Software\\Larkspur Software\\Quillet\\1.00\\Config";

bool ReadDword(const char* name, DWORD& value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 4, type = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                  ERROR_SUCCESS && type == REG_DWORD;
    RegCloseKey(key);
    return ok;
}

std::string ReadString(HKEY root, const char* path, const char* name, bool& present) {
    HKEY key;
    present = false;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char value[600] = {};
    DWORD size = sizeof value;
    present = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
              ERROR_SUCCESS;
    RegCloseKey(key);
    return value;
}

const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class OptionsSheet : public QuilletE2E {
protected:
    void Open(tQuilletProcess& quillet) {
        quillet.PostCommand(CM_OPTIONS);
        ASSERT_TRUE(WaitForDialog(quillet.id(), sheet, "Quillet Options"));
    }
    // The page is created when first shown; find it by a control only it has.
    HWND PageWith(int controlId, const char* controlClass) {
        for (HWND child = FindWindowExA(sheet.wnd, nullptr, "#32770", nullptr); child;
             child = FindWindowExA(sheet.wnd, child, "#32770", nullptr)) {
            char name[64] = {};
            GetClassNameA(GetDlgItem(child, controlId), name, sizeof name);
            if (lstrcmpiA(name, controlClass) == 0) return child;
        }
        return nullptr;
    }
    HWND ShowConfiguration() {
        SendMessageA(sheet.wnd, PSM_SETCURSEL, 1, 0);
        return PageWith(IDC_CONFIG_PERIOD_ARROWS, UPDOWN_CLASSA);
    }
    // What a click on an automatic check box does: toggle, then tell the page.
    void Click(HWND page, int id) {
        HWND box = GetDlgItem(page, id);
        bool on = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageA(box, BM_SETCHECK, on ? BST_UNCHECKED : BST_CHECKED, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    }
    bool Ticked(HWND page, int id) {
        return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void SetPeriod(HWND page, const char* text) {
        SendMessageA(GetDlgItem(page, IDC_CONFIG_PERIOD), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text));
    }
    // Presses Apply and expects the period warning (or none).
    void Apply(tQuilletProcess& quillet, bool expectWarning) {
        HWND apply = GetDlgItem(sheet.wnd, kApply);
        // Without a warning box the click returns once the pages have applied.
        if (!expectWarning) SendMessageA(apply, BM_CLICK, 0, 0);
        else PostMessageA(apply, BM_CLICK, 0, 0);
        if (expectWarning) {
            tForeignDialog warning;
            ASSERT_TRUE(WaitForDialog(quillet.id(), warning, "Quillet"));
            EXPECT_EQ("Save timeout must be between 1 minute and 60 minutes.", warning.text);
            PressButton(warning, IDOK);
        }
        quillet.Sync();
    }
    tForeignDialog sheet;
};

TEST_F(OptionsSheet, LaptopPeriodRulesAndStoredValues) {
    std::string path = dir.File("options.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    Open(quillet);
    HWND page = ShowConfiguration();
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(Ticked(page, IDC_CONFIG_LAPTOP_MODE));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_CONFIG_PERIOD)));
    char shown[16] = {};
    GetDlgItemTextA(page, IDC_CONFIG_PERIOD, shown, sizeof shown);
    EXPECT_STREQ("1", shown);

    Click(page, IDC_CONFIG_LAPTOP_MODE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_CONFIG_PERIOD)));
    for (const char* refused : {"0", "61", ""}) {
        SetPeriod(page, refused);
        Apply(quillet, true);
        DWORD mode = 7;
        EXPECT_FALSE(ReadDword("LaptopMode", mode) && mode == 1) << refused;
    }
    for (const char* accepted : {"1", "60"}) {
        SetPeriod(page, accepted);
        Apply(quillet, false);
        DWORD mode = 0, period = 0;
        ASSERT_TRUE(ReadDword("LaptopMode", mode));
        ASSERT_TRUE(ReadDword("LaptopSavePeriod", period));
        EXPECT_EQ(1u, mode);
        EXPECT_EQ(std::stoul(accepted), period);
    }
    SetPeriod(page, "33");
    Click(page, IDC_CONFIG_LAPTOP_MODE);  // off again: the field is ignored
    Apply(quillet, false);
    DWORD mode = 9, period = 9;
    ASSERT_TRUE(ReadDword("LaptopMode", mode));
    ASSERT_TRUE(ReadDword("LaptopSavePeriod", period));
    EXPECT_EQ(0u, mode);
    EXPECT_EQ(1u, period);

    PressButton(sheet, IDCANCEL);
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

TEST_F(OptionsSheet, DefaultFileAndRunAtStartup) {
    std::string path = dir.File("defaults.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    Open(quillet);
    HWND page = ShowConfiguration();
    ASSERT_NE(nullptr, page);

    Click(page, IDC_CONFIG_DEFAULT_FILE);
    Click(page, IDC_CONFIG_RUN_AT_STARTUP);
    Apply(quillet, false);
    bool present = false;
    EXPECT_EQ(path, ReadString(HKEY_CURRENT_USER, kConfigKey, "DefaultFile", present));
    std::string run = ReadString(HKEY_CURRENT_USER, kRunKey, "Larkspur Software Quillet", present);
    EXPECT_TRUE(present);
    EXPECT_STRCASEEQ(QuilletExePath().c_str(), run.c_str());  // the program path, no quotes
    EXPECT_EQ(std::string::npos, run.find('"'));

    Click(page, IDC_CONFIG_DEFAULT_FILE);
    Click(page, IDC_CONFIG_RUN_AT_STARTUP);
    Apply(quillet, false);
    EXPECT_EQ("", ReadString(HKEY_CURRENT_USER, kConfigKey, "DefaultFile", present));
    EXPECT_TRUE(present);
    ReadString(HKEY_CURRENT_USER, kRunKey, "Larkspur Software Quillet", present);
    EXPECT_FALSE(present);

    PressButton(sheet, IDOK);
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

TEST_F(OptionsSheet, WrapAppliedFromAppearancePageKeepsText) {
    std::string path = dir.File("wrap.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("a line long enough to matter");
    Open(quillet);
    HWND page = PageWith(IDC_APPEARANCE_WRAP, "Button");  // opens on Appearance
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(nullptr, PageWith(IDC_CONFIG_PERIOD_ARROWS, UPDOWN_CLASSA));
    Click(page, IDC_APPEARANCE_WRAP);
    PressButton(sheet, IDOK);
    quillet.Sync();
    DWORD wrap = 0;
    ASSERT_TRUE(ReadDword("AutoWrap", wrap));
    EXPECT_EQ(1u, wrap);
    HWND edit = GetDlgItem(quillet.client(), 1);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(0, GetWindowLongA(edit, GWL_STYLE) & ES_AUTOHSCROLL);
    char text[64] = {};
    SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("a line long enough to matter", text);
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ("a line long enough to matter", ReadNoteOnDisk(path).texts[0]);
}

TEST_F(OptionsSheet, IsModalOverTheFrameAndOpensOnce) {
    std::string path = dir.File("modal.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    Open(quillet);
    EXPECT_FALSE(IsWindowEnabled(quillet.frame()));
    quillet.Command(CM_OPTIONS);  // as another window could still send it
    EXPECT_EQ(1u, Dialogs(quillet.id(), "Quillet Options").size());
    PressButton(sheet, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(quillet.frame()));
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

}  // namespace
