#include "client/appearance.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/names.h"
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

// A font made from a description; none when the height is 0 or creation fails.
tFont MakeFont(const LOGFONTA& description) {
    if (description.lfHeight == 0) return tFont();
    return tFont(CreateFontIndirectA(&description));
}

// What the program shows when a GDI object cannot be made.
void CannotMake(HWND owner) {
    MessageBoxA(owner, kFatalErrorText, kAppCaption, MB_ICONEXCLAMATION);
}

}  // namespace

tAppearance::tAppearance() {
    SetDefaultColours(record_);
    brush_.reset(CreateSolidBrush(record_.backgroundColour));
}

tAppearance::tRetired tAppearance::TakeOver(const tAppearanceRecord& record,
                                            const tFontRecords& fonts) {
    tRetired retired;
    record_ = record;
    brush_.reset(CreateSolidBrush(record_.backgroundColour));
    if (fonts.text != tFontRecord::untouched) {
        retired.text = std::move(textFont_);
        textFont_ = fonts.text == tFontRecord::chosen ? MakeFont(record_.textLogFont) : tFont();
    }
    if (fonts.tab != tFontRecord::untouched) {
        retired.tab = std::move(tabFont_);
        tabFont_ = fonts.tab == tFontRecord::chosen ? MakeFont(record_.tabLogFont) : tFont();
    }
    return retired;
}

HBRUSH tAppearance::ColoursFor(HDC dc) {
    brush_.reset(CreateSolidBrush(GetNearestColor(dc, record_.backgroundColour)));
    SetBkColor(dc, record_.backgroundColour);
    SetTextColor(dc, record_.textColour);
    return brush_.get();
}

bool tAppearance::ChooseBackground(HWND owner) {
    if (!AskForColour(owner, record_.backgroundColour, record_.customColours)) return false;
    tBrush brush(CreateSolidBrush(record_.backgroundColour));
    if (brush)
        brush_ = std::move(brush);
    else
        CannotMake(owner);
    return true;
}

bool tAppearance::ChooseTextColour(HWND owner) {
    return AskForColour(owner, record_.textColour, record_.customColours);
}

bool tAppearance::ChooseFont(HWND owner, LOGFONTA& description, tFont& font, tFont& retired) {
    if (!AskForFont(owner, description, bool(font))) return false;
    tFont made(CreateFontIndirectA(&description));
    if (made) {
        retired = std::move(font);
        font = std::move(made);
    } else {
        CannotMake(owner);
    }
    return true;
}

bool tAppearance::ChooseTextFont(HWND owner, tFont& retired) {
    return ChooseFont(owner, record_.textLogFont, textFont_, retired);
}

bool tAppearance::ChooseTabFont(HWND owner, tFont& retired) {
    return ChooseFont(owner, record_.tabLogFont, tabFont_, retired);
}
