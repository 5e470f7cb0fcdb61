#pragma once
// Sizes of one print job, measured once on the printer and shared by the
// layout and the drawing. All numbers are printer device units.
#include <windows.h>
#include "base/handles.h"

class tPrintMetrics {
public:
    // Only the numbers; the layout reads nothing else. Tests fill them in.
    tPrintMetrics() = default;
    // Scales the screen font descriptions (either may be null: the printer's
    // own font is used then) to the printer and measures them.
    tPrintMetrics(HDC printerDc, const LOGFONTA* textLogFont, const LOGFONTA* titleLogFont,
                  const RECT* pageMargins);
    ~tPrintMetrics();
    tPrintMetrics(const tPrintMetrics&) = delete;
    tPrintMetrics& operator=(const tPrintMetrics&) = delete;

    void SelectBodyFont();
    void SelectTitleFont();
    void RestoreFont();

    HDC hdc = nullptr;            // borrowed from the print job
    tFont bodyFont;               // none: the DC's own font prints the text
    tFont titleFont;              // none: the DC's own font prints the titles
    HFONT savedFont = nullptr;    // selected before one of ours replaced it
    enum class tSelected { own, title, body };
    tSelected selected = tSelected::own;  // the font the DC holds now
    const RECT* margins = nullptr;  // borrowed; left, top, right, bottom
    int printWidth = 0;
    int printHeight = 0;
    int titleHeight = 0;
    int lineHeight = 0;
    int tabStop = 0;              // the single tab position of body lines
    int titleGap = 0;             // left free below every printed piece
    int indent = 0;               // titleHeight in horizontal units

private:
    void SelectRoleFont(HFONT font, tSelected role);
};

// A screen font size scaled to the printer, truncated toward zero and kept
// inside the range of a LONG whatever the note file held.
LONG ScaleFontSize(LONG size, float scale);
