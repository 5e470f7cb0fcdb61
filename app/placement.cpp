#include "app/placement.h"
#include <algorithm>
#include <climits>

namespace {

constexpr long long kMinWidth = 200;   // room for the menu bar, toolbar and a few tabs
constexpr long long kMinHeight = 150;
constexpr long long kGrip = 40;        // caption that must show to drag the window

long long Clamp(long long value, long long low, long long high) {
    return std::max(low, std::min(high, value));
}

LONG ToLong(long long value) {
    return static_cast<LONG>(Clamp(value, LONG_MIN, LONG_MAX));
}

}  // namespace

RECT PlaceOnWorkArea(int x, int y, int width, int height, const RECT& workArea) {
    const long long areaWidth = std::max<long long>(0, static_cast<long long>(workArea.right) - workArea.left);
    const long long areaHeight = std::max<long long>(0, static_cast<long long>(workArea.bottom) - workArea.top);
    const long long minWidth = std::min(kMinWidth, areaWidth);
    const long long minHeight = std::min(kMinHeight, areaHeight);
    long long left = x, top = y, w = width, h = height;

    const bool sizeFits = w >= minWidth && w <= areaWidth && h >= minHeight && h <= areaHeight;
    const long long shownWidth =
        std::min<long long>(left + w, workArea.right) - std::max<long long>(left, workArea.left);
    const bool captionShows = top >= workArea.top && top <= workArea.bottom - kGrip &&
                              shownWidth >= std::min(kGrip, areaWidth);
    if (!sizeFits || !captionShows) {
        w = Clamp(w, minWidth, areaWidth);
        h = Clamp(h, minHeight, areaHeight);
        left = Clamp(left, workArea.left, workArea.right - w);
        top = Clamp(top, workArea.top, workArea.bottom - h);
    }
    return RECT{ToLong(left), ToLong(top), ToLong(left + w), ToLong(top + h)};
}

void PlaceOnNearestScreen(int& x, int& y, int& width, int& height) {
    // The monitor is looked for with a rectangle the system can hold.
    const long long right = static_cast<long long>(x) + std::max(width, 0);
    const long long bottom = static_cast<long long>(y) + std::max(height, 0);
    const RECT stored = {x, y, ToLong(right), ToLong(bottom)};
    RECT workArea;
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoA(monitor, &info))
        workArea = info.rcWork;
    else if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0))
        return;  // nothing known about the screen: the stored numbers stand
    const RECT placed = PlaceOnWorkArea(x, y, width, height, workArea);
    x = placed.left;
    y = placed.top;
    width = placed.right - placed.left;
    height = placed.bottom - placed.top;
}
