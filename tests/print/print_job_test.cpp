#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <climits>
#include <string>
#include <vector>
#include "base/handles.h"
#include "print/print_job.h"

namespace {

TEST(PrintErrorText, EachPrintErrorHasItsText) {
    EXPECT_STREQ("General error", PrintErrorText(DWORD(SP_ERROR), false));
    EXPECT_STREQ("Cancelled from program", PrintErrorText(DWORD(SP_APPABORT), false));
    EXPECT_STREQ("Cancelled by user", PrintErrorText(DWORD(SP_USERABORT), false));
    EXPECT_STREQ("Out of disk space", PrintErrorText(DWORD(SP_OUTOFDISK), false));
    EXPECT_STREQ("Out of memory", PrintErrorText(DWORD(SP_OUTOFMEMORY), true));
}

TEST(PrintErrorText, OtherCodesReadAsCancelOnlyWhenTheUserCancelled) {
    for (DWORD code : {DWORD(0), DWORD(-6), DWORD(ERROR_INVALID_HANDLE), DWORD(1)}) {
        EXPECT_STREQ("General error", PrintErrorText(code, false)) << code;
        EXPECT_STREQ("Cancelled by user", PrintErrorText(code, true)) << code;
    }
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

void ExpectRect(const RECT& expected, const RECT& actual) {
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

TEST(MarginsInPixels, AnInchInEitherUnitIsTheResolution) {
    RECT inchMetric = Rect(2540, 2540, 2540, 2540);
    ExpectRect(Rect(600, 600, 600, 600),
               MarginsInPixels(inchMetric, PSD_MARGINS | PSD_INHUNDREDTHSOFMILLIMETERS, false, 600, 600));
    RECT inchImperial = Rect(1000, 1000, 1000, 1000);
    ExpectRect(Rect(600, 600, 600, 600),
               MarginsInPixels(inchImperial, PSD_MARGINS | PSD_INTHOUSANDTHSOFINCHES, true, 600, 600));
}

TEST(MarginsInPixels, SidesUseTheirOwnResolution) {
    // left and right follow LOGPIXELSX, top and bottom LOGPIXELSY.
    ExpectRect(Rect(300, 150, 600, 75),
               MarginsInPixels(Rect(1000, 250, 2000, 125), PSD_INTHOUSANDTHSOFINCHES, false, 300, 600));
}

TEST(MarginsInPixels, TruncatesTowardZero) {
    // 999/1000 inch at 300 dpi is 299.7 pixels; 1 hundredth of a mm is 0.236.
    ExpectRect(Rect(299, 0, 299, 0),
               MarginsInPixels(Rect(999, 1, 999, 1), PSD_INTHOUSANDTHSOFINCHES, false, 300, 236));
    ExpectRect(Rect(0, 0, 0, 0),
               MarginsInPixels(Rect(1, 1, 1, 1), PSD_INHUNDREDTHSOFMILLIMETERS, false, 600, 600));
}

TEST(MarginsInPixels, WithoutAUnitTheLocaleDecides) {
    RECT margins = Rect(2540, 1000, 0, 0);
    ExpectRect(Rect(300, 118, 0, 0), MarginsInPixels(margins, PSD_MARGINS, true, 300, 300));
    ExpectRect(Rect(762, 300, 0, 0), MarginsInPixels(margins, PSD_MARGINS, false, 300, 300));
}

TEST(MarginsInPixels, HostileStoredNumbersStayUsable) {
    // Registry numbers are read back as LONG: 0xFFFFFFFF is -1, 0x7FFFFFFF huge.
    RECT hostile = Rect(-1, LONG_MIN, LONG_MAX, LONG_MAX);
    RECT pixels = MarginsInPixels(hostile, PSD_INTHOUSANDTHSOFINCHES, false, 1200, 1200);
    EXPECT_EQ(0, pixels.left);
    EXPECT_EQ(0, pixels.top);
    EXPECT_EQ(INT_MAX, pixels.right);
    EXPECT_EQ(INT_MAX, pixels.bottom);
    ExpectRect(Rect(0, 0, 0, 0),
               MarginsInPixels(Rect(1000, 1000, 1000, 1000), PSD_INTHOUSANDTHSOFINCHES, false, 0, -5));
}

TEST(MarginsLeaveRoom, AnInchOfPageEachWayIsEnough) {
    struct {
        RECT margins;
        int width, height, dpi;
        bool room;
    } cases[] = {
        {Rect(300, 300, 300, 300), 2550, 3300, 300, true},  // Letter, inch margins
        {Rect(0, 0, 0, 0), 2550, 3300, 300, true},
        {Rect(1000, 0, 1250, 0), 2550, 3300, 300, true},   // exactly an inch left
        {Rect(1000, 0, 1251, 0), 2550, 3300, 300, false},
        {Rect(0, 1500, 0, 1501), 2550, 3300, 300, false},  // height alone
        {Rect(0, 0, 0, 0), 200, 3300, 300, false},         // a page narrower than an inch
        {Rect(INT_MAX, 0, 0, 0), 2550, 3300, 300, false},
        // In 32 bits these two wrap round to 2552 pixels of width.
        {Rect(INT_MAX, 0, INT_MAX, 0), 2550, 3300, 300, false},
        {Rect(0, INT_MAX, 0, INT_MAX), 2550, 3300, 300, false},
        {Rect(0, 0, 0, 0), 1, 1, 0, true},                  // no resolution: a pixel will do
        {Rect(0, 0, 0, 0), 0, 0, -5, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.room, MarginsLeaveRoom(c.width, c.height, c.margins, c.dpi, c.dpi))
            << c.margins.left << ' ' << c.margins.top << ' ' << c.margins.right << ' '
            << c.margins.bottom << " on " << c.width << 'x' << c.height << " at " << c.dpi;
}

TEST(PrintOrder, ThreeCopiesWithoutCollateRepeatEachPage) {
    EXPECT_EQ((std::vector<size_t>{0, 0, 0, 1, 1, 1}), PrintOrder(2, 3, false));
}

TEST(PrintOrder, ThreeCopiesCollatedRepeatTheDocument) {
    EXPECT_EQ((std::vector<size_t>{0, 1, 0, 1, 0, 1}), PrintOrder(2, 3, true));
}

TEST(PrintOrder, EdgeCounts) {
    EXPECT_TRUE(PrintOrder(0, 5, true).empty());
    EXPECT_TRUE(PrintOrder(0, 5, false).empty());
    EXPECT_EQ((std::vector<size_t>{0, 1, 2}), PrintOrder(3, 1, false));
    EXPECT_EQ((std::vector<size_t>{0, 1, 2}), PrintOrder(3, 1, true));
    EXPECT_EQ((std::vector<size_t>{0, 1}), PrintOrder(2, 0, false));  // at least one copy
}

TEST(PrintOrder, EveryPageAppearsOncePerCopy) {
    for (bool collate : {false, true})
        for (int copies = 1; copies <= 4; ++copies) {
            std::vector<size_t> order = PrintOrder(5, copies, collate);
            ASSERT_EQ(size_t(5 * copies), order.size());
            std::vector<int> seen(5, 0);
            for (size_t page : order) ++seen[page];
            for (int count : seen) EXPECT_EQ(copies, count);
        }
}

TEST(RequestFromDialog, ReadsCopiesCollateAndSelection) {
    PRINTDLGA dialog = {};
    dialog.nCopies = 3;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_COLLATE;
    tPrintRequest request = RequestFromDialog(dialog);
    EXPECT_EQ(3, request.copies);
    EXPECT_TRUE(request.collate);
    EXPECT_FALSE(request.selectionOnly);

    dialog.nCopies = 0;
    dialog.Flags = PD_RETURNDC | PD_SELECTION;
    request = RequestFromDialog(dialog);
    EXPECT_EQ(1, request.copies);
    EXPECT_FALSE(request.collate);
    EXPECT_TRUE(request.selectionOnly);
}

// A job on a device that cannot start a document (a memory DC) fails without
// printing, and leaves the frame enabled and no "Print" box behind.
class PrintJobOnMemoryDc : public testing::Test {
protected:
    void SetUp() override {
        frame = CreateWindowA("STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, frame);
        dc.reset(CreateCompatibleDC(nullptr));
        bitmap.reset(CreateCompatibleBitmap(dc.get(), 400, 400));
        select = new tSelectObject(dc.get(), bitmap.get());
    }
    void TearDown() override {
        delete select;
        DestroyWindow(frame);
    }
    HWND frame = nullptr;
    tDC dc;
    tBitmap bitmap;
    tSelectObject* select = nullptr;
};

TEST_F(PrintJobOnMemoryDc, FailedStartLeavesNothingBehind) {
    std::vector<tPrintTopic> topics(2);
    topics[0].name = "One";
    topics[0].text = "first";
    topics[1].name = "Two";
    RECT margins = {10, 10, 10, 10};
    tPrintOutcome outcome =
        PrintJob(frame, dc.get(), "Notes - Quillet", topics, 2, true, nullptr, nullptr, margins);
    EXPECT_FALSE(outcome.printed);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(nullptr, FindWindowA(nullptr, "Print"));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_STREQ("General error", PrintErrorText(outcome.error, outcome.cancelled));
}

TEST_F(PrintJobOnMemoryDc, TheBoxCancelsAndCleansUpItself) {
    tPrintingBox running(frame);
    HWND box = running.Window();
    ASSERT_NE(nullptr, box);
    EXPECT_FALSE(IsWindowEnabled(frame));
    char caption[32] = {};
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ("Print", caption);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(0, GetWindowLongPtrA(box, GWL_STYLE) & WS_SYSMENU);

    // Esc reaches the box only through the abort procedure's message pump.
    EXPECT_TRUE(AbortProc(dc.get(), 0));
    PostMessageA(GetDlgItem(box, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(AbortProc(dc.get(), 0));
    EXPECT_TRUE(running.Cancelled());
    EXPECT_EQ(nullptr, running.Window());
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(frame));
    // Once cancelled the pump stops at once, and closing changes nothing.
    EXPECT_FALSE(AbortProc(dc.get(), 0));
    running.Close();
    EXPECT_TRUE(IsWindowEnabled(frame));
}

}  // namespace
