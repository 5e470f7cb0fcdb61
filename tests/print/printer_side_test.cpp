#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>
#include "base/handles.h"
#include "print/page_gdi.h"

namespace {

LOGFONTA Font(int height, int weight) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    std::strcpy(font.lfFaceName, "Arial");
    return font;
}

TEXTMETRICA MetricsOf(HDC dc, const LOGFONTA& description) {
    tFont font(CreateFontIndirectA(&description));
    tSelectObject use(dc, font.get());
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    return tm;
}

HFONT CurrentFont(HDC dc) {
    return static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
}

// A memory DC stands in for the printer: it has the screen's resolution, so
// the fonts are not scaled, and it draws into a bitmap the test can read.
class PrinterSide : public testing::Test {
protected:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 400;

    void SetUp() override {
        dc.reset(CreateCompatibleDC(nullptr));
        ASSERT_TRUE(dc);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        ASSERT_TRUE(bitmap);
        pixels = static_cast<const DWORD*>(bits);
        oldBitmap = SelectObject(dc.get(), bitmap.get());
        PatBlt(dc.get(), 0, 0, kWidth, kHeight, WHITENESS);
        originalFont = CurrentFont(dc.get());
    }
    void TearDown() override {
        if (dc) SelectObject(dc.get(), oldBitmap);
    }

    DWORD Pixel(int x, int y) const {
        GdiFlush();
        return pixels[y * kWidth + x] & 0xFFFFFF;
    }
    bool Dark(int x, int y) const {
        const DWORD p = Pixel(x, y);
        return (p & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && ((p >> 16) & 0xFF) < 0x80;
    }
    bool AnyDark(int left, int top, int right, int bottom) const {
        for (int y = std::max(top, 0); y < std::min(bottom, kHeight); ++y)
            for (int x = std::max(left, 0); x < std::min(right, kWidth); ++x)
                if (Dark(x, y)) return true;
        return false;
    }
    // The memory DC reports the screen's size; the page is the bitmap.
    void FitToBitmap(tPrintMetrics& metrics) const {
        metrics.printWidth = kWidth - margins.left - margins.right;
        metrics.printHeight = kHeight - margins.top - margins.bottom;
    }
    int TitleWidth(tPrintMetrics& metrics, const std::string& title) const {
        metrics.SelectTitleFont();
        SIZE size = {};
        GetTextExtentPoint32A(dc.get(), title.data(), static_cast<int>(title.size()), &size);
        metrics.RestoreFont();
        return size.cx;
    }

    tDC dc;
    tBitmap bitmap;
    HGDIOBJ oldBitmap = nullptr;
    const DWORD* pixels = nullptr;
    HFONT originalFont = nullptr;
    RECT margins = {20, 30, 20, 30};
    LOGFONTA body = Font(-16, FW_NORMAL);
    LOGFONTA title = Font(-28, FW_BOLD);
};

TEST_F(PrinterSide, MetricsMeasureBothFontsOnTheDevice) {
    const TEXTMETRICA bodyTm = MetricsOf(dc.get(), body);
    const TEXTMETRICA titleTm = MetricsOf(dc.get(), title);
    const RECT pageMargins = {10, 20, 30, 40};
    tPrintMetrics metrics(dc.get(), &body, &title, &pageMargins);
    EXPECT_EQ(GetDeviceCaps(dc.get(), HORZRES) - 40, metrics.printWidth);
    EXPECT_EQ(GetDeviceCaps(dc.get(), VERTRES) - 60, metrics.printHeight);
    EXPECT_EQ(bodyTm.tmHeight, metrics.lineHeight);
    EXPECT_EQ(8 * bodyTm.tmAveCharWidth, metrics.tabStop);
    EXPECT_EQ(titleTm.tmHeight, metrics.titleHeight);
    EXPECT_NE(metrics.lineHeight, metrics.titleHeight);
    EXPECT_EQ(metrics.titleHeight, metrics.titleGap);
    EXPECT_EQ(metrics.titleHeight, metrics.indent) << "same resolution both ways";
    EXPECT_EQ(&pageMargins, metrics.margins);
    EXPECT_TRUE(metrics.bodyFont);
    EXPECT_TRUE(metrics.titleFont);
    EXPECT_EQ(tPrintMetrics::tSelected::own, metrics.selected);
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));

    // Stored margins may be anything; two huge ones must not wrap round into a page.
    const RECT hostile = {INT_MAX, INT_MAX, INT_MAX, INT_MAX};
    tPrintMetrics huge(dc.get(), &body, &title, &hostile);
    EXPECT_EQ(INT_MIN, huge.printWidth);
    EXPECT_EQ(INT_MIN, huge.printHeight);
}

