#pragma once
// The row of topic tabs: one tab control, changed item by item, that shows its
// tabs in several rows while they fit in a modest part of the client area and
// in one scrolling row beyond that.
#include <windows.h>
#include <string>
#include <vector>
#include "storage/topic.h"

// Rows a multi-line tab control needs for tabs of these widths on a line of
// lineWidth pixels; counting stops once it passes stopAfter.
int CountTabRows(const std::vector<int>& widths, int lineWidth, int stopAfter);

// How many rows of tabs of rowHeight may take from an area of areaHeight: a
// third of it, so the edit area always keeps most of the window.
int MaxTabRows(int rowHeight, int areaHeight);

class tTabStrip {
public:
    void Attach(HWND tabs);  // borrowed: the client owns the control

    // Replaces all tabs with one per topic and selects the first.
    void Fill(const std::vector<tTopic>& topics);
    void Append(const std::string& name);
    void Remove(int index);
    void Rename(int index, const std::string& name);
    void Swap(int first, int second);

    // Selects a tab without notifying; false when the control refused it.
    bool Select(int index);
    int Selected() const;

    // Covers area with the control, chooses one or several rows and returns
    // the display area left for the edit control.
    RECT Fit(const RECT& area);

    bool MultiLine() const { return multiLine_; }

private:
    void SetText(int index, const std::string& name);
    // filling: one row of fixed-width tabs, which the control need not measure.
    enum class tLayout { oneRow, severalRows, filling };
    void SetLayout(tLayout layout);
    bool MultiLineFits(const RECT& area, int singleRowHeight) const;

    HWND tabs_ = nullptr;
    std::vector<std::string> names_;  // the tab texts, in order
    bool multiLine_ = true;
    bool changed_ = true;  // items changed since the last choice of rows
    RECT lastArea_ = {};
    HFONT lastFont_ = nullptr;
    // Where several rows were tried and did not fit, so the next Fit with the
    // same tabs and size does not try again.
    struct {
        size_t count = 0;
        LONG width = 0, height = 0;
        HFONT font = nullptr;
        bool set = false;
    } refused_;
};
