#pragma once
// A stand-in for the printer: every character is charWidth units wide, tabs
// go to the next multiple of tabStop from the start of the measured text.
#include "print/layout.h"

inline tMeasureText FixedWidthMeasure(int charWidth, int tabStop) {
    return [charWidth, tabStop](const char* text, int length) {
        return MeasureTabbed(text, length, tabStop,
                             [charWidth](const char*, int n) { return n * charWidth; });
    };
}

// The same stand-in as widths taken once: every character charWidth units.
inline tTextWidths FixedWidths(int charWidth, int tabStop) {
    tTextWidths widths;
    widths.advance.fill(charWidth);
    widths.tabStop = tabStop;
    return widths;
}

// Metrics for layout tests; no device context behind them.
inline void SetSizes(tPrintMetrics& metrics, int printWidth, int printHeight, int titleHeight,
                     int lineHeight, int titleGap, int indent) {
    metrics.printWidth = printWidth;
    metrics.printHeight = printHeight;
    metrics.titleHeight = titleHeight;
    metrics.lineHeight = lineHeight;
    metrics.titleGap = titleGap;
    metrics.indent = indent;
}
