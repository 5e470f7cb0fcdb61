// Colours and fonts of the notes, chosen with the standard dialogs and kept in the note file.
#include "app/errors.h"
#include "app/globals.h"
#include "client/client.h"
#include <commdlg.h>

namespace {

constexpr const char* kCannotMake =
    "An error has ocurred with your system.  It is recommended that you restart your computer "
    "and try launching Quillet again.";

bool AskForColour(HWND owner, COLORREF& colour, COLORREF* customColours) {
    CHOOSECOLORA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.rgbResult = colour;
    dialog.lpCustColors = customColours;
    dialog.Flags = CC_RGBINIT;
    if (!ChooseColorA(&dialog)) return false;
    colour = dialog.rgbResult;
    return true;
}

bool AskForFont(HWND owner, LOGFONTA& description, bool controlHasFont) {
    CHOOSEFONTA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &description;
    dialog.Flags = CF_SCREENFONTS | CF_FORCEFONTEXIST | (controlHasFont ? CF_INITTOLOGFONTSTRUCT : 0);
    return ChooseFontA(&dialog) != FALSE;
}

void Repaint(HWND control) {
    Check(InvalidateRect(control, nullptr, TRUE) != 0);
    UpdateWindow(control);
}

}  // namespace

HBRUSH tQuilletClient::OnCtlColorEdit(HDC dc) {
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = CreateSolidBrush(GetNearestColor(dc, backgroundColour));
    SetBkColor(dc, backgroundColour);
    SetTextColor(dc, textColour);
    return backgroundBrush;
}

void tQuilletClient::ChooseBackgroundColour(HWND owner) {
    if (!AskForColour(owner, backgroundColour, customColours)) return;
    HBRUSH brush = CreateSolidBrush(backgroundColour);
    if (brush) {
        if (backgroundBrush) DeleteObject(backgroundBrush);
        backgroundBrush = brush;
        InvalidateRect(editWnd, nullptr, TRUE);
        UpdateWindow(editWnd);
    } else {
        MessageBoxA(wnd, kCannotMake, kAppCaption, MB_ICONEXCLAMATION);
    }
    WriteAppearance();
    UpdateTrayIcon(false);
}

void tQuilletClient::ChooseTextColour(HWND owner) {
    if (!AskForColour(owner, textColour, customColours)) return;
    Repaint(editWnd);
    WriteAppearance();
}

void tQuilletClient::ChooseFontFor(HWND owner, HWND control, LOGFONTA& description, HFONT& font) {
    if (!AskForFont(owner, description, font != nullptr)) return;
    HFONT made = CreateFontIndirectA(&description);
    if (made) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
        Repaint(control);
        if (font) DeleteObject(font);
        font = made;
    } else {
        MessageBoxA(wnd, kCannotMake, kAppCaption, MB_ICONEXCLAMATION);
    }
    WriteAppearance();
}

void tQuilletClient::ChooseTextFont(HWND owner) { ChooseFontFor(owner, editWnd, textLogFont, textFont); }

void tQuilletClient::ChooseTabFont(HWND owner) {
    ChooseFontFor(owner, tabWnd, tabLogFont, tabFont);
    Layout();
}