TEST_F(PrinterSide, WithoutFontsTheDevicesOwnFontServesBoth) {
    TEXTMETRICA own = {};
    GetTextMetricsA(dc.get(), &own);
    tPrintMetrics metrics(dc.get(), nullptr, nullptr, &margins);
    EXPECT_FALSE(metrics.bodyFont);
    EXPECT_FALSE(metrics.titleFont);
    EXPECT_EQ(own.tmHeight, metrics.lineHeight);
    EXPECT_EQ(own.tmHeight, metrics.titleHeight);
    EXPECT_EQ(8 * own.tmAveCharWidth, metrics.tabStop);
    metrics.SelectTitleFont();
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
    EXPECT_EQ(tPrintMetrics::tSelected::own, metrics.selected);
}

TEST_F(PrinterSide, FontSelectionSwitchesAndRestores) {
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    metrics.SelectBodyFont();
    EXPECT_EQ(metrics.bodyFont.get(), CurrentFont(dc.get()));
    EXPECT_EQ(tPrintMetrics::tSelected::body, metrics.selected);
    metrics.SelectTitleFont();
    EXPECT_EQ(metrics.titleFont.get(), CurrentFont(dc.get()));
    EXPECT_EQ(tPrintMetrics::tSelected::title, metrics.selected);
    metrics.SelectTitleFont();
    EXPECT_EQ(metrics.titleFont.get(), CurrentFont(dc.get()));
    metrics.RestoreFont();
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
    EXPECT_EQ(tPrintMetrics::tSelected::own, metrics.selected);
    metrics.RestoreFont();
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
}

TEST_F(PrinterSide, MissingRoleFontFallsBackToTheDevicesFont) {
    tPrintMetrics metrics(dc.get(), &body, nullptr, &margins);
    metrics.SelectBodyFont();
    metrics.SelectTitleFont();
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
    EXPECT_EQ(tPrintMetrics::tSelected::own, metrics.selected);
    metrics.SelectBodyFont();
    EXPECT_EQ(metrics.bodyFont.get(), CurrentFont(dc.get()));
}

TEST_F(PrinterSide, EndOfJobPutsTheDevicesFontBack) {
    {
        tPrintMetrics metrics(dc.get(), &body, &title, &margins);
        metrics.SelectTitleFont();
    }
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
}

TEST(ScaleFontSize, TruncatesTowardZeroAndStaysInRange) {
    EXPECT_EQ(-81, ScaleFontSize(-13, 6.25f));
    EXPECT_EQ(81, ScaleFontSize(13, 6.25f));
    EXPECT_EQ(-13, ScaleFontSize(-13, 1.0f));
    EXPECT_EQ(0, ScaleFontSize(0, 6.25f));
    EXPECT_EQ(LONG_MAX, ScaleFontSize(LONG_MAX, 6.25f));
    EXPECT_EQ(LONG_MIN, ScaleFontSize(LONG_MIN, 6.25f));
    EXPECT_EQ(LONG_MIN, ScaleFontSize(-400000000, 8.0f));
}

TEST_F(PrinterSide, MeasuringAgreesWithTheSystemsTabbedExtent) {
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    ASSERT_GT(metrics.tabStop, 0);
    metrics.SelectBodyFont();
    const tMeasureText measure = BodyTextMeasure(metrics);
    for (const char* text : {"Hello, world", "a\tb", "\t", "abc\t\tdef", "W\tWWWWWWWWWWWW\tx", ""}) {
        const int length = static_cast<int>(std::strlen(text));
        const DWORD extent = GetTabbedTextExtentA(dc.get(), text, length, 1, &metrics.tabStop);
        EXPECT_EQ(static_cast<int>(LOWORD(extent)), measure(text, length)) << '"' << text << '"';
    }
    metrics.RestoreFont();
}

