#include "dialogs/options.h"
#include "base/callback_failure.h"
#include "base/errors.h"
#include "base/names.h"
#include "dialogs/help.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

const DWORD kConfigHelp[] = {
    IDC_CONFIG_RUN_AT_STARTUP, 35, IDC_CONFIG_PERIOD_ARROWS, 40, IDC_CONFIG_LAPTOP_MODE, 40,
    IDC_CONFIG_DEFAULT_FILE, 41, IDC_CONFIG_PERIOD, 40, IDC_CONFIG_SMART_MENUS, 45, 0, 0};
const DWORD kAppearanceHelp[] = {
    IDC_APPEARANCE_WRAP, 19, IDC_APPEARANCE_TEXT_FONT, 38, IDC_APPEARANCE_TAB_FONT, 39,
    IDC_APPEARANCE_TEXT_COLOUR, 36, IDC_APPEARANCE_BACKGROUND, 37, 0, 0};

// Kept with each page from WM_INITDIALOG on.
struct tOptionsData {
    tOptionsOwner* owner;
    // Exceptions must not unwind through the property sheet: the first is
    // kept and thrown once the sheet is gone.
    tCallbackFailure failure;
};

tOptionsData* DataOf(HWND page) {
    return reinterpret_cast<tOptionsData*>(GetWindowLongPtrA(page, GWLP_USERDATA));
}

void MarkChanged(HWND page) {
    SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void CheckBox(HWND page, int id, bool on) {
    Check(CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED) != 0);
}

bool IsTicked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void EnablePeriod(HWND page, bool on) {
    EnableWindow(GetDlgItem(page, IDC_CONFIG_PERIOD), on);
    EnableWindow(GetDlgItem(page, IDC_CONFIG_PERIOD_ARROWS), on);
}

void SetResult(HWND page, LONG_PTR result) { SetWindowLongPtrA(page, DWLP_MSGRESULT, result); }

bool ApplyConfigPage(HWND page, tOptionsOwner& owner) {
    if (IsTicked(page, IDC_CONFIG_LAPTOP_MODE)) {
        BOOL isNumber = FALSE;
        UINT minutes = GetDlgItemInt(page, IDC_CONFIG_PERIOD, &isNumber, FALSE);
        if (!SavePeriodAcceptable(isNumber != FALSE, minutes)) {
            MessageBoxA(page, "Save timeout must be between 1 minute and 60 minutes.", kAppCaption,
                        MB_ICONWARNING);
            SetResult(page, PSNRET_INVALID);
            return true;
        }
        owner.SetLaptopOptions(true, minutes);
    } else {
        owner.SetLaptopOptions(false, 1);
    }
    owner.SetDefaultFile(IsTicked(page, IDC_CONFIG_DEFAULT_FILE));
    owner.SetSmartContextMenus(IsTicked(page, IDC_CONFIG_SMART_MENUS));
    owner.SetRunAtStartup(IsTicked(page, IDC_CONFIG_RUN_AT_STARTUP));
    SetResult(page, PSNRET_NOERROR);
    return true;
}

