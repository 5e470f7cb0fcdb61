#pragma once
// The printer's side of the layout: measuring with the job's fonts and
// drawing pages. The same drawing serves every page and any device context.
#include <windows.h>
#include "print/layout.h"

// Measures one run of body text, no tabs in it, with the font selected in
// the metrics' device context.
tMeasureText BodyRunMeasure(const tPrintMetrics& metrics);

// Measures body text with the font selected in the metrics' device context,
// tabs at multiples of the tab stop from the start of the text.
tMeasureText BodyTextMeasure(const tPrintMetrics& metrics);

// The widths of one font from runWidth: each character measured once, and
// the sums tried against whole runs. Where they differ, or bytes are not
// characters, the widths keep runWidth as their exactRun.
tTextWidths WidthsOfRuns(const tMeasureText& runWidth, int tabStop, bool bytesAreCharacters);

// The body font's widths, taken once per job with runWidth (BodyRunMeasure
// unless given). Their exactRun measures with the font the device context
// holds when it runs: the body font while MakePrintableTopic breaks lines.
tTextWidths BodyTextWidths(tPrintMetrics& metrics);
tTextWidths BodyTextWidths(tPrintMetrics& metrics, const tMeasureText& runWidth);

// The topic's name, and its text broken into lines in the body font.
tPrintableTopic MakePrintableTopic(tPrintMetrics& metrics, const tTextWidths& widths,
                                   const tPrintTopic& topic);

// Draws one piece at position and moves position.y down past it.
void DrawSegment(const tSegment& segment, tPrintMetrics& metrics, POINT& position);

// Draws every piece of the page from the top margin down.
void DrawPage(const tPage& page, tPrintMetrics& metrics);

// Opens a printer page, draws it and closes it; false when the page could
// not be started or ended.
bool PrintPage(const tPage& page, tPrintMetrics& metrics);

// Tells the user, in a box over owner, that not even a title and one line fit
// on a page; the print job hands it to PackPages.
void ShowTitleTooLarge(HWND owner);
