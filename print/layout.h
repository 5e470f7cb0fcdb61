#pragma once
// Laying topics out on printer pages: where lines break, which lines go on
// which page, what each piece is titled and where its frame runs. Plain
// functions over measured widths; the measuring is handed in, so nothing
// here touches a device context.
#include <windows.h>
#include <array>
#include <functional>
#include <string>
#include <vector>
#include "print/metrics.h"

// Width of a run of body text in device units, tabs expanded from the
// run's first character.
using tMeasureText = std::function<int(const char* text, int length)>;

// Widths of body text taken once per job, so a line's width is a sum rather
// than a measurement: what each character adds to a run between tabs, and
// what a run that is not empty takes beyond that (a synthesized font's
// overhang). Where the font's runs are not always those sums, exactRun
// measures a run as the device does, and each line the sums choose is
// checked with it.
struct tTextWidths {
    std::array<int, 256> advance{};  // by the character's byte value
    int runExtra = 0;
    int tabStop = 0;                 // as in MeasureTabbed
    tMeasureText exactRun;           // none: the sums are the device's widths
};

// A topic as printing sees it.
struct tPrintTopic {
    std::string name;
    std::string text;
};

constexpr const char* kContinuedLabel = "(Continued)";

// Blanks and control characters at which a line may break.
bool IsLineSeparator(char c);

// Expands each tab to the next multiple of tabStop counted from the start of
// the text (no expansion when tabStop is not positive) and adds the widths of
// the runs between tabs, which runWidth measures.
int MeasureTabbed(const char* text, int length, int tabStop, const tMeasureText& runWidth);

// Width of text with tabs from the sums of widths alone.
int SummedWidth(const tTextWidths& widths, const char* text, int length);

// Width of text with tabs as the device measures it: exactRun where there is
// one, else the sums.
int TextWidth(const tTextWidths& widths, const char* text, int length);

// Breaks text into printed lines; a run fits a line when its width is less
// than room; a run of room characters or more never fits, as every character
// takes a unit at least. Paragraphs end at CR LF. Never returns an empty list,
// and always ends: a line holds at least one character even when none fits.
// Widths are taken to grow with the run.
// This one measures every run it tries, from the line's first character.
std::vector<std::string> BreakIntoLines(const std::string& text, int room,
                                        const tMeasureText& measure);
// The same lines from summed widths, each character added about once; where
// the widths have an exactRun, the two tests that decided each line are
// measured again with it, and a line they disagree on is measured run by run.
std::vector<std::string> BreakIntoLines(const std::string& text, int room,
                                        const tTextWidths& widths);

// Width a body line may take: the print width less an indent on each side.
int LineRoom(const tPrintMetrics& metrics);

// One topic broken into lines for this job's printer.
class tPrintableTopic {
public:
    tPrintableTopic(const tPrintMetrics& metrics, const tPrintTopic& topic, const tTextWidths& widths);
    tPrintableTopic(const tPrintMetrics& metrics, std::string name, std::vector<std::string> lines);

    const tPrintMetrics* metrics;  // borrowed from the print job
    std::string name;
    std::vector<std::string> lines;  // never empty
};

// The piece of one topic printed on one page.
struct tSegment {
    std::string title;
    std::vector<std::string> lines;
    bool isFirst = false;  // begins the topic: curved top corner
    bool isLast = false;   // ends the topic: curved bottom corners, else "(Continued)"
};

// A topic that fits whole on its page.
inline tSegment WholeSegment(const std::string& title, const std::vector<std::string>& lines) {
    tSegment segment{title, lines};
    segment.isFirst = segment.isLast = true;
    return segment;
}

struct tPage {
    std::vector<tSegment> segments;  // top to bottom
};

// The title of a topic's part-th piece (counted from 1).
std::string PieceTitle(const std::string& name, int part);

// Lines of topic, from firstLine on, that fit with their title and gap in
// height; 0 when not even the title and one line fit.
int LinesThatFit(const tPrintableTopic& topic, int firstLine, int height);

// Height a piece of lineCount lines takes on the page, title and gap included.
long long PieceHeight(const tPrintMetrics& metrics, long long lineCount);

// Packs the topics onto pages in order. A topic moves whole to a new page when
// it does not fit below the ones already there and is split only when it does
// not fit on a page of its own. When not even a title and one line fit on a
// page, titleTooLarge is called once and packing stops with the pages so far.
std::vector<tPage> PackPages(const std::vector<tPrintableTopic>& topics,
                             const tPrintMetrics& metrics,
                             const std::function<void()>& titleTooLarge);

// One drawing step of a printed piece.
struct tDrawOp {
    enum tKind { kTitleText, kBodyText, kContinuedText, kMoveTo, kLineTo, kArc };
    tKind kind;
    int x = 0, y = 0;  // text origin or pen target
    RECT box = {};     // arc: bounding rectangle; x, y its start point
    POINT end = {};    // arc: end point
    int tabOrigin = 0; // body text: where its tab stops are counted from
    std::string text;
};

// The steps that draw segment, its title's top at position.y: the title, the
// lines and the frame. Body lines count their tabs from their own start, as
// the line breaking measured them. titleWidth is the title's width in the title font;
// continuedWidth the label's width in the body font, negative when it could
// not be measured (the label is left out then). The piece takes PieceHeight.
std::vector<tDrawOp> PlanSegment(const tSegment& segment, const tPrintMetrics& metrics,
                                 POINT position, int titleWidth, int continuedWidth);
