#include <gtest/gtest.h>
#include <climits>
#include "app/placement.h"

namespace {

struct tPlacementCase {
    const char* what;
    int x, y, width, height;  // as stored
    RECT workArea;  // of the monitor nearest the stored rectangle
    RECT expected;
    RECT otherArea = {};  // a second monitor, when not empty
};

const RECT kScreen = {0, 0, 1024, 768};
const RECT kRightScreen = {1024, 0, 2048, 738};  // second monitor, taskbar at the bottom

const tPlacementCase kCases[] = {
    {"shown: kept", 100, 100, 400, 400, kScreen, {100, 100, 500, 500}},
    {"partly off the right but draggable: kept", 900, 100, 400, 400, kScreen, {900, 100, 1300, 500}},
    {"too little caption shows: moved in", 985, 100, 400, 400, kScreen, {624, 100, 1024, 500}},
    {"caption above the screen: moved down", 100, -10, 400, 300, kScreen, {100, 0, 500, 300}},
    {"caption at the very bottom: moved up", 100, 740, 400, 300, kScreen, {100, 468, 500, 768}},
    {"far away", 100000, 100000, 400, 400, kScreen, {624, 368, 1024, 768}},
    {"far away, negative, no size", -65536, -65536, -1, -1, kScreen, {0, 0, 200, 150}},
    {"too small to use grows", 100, 100, 116, 27, kScreen, {100, 100, 300, 250}},
    {"larger than the screen shrinks", 100, 100, 5000, 3000, kScreen, {0, 0, 1024, 768}},
    {"largest numbers", INT_MAX, INT_MAX, INT_MAX, INT_MAX, kScreen, {0, 0, 1024, 768}},
    {"smallest numbers", INT_MIN, INT_MIN, INT_MIN, INT_MIN, kScreen, {0, 0, 200, 150}},
    {"on the second monitor: kept", 1100, 50, 500, 400, kRightScreen, {1100, 50, 1600, 450}},
    {"onto the second monitor", 3000, 200, 400, 300, kRightScreen, {1648, 200, 2048, 500}},
    {"tiny screen: the whole of it", 10, 10, 400, 400, {0, 0, 160, 120}, {0, 0, 160, 120}},
    {"spanning two monitors side by side: kept", 700, 100, 800, 400, kScreen, {700, 100, 1500, 500},
     kRightScreen},
    {"spanning, caption below both: moved up", 700, 740, 800, 200, kScreen, {224, 568, 1024, 768},
     kRightScreen},
    {"wider than both together: shrinks", 100, 100, 2100, 400, kScreen, {0, 100, 1024, 500},
     kRightScreen},
};

class PlaceOnWorkAreaTable : public testing::TestWithParam<tPlacementCase> {};

TEST_P(PlaceOnWorkAreaTable, Places) {
    const tPlacementCase& c = GetParam();
    std::vector<RECT> areas = {c.workArea};
    if (!IsRectEmpty(&c.otherArea)) areas.push_back(c.otherArea);
    const RECT r = PlaceOnWorkAreas(c.x, c.y, c.width, c.height, areas);
    EXPECT_EQ(c.expected.left, r.left) << c.what;
    EXPECT_EQ(c.expected.top, r.top) << c.what;
    EXPECT_EQ(c.expected.right, r.right) << c.what;
    EXPECT_EQ(c.expected.bottom, r.bottom) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaceOnWorkAreaTable, testing::ValuesIn(kCases));

TEST(PlaceOnWorkArea, ResultAlwaysShowsOnTheWorkArea) {
    const int values[] = {INT_MIN, -65536, -1, 0, 1, 27, 199, 500, 1023, 1024, 100000, INT_MAX};
    for (int x : values)
        for (int y : values)
            for (int size : values) {
                const RECT r = PlaceOnWorkArea(x, y, size, size, kRightScreen);
                EXPECT_TRUE(r.top >= kRightScreen.top && r.top < kRightScreen.bottom &&
                            r.right > kRightScreen.left && r.left < kRightScreen.right &&
                            r.right - r.left >= 200 && r.bottom - r.top >= 150 &&
                            r.right - r.left <= 1024 && r.bottom - r.top <= 738)
                    << x << ',' << y << " size " << size;
            }
}

}  // namespace
