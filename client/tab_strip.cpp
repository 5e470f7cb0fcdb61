#include "client/tab_strip.h"
#include <commctrl.h>
#include <algorithm>
#include "base/errors.h"
#include "base/handles.h"

namespace {
// The control's own spacing: text padding on each side of a tab, and what its
// border and display padding take from a row.
constexpr int kTabPadding = 6;
constexpr int kRowMargin = 4;
}  // namespace

int CountTabRows(const std::vector<int>& widths, int lineWidth, int stopAfter) {
    int rows = 0;
    int x = 0;
    for (int width : widths) {
        if (rows == 0) {
            rows = 1;
        } else if (x > 0 && x + width > lineWidth) {
            if (++rows > stopAfter) return rows;
            x = 0;
        }
        x += width;
    }
    return rows;
}

int MaxTabRows(int rowHeight, int areaHeight) {
    if (rowHeight <= 0 || areaHeight <= 0) return 1;
    int rows = areaHeight / (3 * rowHeight);
    return rows < 1 ? 1 : rows;
}

void tTabStrip::Attach(HWND tabs) {
    tabs_ = tabs;
    names_.clear();
    multiLine_ = (GetWindowLongA(tabs_, GWL_STYLE) & TCS_MULTILINE) != 0;
    changed_ = true;
}

void tTabStrip::SetLayout(tLayout layout) {
    LONG style = GetWindowLongA(tabs_, GWL_STYLE);
    LONG wanted = (style & ~LONG(TCS_MULTILINE | TCS_FIXEDWIDTH)) |
                  (layout == tLayout::severalRows ? TCS_MULTILINE : 0) |
                  (layout == tLayout::filling ? TCS_FIXEDWIDTH : 0);
    // The control lays its tabs out again on WM_STYLECHANGED.
    if (wanted != style) SetWindowLongA(tabs_, GWL_STYLE, wanted);
    multiLine_ = layout == tLayout::severalRows;
}

void tTabStrip::SetText(int index, const std::string& name) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(name.c_str());
    Check(SendMessageA(tabs_, TCM_SETITEMA, WPARAM(index), reinterpret_cast<LPARAM>(&item)) != 0);
}

void tTabStrip::Append(const std::string& name) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<char*>(name.c_str());
    item.iImage = -1;
    Check(SendMessageA(tabs_, TCM_INSERTITEMA, WPARAM(names_.size()),
                       reinterpret_cast<LPARAM>(&item)) != -1);
    names_.push_back(name);
    changed_ = true;
}

void tTabStrip::Fill(const std::vector<tTopic>& topics) {
    // Every change of an item lays out all tabs again, measuring each text;
    // with fixed widths the control skips the measuring, so filling many tabs
    // costs one measured layout instead of one per tab. Existing tabs are
    // reused rather than deleted one by one, which costs a layout each too.
    SendMessageA(tabs_, WM_SETREDRAW, FALSE, 0);
    SetLayout(tLayout::filling);
    size_t keep = std::min(names_.size(), topics.size());
    for (size_t i = 0; i < keep; ++i) {
        if (names_[i] == topics[i].name) continue;
        SetText(int(i), topics[i].name);
        names_[i] = topics[i].name;
    }
    while (names_.size() > topics.size()) {
        Check(SendMessageA(tabs_, TCM_DELETEITEM, WPARAM(names_.size() - 1), 0) != 0);
        names_.pop_back();
    }
    for (size_t i = names_.size(); i < topics.size(); ++i) Append(topics[i].name);
    SetLayout(tLayout::oneRow);
    Select(0);
    SendMessageA(tabs_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tabs_, nullptr, TRUE);
    changed_ = true;
}

void tTabStrip::Remove(int index) {
    Check(SendMessageA(tabs_, TCM_DELETEITEM, WPARAM(index), 0) != 0);
    names_.erase(names_.begin() + index);
    changed_ = true;
}