TEST_F(PrinterSide, SummedWidthsBreakAsTheDeviceMeasures) {
    // Italics lean past their advance, and a bitmap font's synthesized bold
    // italic overhangs once per run; rooms a unit apart put tabs right at the
    // ends of lines. Scaled, the device rounds a run's width only at its end,
    // so its runs are not the sums of their characters.
    LOGFONTA italic = Font(-16, FW_NORMAL);
    italic.lfItalic = TRUE;
    LOGFONTA bitmap = Font(-13, FW_BOLD);
    bitmap.lfItalic = TRUE;
    std::strcpy(bitmap.lfFaceName, "MS Sans Serif");
    const std::string text = "ff\tWAVE fjord\t\tx AVAT\tly \xe9t\xe9\tTo\r\nWW\tW i\ti\tii iii\tffff";
    struct tCase {
        const LOGFONTA& font;
        bool scaled;
    };
    for (const tCase& c : {tCase{italic, false}, tCase{bitmap, false}, tCase{italic, true}}) {
        SCOPED_TRACE(::testing::Message() << c.font.lfFaceName << (c.scaled ? ", scaled" : ""));
        if (c.scaled) {
            SetMapMode(dc.get(), MM_ANISOTROPIC);
            SetWindowExtEx(dc.get(), 2, 2, nullptr);
            SetViewportExtEx(dc.get(), 3, 3, nullptr);
        }
        tPrintMetrics metrics(dc.get(), &c.font, &title, &margins);
        const tTextWidths widths = BodyTextWidths(metrics);
        if (c.scaled) {
            EXPECT_TRUE(widths.exactRun) << "the sums were taken for the device's widths";
        }
        metrics.SelectBodyFont();
        const tMeasureText measure = BodyTextMeasure(metrics);
        ASSERT_GT(metrics.tabStop, 0);
        for (int room = 1; room < 5 * metrics.tabStop; ++room)
            ASSERT_EQ(BreakIntoLines(text, room, measure), BreakIntoLines(text, room, widths))
                << "room " << room;
        metrics.RestoreFont();
        SetMapMode(dc.get(), MM_TEXT);
    }
}

TEST_F(PrinterSide, PrintableTopicLinesFitInTheBodyFont) {
    const RECT narrow = {0, 0, GetDeviceCaps(dc.get(), HORZRES) - 300, 0};
    tPrintMetrics metrics(dc.get(), &body, &title, &narrow);
    ASSERT_EQ(300, metrics.printWidth);
    tPrintTopic topic;
    topic.name = "Reading list";
    std::string text;
    for (int i = 0; i < 60; ++i) text += (i ? " " : "") + std::string(i % 2 ? "novel" : "essays");
    topic.text = text;
    const tPrintableTopic printable = MakePrintableTopic(metrics, BodyTextWidths(metrics), topic);
    EXPECT_EQ("Reading list", printable.name);
    ASSERT_GT(printable.lines.size(), 3u);
    std::string joined;
    metrics.SelectBodyFont();
    for (const std::string& line : printable.lines) {
        SIZE size = {};
        GetTextExtentPoint32A(dc.get(), line.data(), static_cast<int>(line.size()), &size);
        EXPECT_LT(size.cx + 2 * metrics.indent, metrics.printWidth) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    metrics.RestoreFont();
    EXPECT_EQ(text, joined);
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));
}

TEST_F(PrinterSide, WholeTopicIsDrawnInsideItsClosedFrame) {
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    FitToBitmap(metrics);
    tPrintTopic topic;
    topic.name = "Milk";
    topic.text = "Bread\r\nEggs";
    std::vector<tPrintableTopic> topics{MakePrintableTopic(metrics, BodyTextWidths(metrics), topic)};
    const std::vector<tPage> pages = PackPages(topics, metrics, nullptr);
    ASSERT_EQ(1u, pages.size());
    DrawPage(pages[0], metrics);
    EXPECT_EQ(originalFont, CurrentFont(dc.get()));

    const int L = margins.left, W = metrics.printWidth, I = metrics.indent;
    const int T = metrics.titleHeight, H = metrics.lineHeight, G = metrics.titleGap;
    const int y0 = margins.top, yT = y0 + T / 2, yTi = y0 + T, yE = yTi + 2 * H, yB = yE + G / 2;
    const int xL = L + I / 2, xR = L + W - I / 2, xRi = L + W - I;
    const int pen = I / 3 + 1;
    ASSERT_LT(yB + pen, kHeight);

    EXPECT_EQ(0u, Pixel(xL, (yTi + yE) / 2)) << "left side";
    EXPECT_EQ(0u, Pixel(xR, (yTi + yE) / 2)) << "right side";
    EXPECT_EQ(0u, Pixel((xL + xR) / 2, yB)) << "bottom";
    EXPECT_EQ(0u, Pixel(xRi - 2, yT)) << "top";
    const int tw = TitleWidth(metrics, "Milk");
    EXPECT_NE(0u, Pixel(L + I + tw + I / 2, yT)) << "gap between title and top line";
    EXPECT_TRUE(AnyDark(L + I, y0, L + I + tw, yTi)) << "title";
    EXPECT_TRUE(AnyDark(L + I, yTi, xR - pen, yTi + H)) << "first line";
    EXPECT_TRUE(AnyDark(L + I, yTi + H, xR - pen, yE)) << "second line";
    EXPECT_FALSE(AnyDark(0, 0, L, kHeight)) << "left margin";
    EXPECT_FALSE(AnyDark(0, 0, kWidth, y0)) << "top margin";
    EXPECT_FALSE(AnyDark(xR + pen, 0, kWidth, kHeight)) << "right of the frame";
    EXPECT_FALSE(AnyDark(0, yB + pen, kWidth, kHeight)) << "below the frame";
}

