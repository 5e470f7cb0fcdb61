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

long long WidthOf(const RECT& r) { return std::max<long long>(0, static_cast<long long>(r.right) - r.left); }
long long HeightOf(const RECT& r) { return std::max<long long>(0, static_cast<long long>(r.bottom) - r.top); }

bool CaptionShowsOn(long long left, long long top, long long w, const RECT& area) {
    const long long shownWidth =
        std::min<long long>(left + w, area.right) - std::max<long long>(left, area.left);
    return top >= area.top && top <= area.bottom - kGrip && shownWidth >= std::min(kGrip, WidthOf(area));
}

}  // namespace

RECT PlaceOnWorkAreas(int x, int y, int width, int height, const std::vector<RECT>& workAreas) {
    long long left = x, top = y, w = width, h = height;
    if (workAreas.empty()) return RECT{ToLong(left), ToLong(top), ToLong(left + w), ToLong(top + h)};
    const RECT& nearest = workAreas.front();
    const long long minWidth = std::min(kMinWidth, WidthOf(nearest));
    const long long minHeight = std::min(kMinHeight, HeightOf(nearest));

    RECT screens = nearest;
    bool captionShows = false;
    for (const RECT& area : workAreas) {
        UnionRect(&screens, &screens, &area);
        captionShows = captionShows || CaptionShowsOn(left, top, w, area);
    }
    const bool sizeFits =
        w >= minWidth && w <= WidthOf(screens) && h >= minHeight && h <= HeightOf(screens);
    if (!sizeFits || !captionShows) {
        w = Clamp(w, minWidth, WidthOf(nearest));
        h = Clamp(h, minHeight, HeightOf(nearest));
        left = Clamp(left, nearest.left, nearest.right - w);
        top = Clamp(top, nearest.top, nearest.bottom - h);
    }
    return RECT{ToLong(left), ToLong(top), ToLong(left + w), ToLong(top + h)};
}

RECT PlaceOnWorkArea(int x, int y, int width, int height, const RECT& workArea) {
    return PlaceOnWorkAreas(x, y, width, height, {workArea});
}

namespace {

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<RECT>*>(param)->push_back(info.rcWork);
    return TRUE;
}

}  // namespace

void PlaceOnNearestScreen(int& x, int& y, int& width, int& height) {
    // The monitor is looked for with a rectangle the system can hold.
    const long long right = static_cast<long long>(x) + std::max(width, 0);
    const long long bottom = static_cast<long long>(y) + std::max(height, 0);
    const RECT stored = {x, y, ToLong(right), ToLong(bottom)};
    std::vector<RECT> workAreas(1);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoA(monitor, &info))
        workAreas[0] = info.rcWork;
    else if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &workAreas[0], 0))
        return;  // nothing known about the screen: the stored numbers stand
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&workAreas));
    const RECT placed = PlaceOnWorkAreas(x, y, width, height, workAreas);
    x = placed.left;
    y = placed.top;
    width = placed.right - placed.left;
    height = placed.bottom - placed.top;
}
