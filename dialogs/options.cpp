#include "dialogs/options.h"
#include "app/errors.h"
#include "app/globals.h"
#include "app/settings.h"
#include "client/client.h"
#include "dialogs/help.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <exception>

namespace {

const DWORD kConfigHelp[] = {102, 35, 104, 40, 103, 40, 101, 41, 105, 40, 106, 45, 0, 0};
const DWORD kAppearanceHelp[] = {105, 19, 101, 38, 104, 39, 103, 36, 102, 37, 0, 0};

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

bool ApplyConfigPage(HWND page) {
    tQuilletClient* client = app.client;
    if (IsTicked(page, IDC_CONFIG_LAPTOP_MODE)) {
        BOOL isNumber = FALSE;
        UINT minutes = GetDlgItemInt(page, IDC_CONFIG_PERIOD, &isNumber, FALSE);
        if (!SavePeriodAcceptable(isNumber != FALSE, minutes)) {
            MessageBoxA(page, "Save timeout must be between 1 minute and 60 minutes.", kAppCaption,
                        MB_ICONWARNING);
            SetResult(page, PSNRET_INVALID);
            return true;
        }
        if (client) client->SetLaptopOptions(true, minutes);
    } else if (client) {
        client->SetLaptopOptions(false, 1);
    }

    bool wasDefault = app.isDefaultFile;
    app.isDefaultFile = IsTicked(page, IDC_CONFIG_DEFAULT_FILE);
    if (app.isDefaultFile)
        SetConfigString(kConfig, "DefaultFile", app.filePath.c_str());
    else if (wasDefault)
        SetConfigString(kConfig, "DefaultFile", "");

    if (client) client->SetSmartContextMenus(IsTicked(page, IDC_CONFIG_SMART_MENUS));

    app.runAtStartup = IsTicked(page, IDC_CONFIG_RUN_AT_STARTUP);
    if (app.runAtStartup)
        SetRunValue(app.programPath);
    else
        DeleteRunValue();
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

INT_PTR OnAppearanceCommand(HWND page, int id) {
    tQuilletClient* client = app.client;
    if (!client) return FALSE;
    switch (id) {
    case IDC_APPEARANCE_TEXT_FONT: client->ChooseTextFont(page); return TRUE;
    case IDC_APPEARANCE_BACKGROUND: client->ChooseBackgroundColour(page); return TRUE;
    case IDC_APPEARANCE_TEXT_COLOUR: client->ChooseTextColour(page); return TRUE;
    case IDC_APPEARANCE_TAB_FONT: client->ChooseTabFont(page); return TRUE;
    case IDC_APPEARANCE_WRAP: MarkChanged(page); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

bool SavePeriodAcceptable(bool isNumber, unsigned minutes) {
    return isNumber && minutes >= 1 && minutes <= 60;
}

void InitConfigPage(HWND page) {
    tQuilletClient* client = app.client;
    bool laptop = client && client->laptopMode;
    CheckBox(page, IDC_CONFIG_DEFAULT_FILE, app.isDefaultFile);
    HWND arrows = GetDlgItem(page, IDC_CONFIG_PERIOD_ARROWS);
    SendMessageA(arrows, UDM_SETRANGE, 0, MAKELPARAM(60, 1));
    SendMessageA(arrows, UDM_SETPOS, 0, MAKELPARAM(LOWORD(client ? client->laptopSavePeriod : 1), 0));
    CheckBox(page, IDC_CONFIG_LAPTOP_MODE, laptop);
    EnablePeriod(page, laptop);
    CheckBox(page, IDC_CONFIG_RUN_AT_STARTUP, app.runAtStartup);
    CheckBox(page, IDC_CONFIG_SMART_MENUS, client && client->useSmartContextMenus);
}

void InitAppearancePage(HWND page) {
    CheckBox(page, IDC_APPEARANCE_WRAP, app.client && app.client->autoWrap);
}

static INT_PTR ConfigPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitConfigPage(page);
        return TRUE;
    case WM_COMMAND:
        return OnConfigCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_RESET) {
            InitConfigPage(page);
            return FALSE;
        }
        if (header->code == PSN_APPLY) return ApplyConfigPage(page);
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

static INT_PTR AppearancePageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitAppearancePage(page);
        return TRUE;
    case WM_COMMAND:
        return OnAppearanceCommand(page, LOWORD(wParam));
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_RESET) InitAppearancePage(page);
        if (header->code == PSN_APPLY && app.client)
            app.client->SetAutoWrap(IsTicked(page, IDC_APPEARANCE_WRAP));
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

namespace {

// An error must not unwind through the system's property-sheet code: it is
// kept, the sheet is closed, and ShowOptions throws it once the sheet is gone.
std::exception_ptr pendingFailure;

INT_PTR Guarded(INT_PTR (*handler)(HWND, UINT, WPARAM, LPARAM), HWND page, UINT message,
                WPARAM wParam, LPARAM lParam) {
    try {
        return handler(page, message, wParam, lParam);
    } catch (...) {
        if (!pendingFailure) pendingFailure = std::current_exception();
        PostMessageA(GetParent(page), WM_COMMAND, IDCANCEL, 0);
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK ConfigPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(ConfigPageMessage, page, message, wParam, lParam);
}

INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(AppearancePageMessage, page, message, wParam, lParam);
}

void RunOptionsSheet(PROPSHEETHEADERA& sheet) {
    pendingFailure = nullptr;
    INT_PTR result = PropertySheetA(&sheet);
    if (pendingFailure) {
        std::exception_ptr failure = pendingFailure;
        pendingFailure = nullptr;
        std::rethrow_exception(failure);
    }
    Check(result != -1);
}

void FillOptionsSheet(PROPSHEETHEADERA& sheet, PROPSHEETPAGEA (&pages)[2], HWND parent) {
    const struct { int dialog; DLGPROC procedure; } layout[2] = {
        {IDD_APPEARANCE, AppearancePageProc}, {IDD_CONFIGURATION, ConfigPageProc}};
    for (int i = 0; i < 2; ++i) {
        pages[i] = {};
        // The sheet steps through the array by each page's size, so the size
        // must be the array's element size.
        pages[i].dwSize = sizeof(PROPSHEETPAGEA);
        pages[i].hInstance = app.hInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(layout[i].dialog);
        pages[i].pfnDlgProc = layout[i].procedure;
    }
    sheet = {};
    sheet.dwSize = PROPSHEETHEADERA_V1_SIZE;
    sheet.dwFlags = PSH_PROPSHEETPAGE;
    sheet.hwndParent = parent;
    sheet.hInstance = app.hInstance;
    sheet.pszCaption = "Quillet Options";
    sheet.nPages = 2;
    sheet.nStartPage = 0;
    sheet.ppsp = pages;
}