TEST_F(PrinterSide, ContinuedPieceHasItsLabelInAGap) {
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    FitToBitmap(metrics);
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i) lines.push_back("entry " + std::to_string(i));
    std::vector<tPrintableTopic> topics{tPrintableTopic(metrics, "Log", lines)};
    const std::vector<tPage> pages = PackPages(topics, metrics, nullptr);
    ASSERT_GE(pages.size(), 2u);
    const tSegment& piece = pages[0].segments[0];
    ASSERT_FALSE(piece.isLast);
    DrawPage(pages[0], metrics);

    metrics.SelectBodyFont();
    SIZE label = {};
    GetTextExtentPoint32A(dc.get(), "(Continued)", 11, &label);
    metrics.RestoreFont();
    const int L = margins.left, W = metrics.printWidth, I = metrics.indent;
    const int yE = margins.top + metrics.titleHeight +
                   static_cast<int>(piece.lines.size()) * metrics.lineHeight;
    const int yB = yE + metrics.titleGap / 2;
    const int labelLeft = L + (W - label.cx) / 2;
    const int gapLeft = labelLeft - I;
    const int gapRight = L + (W + label.cx) / 2 + I;
    EXPECT_EQ(0u, Pixel(L + I, yB)) << "bottom line left of the gap";
    EXPECT_EQ(0u, Pixel(L + W - I, yB)) << "bottom line right of the gap";
    EXPECT_NE(0u, Pixel(gapLeft + I / 2, yB)) << "gap before the label";
    EXPECT_NE(0u, Pixel(gapRight - I / 2, yB)) << "gap after the label";
    EXPECT_TRUE(AnyDark(labelLeft, yE, labelLeft + label.cx, yE + metrics.lineHeight)) << "label";
}

TEST_F(PrinterSide, CornersFollowThePieces) {
    // A topic in three pieces: curved top corner only on the first, curved
    // bottom corners only on the last, square corners in between. A wide gap
    // and indent make the curves stand clear of the corner points.
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    FitToBitmap(metrics);
    metrics.indent = 40;
    metrics.titleGap = 120;
    metrics.printHeight = metrics.titleHeight + metrics.titleGap + 5 * metrics.lineHeight;
    std::vector<tPrintableTopic> topics{
        tPrintableTopic(metrics, "Notes", std::vector<std::string>(12, "line"))};
    const std::vector<tPage> pages = PackPages(topics, metrics, nullptr);
    ASSERT_EQ(3u, pages.size());

    const int L = margins.left, W = metrics.printWidth, I = metrics.indent;
    const int yT = margins.top + metrics.titleHeight / 2;
    const int yTi = margins.top + metrics.titleHeight;
    const int xL = L + I / 2, xR = L + W - I / 2;
    for (int piece = 0; piece < 3; ++piece) {
        SCOPED_TRACE(piece);
        const tSegment& segment = pages[piece].segments[0];
        const int yE = yTi + static_cast<int>(segment.lines.size()) * metrics.lineHeight;
        const int yB = yE + metrics.titleGap / 2;
        ASSERT_LT(yB + I, kHeight);
        PatBlt(dc.get(), 0, 0, kWidth, kHeight, WHITENESS);
        DrawPage(pages[piece], metrics);
        EXPECT_EQ(0u, Pixel(xL, (yTi + yE) / 2)) << "left side";
        EXPECT_EQ(0u, Pixel(xR, (yTi + yE) / 2)) << "right side";
        EXPECT_EQ(piece == 0, Pixel(xR, yT) != 0) << "top right corner curved";
        EXPECT_EQ(piece == 2, Pixel(xR, yB) != 0) << "bottom right corner curved";
        EXPECT_EQ(piece == 2, Pixel(xL, yB) != 0) << "bottom left corner curved";
    }
}

TEST_F(PrinterSide, PageThatCannotEndReportsFailure) {
    // A memory DC starts pages but cannot end them.
    tPrintMetrics metrics(dc.get(), &body, &title, &margins);
    FitToBitmap(metrics);
    tPage page;
    page.segments.push_back(WholeSegment("Title", {"line"}));
    EXPECT_FALSE(PrintPage(page, metrics));
    EXPECT_EQ(0u, Pixel(margins.left + metrics.indent / 2,
                        margins.top + metrics.titleHeight + metrics.lineHeight / 2))
        << "drawn before the end failed";
}

TEST(PageDrawing, PageThatCannotStartIsNotDrawn) {
    HDC gone = CreateCompatibleDC(nullptr);
    DeleteDC(gone);
    tPrintMetrics metrics;
    metrics.hdc = gone;
    tPage page;
    page.segments.push_back(WholeSegment("Title", {"line"}));
    EXPECT_FALSE(PrintPage(page, metrics));
}

}  // namespace
