// Colours and fonts of the notes, chosen with the standard dialogs and kept in the note file.
#include "base/errors.h"
#include "base/fatal.h"
#include "base/names.h"
#include "client/client.h"
#include <commdlg.h>

namespace {

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
    backgroundBrush.reset(CreateSolidBrush(GetNearestColor(dc, backgroundColour)));
    SetBkColor(dc, backgroundColour);
    SetTextColor(dc, textColour);
    return backgroundBrush.get();
}

void tQuilletClient::ChooseBackgroundColour(HWND owner) {
    if (!AskForColour(owner, backgroundColour, customColours)) return;
    tBrush brush(CreateSolidBrush(backgroundColour));
    if (brush) {
        backgroundBrush = std::move(brush);
        InvalidateRect(editWnd, nullptr, TRUE);
        UpdateWindow(editWnd);
    } else {
        MessageBoxA(wnd, kFatalErrorText, kAppCaption, MB_ICONEXCLAMATION);
    }
    WriteAppearance();
    UpdateTrayIcon(false);
}

void tQuilletClient::ChooseTextColour(HWND owner) {
    if (!AskForColour(owner, textColour, customColours)) return;
    Repaint(editWnd);
    WriteAppearance();
}

void tQuilletClient::ChooseFontFor(HWND owner, HWND control, LOGFONTA& description, tFont& font) {
    if (!AskForFont(owner, description, bool(font))) return;
    tFont made(CreateFontIndirectA(&description));
    if (made) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), FALSE);
        Repaint(control);
        font = std::move(made);
    } else {
        MessageBoxA(wnd, kFatalErrorText, kAppCaption, MB_ICONEXCLAMATION);
    }
    WriteAppearance();
}

void tQuilletClient::ChooseTextFont(HWND owner) { ChooseFontFor(owner, editWnd, textLogFont, textFont); }

void tQuilletClient::ChooseTabFont(HWND owner) {
    ChooseFontFor(owner, tabWnd, tabLogFont, tabFont);
    Layout();
}
