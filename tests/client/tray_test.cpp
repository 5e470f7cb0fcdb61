#include <gtest/gtest.h>
#include "client/tray.h"

namespace {

TEST(TrayIcon, SheetsOfAStandardIcon) {
    auto sheets = TraySheetRects(32, 32);
    const int corners[5][2] = {{10, 2}, {8, 4}, {6, 6}, {4, 8}, {2, 10}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(corners[i][0], sheets[i].left);
        EXPECT_EQ(corners[i][1], sheets[i].top);
        EXPECT_EQ(20, sheets[i].right - sheets[i].left);
        EXPECT_EQ(20, sheets[i].bottom - sheets[i].top);
    }
}

TEST(TrayIcon, SizesNotAMultipleOfSixteen) {
    auto sheets = TraySheetRects(36, 36);  // steps of 2, sheets of 24
    EXPECT_EQ(10, sheets[0].left);
    EXPECT_EQ(24, sheets[4].right - sheets[4].left);
    EXPECT_EQ(2, sheets[4].left);
    EXPECT_LE(sheets[4].bottom, 36);
    auto small = TraySheetRects(16, 16);
    EXPECT_EQ(5, small[0].left);
    EXPECT_EQ(1, small[4].left);
    EXPECT_EQ(10, small[0].right - small[0].left);
}

TEST(TrayIcon, TipKeepsAtMost63Characters) {
    EXPECT_EQ("a - Quillet", TrayTipText("a - Quillet"));
    std::string longTitle(100, 'x');
    EXPECT_EQ(std::string(63, 'x'), TrayTipText(longTitle));
    EXPECT_EQ(std::string(63, 'y'), TrayTipText(std::string(63, 'y')));
}

}  // namespace
