#include "print/page_gdi.h"
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>
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

tMeasureText BodyRunMeasure(const tPrintMetrics& metrics) {
    const HDC dc = metrics.hdc;
    return [dc](const char* run, int length) {
        SIZE size = {0, 0};
        // Like the rest of the measuring, unchecked: a run that cannot be
        // measured takes no room, and the line breaking still ends.
        if (!GetTextExtentPoint32A(dc, run, length, &size)) return 0;
        return static_cast<int>(size.cx);
    };
}

tMeasureText BodyTextMeasure(const tPrintMetrics& metrics) {
    const tMeasureText runWidth = BodyRunMeasure(metrics);
    const int tabStop = metrics.tabStop;
    return [runWidth, tabStop](const char* text, int length) {
        return MeasureTabbed(text, length, tabStop, runWidth);
    };
}

tTextWidths WidthsOfRuns(const tMeasureText& runWidth, int tabStop, bool bytesAreCharacters) {
    tTextWidths widths;
    widths.tabStop = tabStop;
    widths.exactRun = runWidth;
    if (!bytesAreCharacters) return widths;
    std::array<int, 256> single{};
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        if (ch != '\t') single[c] = runWidth(&ch, 1);  // a tab never stands in a run
    }
    // What a run takes beyond its characters' own widths: a synthesized
    // italic or bold overhangs once per run, not once per character.
    widths.runExtra = 2 * single['x'] - runWidth("xx", 2);
    for (int c = 0; c < 256; ++c) widths.advance[c] = single[c] - widths.runExtra;

    // The system adds up the characters' advances, but a device may keep
    // fractions and round only the run's total, or kern pairs. The sums stand
    // alone only when they give the device's own width of every character in
    // one run, of text, and of pairs that kern in many fonts.
    std::string every;
    for (int c = 1; c < 256; ++c)
        if (c != '\t') every += static_cast<char>(c);
    const char* const probes[] = {
        every.c_str(),
        "The quick brown fox jumps over the lazy dog, 1234567890 times; THE LAZY DOG.",
        "AVAWATAYLTLVLWLYPAToTaTeVaVeWaWeYaYoffifflr.y,F.P,\"A'A",
    };
    for (const char* probe : probes) {
        const int length = static_cast<int>(std::strlen(probe));
        if (runWidth(probe, length) != SummedWidth(widths, probe, length)) return widths;
    }
    widths.exactRun = nullptr;
    return widths;
}

namespace {

// Whether the font's code page gives one character per byte, so that a
// character's width can be taken alone; in a double-byte code page a lead
// byte and the byte after it are one character.
bool OneBytePerCharacter(HDC dc) {
    CHARSETINFO charset = {};
    UINT codePage = CP_ACP;
    const int set = GetTextCharset(dc);
    if (set != DEFAULT_CHARSET &&
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(set)), &charset,
                             TCI_SRCCHARSET))
        codePage = charset.ciACP;
    CPINFO info = {};
    return GetCPInfo(codePage, &info) && info.MaxCharSize == 1;
}

}  // namespace

tTextWidths BodyTextWidths(tPrintMetrics& metrics, const tMeasureText& runWidth) {
    metrics.SelectBodyFont();
    const tTextWidths widths = WidthsOfRuns(runWidth, metrics.tabStop, OneBytePerCharacter(metrics.hdc));
    metrics.RestoreFont();
    return widths;
}

tTextWidths BodyTextWidths(tPrintMetrics& metrics) {
    return BodyTextWidths(metrics, BodyRunMeasure(metrics));
}

tPrintableTopic MakePrintableTopic(tPrintMetrics& metrics, const tTextWidths& widths,
                                   const tPrintTopic& topic) {
    metrics.SelectBodyFont();
    tPrintableTopic printable(metrics, topic, widths);
    metrics.RestoreFont();
    return printable;
}