INT_PTR OnConfigCommand(HWND page, int id, UINT code) {
    switch (id) {
    case IDC_CONFIG_DEFAULT_FILE:
    case IDC_CONFIG_RUN_AT_STARTUP:
    case IDC_CONFIG_PERIOD_ARROWS:
    case IDC_CONFIG_SMART_MENUS:
        MarkChanged(page);
        return TRUE;
    case IDC_CONFIG_LAPTOP_MODE:
        EnablePeriod(page, IsTicked(page, IDC_CONFIG_LAPTOP_MODE));
        MarkChanged(page);
        return TRUE;
    case IDC_CONFIG_PERIOD:
        if (code == EN_CHANGE) MarkChanged(page);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR OnAppearanceCommand(HWND page, tOptionsOwner& owner, int id) {
    switch (id) {
    case IDC_APPEARANCE_TEXT_FONT: owner.ChooseTextFont(page); return TRUE;
    case IDC_APPEARANCE_BACKGROUND: owner.ChooseBackgroundColour(page); return TRUE;
    case IDC_APPEARANCE_TEXT_COLOUR: owner.ChooseTextColour(page); return TRUE;
    case IDC_APPEARANCE_TAB_FONT: owner.ChooseTabFont(page); return TRUE;
    case IDC_APPEARANCE_WRAP: MarkChanged(page); return TRUE;
    default: return FALSE;
    }
}

void InitConfigPage(HWND page, const tOptionsOwner& owner) {
    bool laptop = owner.LaptopMode();
    CheckBox(page, IDC_CONFIG_DEFAULT_FILE, owner.IsDefaultFile());
    HWND arrows = GetDlgItem(page, IDC_CONFIG_PERIOD_ARROWS);
    SendMessageA(arrows, UDM_SETRANGE, 0, MAKELPARAM(60, 1));
    SendMessageA(arrows, UDM_SETPOS, 0, MAKELPARAM(LOWORD(owner.LaptopSavePeriod()), 0));
    CheckBox(page, IDC_CONFIG_LAPTOP_MODE, laptop);
    EnablePeriod(page, laptop);
    CheckBox(page, IDC_CONFIG_RUN_AT_STARTUP, owner.RunAtStartup());
    CheckBox(page, IDC_CONFIG_SMART_MENUS, owner.SmartContextMenus());
}

void InitAppearancePage(HWND page, const tOptionsOwner& owner) {
    CheckBox(page, IDC_APPEARANCE_WRAP, owner.AutoWrap());
}

}  // namespace

bool SavePeriodAcceptable(bool isNumber, unsigned minutes) {
    return isNumber && minutes >= 1 && minutes <= 60;
}

namespace {

INT_PTR ConfigPageMessage(HWND page, tOptionsOwner& owner, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitConfigPage(page, owner);
        return TRUE;
    case WM_COMMAND:
        return OnConfigCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_RESET) {
            InitConfigPage(page, owner);
            return FALSE;
        }
        if (header->code == PSN_APPLY) return ApplyConfigPage(page, owner);
        return FALSE;
    }
    case WM_HELP:
        ShowDialogItemHelp(reinterpret_cast<const HELPINFO*>(lParam), kConfigHelp);
        return FALSE;
    case WM_CONTEXTMENU:
        ShowDialogContextHelp(reinterpret_cast<HWND>(wParam), kConfigHelp);
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR AppearancePageMessage(HWND page, tOptionsOwner& owner, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitAppearancePage(page, owner);
        return TRUE;
    case WM_COMMAND:
        return OnAppearanceCommand(page, owner, LOWORD(wParam));
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_RESET) InitAppearancePage(page, owner);
        if (header->code == PSN_APPLY) owner.SetAutoWrap(IsTicked(page, IDC_APPEARANCE_WRAP));
        return FALSE;
    }
    case WM_HELP:
        ShowDialogItemHelp(reinterpret_cast<const HELPINFO*>(lParam), kAppearanceHelp);
        return FALSE;
    case WM_CONTEXTMENU:
        ShowDialogContextHelp(reinterpret_cast<HWND>(wParam), kAppearanceHelp);
        return FALSE;
    default:
        return FALSE;
    }
}

using tPageHandler = INT_PTR (*)(HWND, tOptionsOwner&, UINT, WPARAM, LPARAM);

INT_PTR Guarded(tPageHandler handler, HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The sheet passes the page's own description, holding our data.
        const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(page, GWLP_USERDATA, description->lParam);
    }
    tOptionsData* data = DataOf(page);
    if (!data) return FALSE;  // nothing of ours happens before WM_INITDIALOG
    return data->failure.Run(
        [&] { return handler(page, *data->owner, message, wParam, lParam); },
        [&] { PostMessageA(GetParent(page), WM_COMMAND, IDCANCEL, 0); }, INT_PTR(FALSE));
}

}  // namespace

INT_PTR CALLBACK ConfigPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(ConfigPageMessage, page, message, wParam, lParam);
}

INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(AppearancePageMessage, page, message, wParam, lParam);
}

void RunOptionsSheet(HWND parent, tOptionsOwner& owner) {
    tOptionsData data{&owner, {}};
    const struct { int dialog; DLGPROC procedure; } layout[2] = {
        {IDD_APPEARANCE, AppearancePageProc}, {IDD_CONFIGURATION, ConfigPageProc}};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    PROPSHEETPAGEA pages[2] = {};
    for (int i = 0; i < 2; ++i) {
        // The sheet steps through the array by each page's size, so the size
        // must be the array's element size.
        pages[i].dwSize = sizeof(PROPSHEETPAGEA);
        pages[i].hInstance = instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(layout[i].dialog);
        pages[i].pfnDlgProc = layout[i].procedure;
        pages[i].lParam = reinterpret_cast<LPARAM>(&data);
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = PROPSHEETHEADERA_V1_SIZE;
    sheet.dwFlags = PSH_PROPSHEETPAGE;
    sheet.hwndParent = parent;
    sheet.hInstance = instance;
    sheet.pszCaption = "Quillet Options";
    sheet.nPages = 2;
    sheet.nStartPage = 0;
    sheet.ppsp = pages;
    INT_PTR result = PropertySheetA(&sheet);
    data.failure.Rethrow();
    Check(result != -1);
}