void tTabStrip::Rename(int index, const std::string& name) {
    if (names_[size_t(index)] == name) return;
    SetText(index, name);
    names_[size_t(index)] = name;
    changed_ = true;
}

void tTabStrip::Swap(int first, int second) {
    if (first == second) return;
    std::swap(names_[size_t(first)], names_[size_t(second)]);
    SetText(first, names_[size_t(first)]);
    SetText(second, names_[size_t(second)]);
    changed_ = true;
}

bool tTabStrip::Select(int index) {
    return TabCtrl_SetCurSel(tabs_, index) != -1 || TabCtrl_GetCurSel(tabs_) == index;
}

int tTabStrip::Selected() const { return TabCtrl_GetCurSel(tabs_); }

// Whether the tabs would fit in the rows allowed, judged from their texts:
// widths are measured only until they could fill those rows.
bool tTabStrip::MultiLineFits(const RECT& area, int singleRowHeight) const {
    int maxRows = MaxTabRows(singleRowHeight, area.bottom - area.top);
    int lineWidth = area.right - area.left - kRowMargin;
    if (lineWidth <= 0) return false;
    tWindowDC dc(tabs_);
    if (!dc.get()) return false;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(tabs_, WM_GETFONT, 0, 0));
    tSelectObject select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    std::vector<int> widths;
    long long total = 0;
    long long room = (long long)(maxRows + 1) * lineWidth;
    for (const std::string& name : names_) {
        SIZE size = {};
        GetTextExtentPoint32A(dc.get(), name.c_str(), int(name.size()), &size);
        widths.push_back(size.cx + 2 * kTabPadding);
        total += widths.back();
        if (total > room) break;  // more than the allowed rows can hold
    }
    return CountTabRows(widths, lineWidth, maxRows) <= maxRows;
}

RECT tTabStrip::Fit(const RECT& area) {
    Check(SetWindowPos(tabs_, nullptr, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE) != 0);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(tabs_, WM_GETFONT, 0, 0));
    bool resized = !EqualRect(&area, &lastArea_);
    RECT display = area;
    TabCtrl_AdjustRect(tabs_, FALSE, &display);
    if (!changed_ && !resized && font == lastFont_) return display;
    changed_ = false;
    lastArea_ = area;
    lastFont_ = font;

    // A multi-line control lays out all its rows on every change of selection,
    // which grows with the number of tabs (under Wine 0.8 s for 1,000 tabs,
    // against 6 ms in one row); its rows also cover the window when there
    // are many. So several rows only while they take at most a third of the area.
    LONG height = area.bottom - area.top;
    int rowsHeight = display.top - area.top;
    if (multiLine_) {
        int rows = TabCtrl_GetRowCount(tabs_);
        int rowHeight = rows > 0 ? rowsHeight / rows : rowsHeight;
        if (rows > MaxTabRows(rowHeight, height)) SetLayout(tLayout::oneRow);
    } else {
        bool refused = refused_.set && refused_.count == names_.size() &&
                       refused_.width == area.right - area.left && refused_.height == height &&
                       refused_.font == font;
        if (!refused && MultiLineFits(area, rowsHeight)) {
            SetLayout(tLayout::severalRows);
            display = area;
            TabCtrl_AdjustRect(tabs_, FALSE, &display);
            int rows = TabCtrl_GetRowCount(tabs_);
            int rowHeight = rows > 0 ? (display.top - area.top) / rows : rowsHeight;
            if (rows > MaxTabRows(rowHeight, height)) {
                // The texts measured narrower than the control draws them.
                SetLayout(tLayout::oneRow);
                refused_.set = true;
                refused_.count = names_.size();
                refused_.width = area.right - area.left;
                refused_.height = height;
                refused_.font = font;
            }
        }
    }
    display = area;
    TabCtrl_AdjustRect(tabs_, FALSE, &display);
    return display;
}
