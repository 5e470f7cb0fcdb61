#include "print/page_gdi.h"
#include <algorithm>
#include <climits>
#include "base/errors.h"

namespace {

const RECT kNoMargins = {0, 0, 0, 0};

float Ratio(int printer, int screen) {
    return screen > 0 ? static_cast<float>(printer) / static_cast<float>(screen) : 1.0f;
}

// Font descriptions are kept for the screen; the printer has more pixels to the inch.
HFONT CreateScaledFont(const LOGFONTA& screenFont, float xScale, float yScale) {
    LOGFONTA printerFont = screenFont;
    printerFont.lfHeight = ScaleFontSize(screenFont.lfHeight, yScale);
    printerFont.lfWidth = ScaleFontSize(screenFont.lfWidth, xScale);
    return CreateFontIndirectA(&printerFont);  // none: the DC's own font stands in
}

// Margins come from the settings and may be anything: no int overflow may
// turn two huge margins into a wide page.
int SpaceBetween(int size, LONG before, LONG after) {
    const long long space = static_cast<long long>(size) - before - after;
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, space)));
}

int TextHeight(HDC dc, int* aveCharWidth) {
    TEXTMETRICA tm;
    Check(GetTextMetricsA(dc, &tm) != FALSE);
    if (aveCharWidth) *aveCharWidth = tm.tmAveCharWidth;
    return tm.tmHeight;
}

}  // namespace

LONG ScaleFontSize(LONG size, float scale) {
    const double scaled = static_cast<double>(static_cast<float>(size) * scale);
    if (scaled >= static_cast<double>(LONG_MAX)) return LONG_MAX;
    if (scaled <= static_cast<double>(LONG_MIN)) return LONG_MIN;
    return static_cast<LONG>(scaled);
}

tPrintMetrics::tPrintMetrics(HDC printerDc, const LOGFONTA* textLogFont,
                             const LOGFONTA* titleLogFont, const RECT* pageMargins)
    : hdc(printerDc), margins(pageMargins ? pageMargins : &kNoMargins) {
    const int pdy = GetDeviceCaps(hdc, LOGPIXELSY);
    const int pdx = GetDeviceCaps(hdc, LOGPIXELSX);
    {
        tDC screen(CreateICA("DISPLAY", nullptr, nullptr, nullptr));
        Check(static_cast<bool>(screen));
        const float yScale = Ratio(pdy, GetDeviceCaps(screen.get(), LOGPIXELSY));
        const float xScale = Ratio(pdx, GetDeviceCaps(screen.get(), LOGPIXELSX));
        if (textLogFont) bodyFont.reset(CreateScaledFont(*textLogFont, xScale, yScale));
        if (titleLogFont) titleFont.reset(CreateScaledFont(*titleLogFont, xScale, yScale));
    }
    printWidth = SpaceBetween(GetDeviceCaps(hdc, HORZRES), margins->left, margins->right);
    printHeight = SpaceBetween(GetDeviceCaps(hdc, VERTRES), margins->top, margins->bottom);
    try {
        int aveCharWidth = 0;
        SelectBodyFont();
        lineHeight = TextHeight(hdc, &aveCharWidth);
        tabStop = aveCharWidth * 8;
        SelectTitleFont();
        titleHeight = TextHeight(hdc, nullptr);
        RestoreFont();
    } catch (...) {
        RestoreFont();  // our fonts must leave the DC before they are deleted
        throw;
    }
    titleGap = titleHeight;
    indent = pdy > 0 ? static_cast<int>(static_cast<double>(titleHeight) * pdx / pdy) : titleHeight;
}

tPrintMetrics::~tPrintMetrics() {
    RestoreFont();
}

void tPrintMetrics::SelectRoleFont(HFONT font, tSelected role) {
    if (font) {
        if (selected == tSelected::own)
            savedFont = static_cast<HFONT>(SelectObject(hdc, font));
        else if (selected != role)
            SelectObject(hdc, font);
        selected = role;
    } else {
        RestoreFont();  // this role prints in the DC's own font
    }
}

void tPrintMetrics::SelectBodyFont() {
    SelectRoleFont(bodyFont.get(), tSelected::body);
}

void tPrintMetrics::SelectTitleFont() {
    SelectRoleFont(titleFont.get(), tSelected::title);
}

void tPrintMetrics::RestoreFont() {
    if (selected != tSelected::own) SelectObject(hdc, savedFont);
    selected = tSelected::own;
}

tMeasureText BodyTextMeasure(const tPrintMetrics& metrics) {
    const HDC dc = metrics.hdc;
    const tMeasureText runWidth = [dc](const char* run, int length) {
        SIZE size = {0, 0};
        // Like the rest of the measuring, unchecked: a run that cannot be
        // measured takes no room, and the line breaking still ends.
        if (!GetTextExtentPoint32A(dc, run, length, &size)) return 0;
        return static_cast<int>(size.cx);
    };
    const int tabStop = metrics.tabStop;
    return [runWidth, tabStop](const char* text, int length) {
        return MeasureTabbed(text, length, tabStop, runWidth);
    };
}

tPrintableTopic MakePrintableTopic(tPrintMetrics& metrics, const tPrintTopic& topic) {
    metrics.SelectBodyFont();
    tPrintableTopic printable(metrics, topic, BodyTextMeasure(metrics));
    metrics.RestoreFont();
    return printable;
}
