#include <gtest/gtest.h>
#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>
#include "print/layout.h"
#include "print/fake_measure.h"

// Found by argument lookup from inside the test macros.
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline std::ostream& operator<<(std::ostream& out, const POINT& p) {
    return out << '(' << p.x << ',' << p.y << ')';
}

namespace {

using tLines = std::vector<std::string>;

tLines NumberedLines(const std::string& name, int count) {
    tLines lines;
    for (int i = 0; i < count; ++i) lines.push_back(name + ":" + std::to_string(i));
    return lines;
}

// Title 10, line 5, gap 10: a topic of n lines takes 5n + 20.
class Packing : public testing::Test {
protected:
    Packing() { SetSizes(metrics, 400, 100, 10, 5, 10, 10); }

    void Add(const std::string& name, int lineCount) {
        topics.emplace_back(metrics, name, NumberedLines(name, lineCount));
    }
    std::vector<tPage> Pack() {
        return PackPages(topics, metrics, [this] { ++titleTooLarge; });
    }
    static std::vector<std::string> Titles(const tPage& page) {
        std::vector<std::string> titles;
        for (const tSegment& segment : page.segments) titles.push_back(segment.title);
        return titles;
    }

    tPrintMetrics metrics;
    std::vector<tPrintableTopic> topics;
    int titleTooLarge = 0;
};

TEST_F(Packing, NothingToPrintGivesNoPages) {
    EXPECT_TRUE(Pack().empty());
    EXPECT_EQ(0, titleTooLarge);
}

TEST_F(Packing, ShortTopicsSharePageAndTheNextMovesWhole) {
    Add("A", 4);  // 40
    Add("B", 4);  // 40, 80 used
    Add("C", 2);  // 30 does not fit in the 20 left
    const std::vector<tPage> pages = Pack();
    ASSERT_EQ(2u, pages.size());
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Titles(pages[0]));
    EXPECT_EQ((std::vector<std::string>{"C"}), Titles(pages[1]));
    for (const tPage& page : pages)
        for (const tSegment& segment : page.segments) {
            EXPECT_TRUE(segment.isFirst);
            EXPECT_TRUE(segment.isLast);
        }
    EXPECT_EQ(NumberedLines("C", 2), pages[1].segments[0].lines);
}

TEST_F(Packing, TopicMustBeStrictlyShorterThanTheSpaceLeft) {
    Add("A", 12);  // 80
    Add("B", 0);   // one empty line: 25, space left 20
    Add("C", 11);  // 75 fills exactly the 75 left after B: moves on
    const std::vector<tPage> pages = Pack();
    ASSERT_EQ(3u, pages.size());
    EXPECT_EQ((std::vector<std::string>{"A"}), Titles(pages[0]));
    EXPECT_EQ((std::vector<std::string>{"B"}), Titles(pages[1]));
    EXPECT_EQ(tLines{""}, pages[1].segments[0].lines);
    EXPECT_EQ((std::vector<std::string>{"C"}), Titles(pages[2]));
}

TEST_F(Packing, TopicTallerThanAPageIsSplitIntoNumberedPieces) {
    Add("Shopping", 2);  // 30
    Add("Diary", 40);    // 220: 16 lines a page
    Add("Last", 1);
    const std::vector<tPage> pages = Pack();
    ASSERT_EQ(5u, pages.size());
    EXPECT_EQ((std::vector<std::string>{"Shopping"}), Titles(pages[0]));
    const char* titles[] = {"Diary", "Diary (Part 2)", "Diary (Part 3)"};
    const size_t counts[] = {16, 16, 8};
    tLines all;
    for (int piece = 0; piece < 3; ++piece) {
        const tPage& page = pages[1 + piece];
        ASSERT_EQ(1u, page.segments.size()) << "each piece is alone on its page";
        const tSegment& segment = page.segments[0];
        EXPECT_EQ(titles[piece], segment.title);
        EXPECT_EQ(counts[piece], segment.lines.size());
        EXPECT_EQ(piece == 0, segment.isFirst);
        EXPECT_EQ(piece == 2, segment.isLast);
        all.insert(all.end(), segment.lines.begin(), segment.lines.end());
    }
    EXPECT_EQ(NumberedLines("Diary", 40), all);
    EXPECT_EQ((std::vector<std::string>{"Last"}), Titles(pages[4])) << "a new page after a split";
    EXPECT_EQ(0, titleTooLarge);
}

TEST_F(Packing, TopicFillingAWholePageIsOnePiece) {
    Add("Full", 16);  // exactly 100: not strictly less, yet 16 lines fit
    Add("Next", 1);
    const std::vector<tPage> pages = Pack();
    ASSERT_EQ(2u, pages.size());
    ASSERT_EQ(1u, pages[0].segments.size());
    EXPECT_EQ("Full", pages[0].segments[0].title);
    EXPECT_TRUE(pages[0].segments[0].isFirst);
    EXPECT_TRUE(pages[0].segments[0].isLast);
    EXPECT_EQ(16u, pages[0].segments[0].lines.size());
}

TEST_F(Packing, PageShorterThanTitleAndOneLineStopsOnce) {
    SetSizes(metrics, 400, 24, 10, 5, 10, 10);  // 25 needed
    Add("A", 1);
    Add("B", 3);
    Add("C", 1);
    EXPECT_TRUE(Pack().empty());
    EXPECT_EQ(1, titleTooLarge);
}

TEST_F(Packing, TitleTooLargeWithoutHandlerStillStops) {
    SetSizes(metrics, 400, 10, 10, 5, 10, 10);
    Add("A", 3);
    EXPECT_TRUE(PackPages(topics, metrics, nullptr).empty());
}

TEST_F(Packing, ZeroLineHeightDoesNotDivideByZero) {
    SetSizes(metrics, 400, 20, 10, 0, 10, 10);  // every topic takes exactly the page
    Add("A", 3);
    Add("B", 2);
    const std::vector<tPage> pages = Pack();
    ASSERT_EQ(2u, pages.size());
    EXPECT_EQ(3u, pages[0].segments[0].lines.size());
    EXPECT_EQ(2u, pages[1].segments[0].lines.size());
}

TEST(PieceTitle, LaterPiecesAreNumbered) {
    EXPECT_EQ("Shopping", PieceTitle("Shopping", 1));
    EXPECT_EQ("Shopping (Part 2)", PieceTitle("Shopping", 2));
    EXPECT_EQ("Shopping (Part 12)", PieceTitle("Shopping", 12));
    EXPECT_EQ(" (Part 3)", PieceTitle("", 3));
}

TEST(LinesThatFit, TitleGapAndWholeLines) {
    tPrintMetrics metrics;
    SetSizes(metrics, 400, 100, 10, 5, 10, 10);
    const tPrintableTopic topic(metrics, "T", NumberedLines("T", 30));
    EXPECT_EQ(0, LinesThatFit(topic, 0, 24));
    EXPECT_EQ(1, LinesThatFit(topic, 0, 25));
    EXPECT_EQ(1, LinesThatFit(topic, 0, 29));
    EXPECT_EQ(2, LinesThatFit(topic, 0, 30));
    EXPECT_EQ(16, LinesThatFit(topic, 0, 100));
    EXPECT_EQ(5, LinesThatFit(topic, 25, 100)) << "no more than the lines left";
    EXPECT_EQ(0, LinesThatFit(topic, 30, 100));
    EXPECT_EQ(0, LinesThatFit(topic, 0, -5));
}

TEST(PrintableTopic, BreaksTheTopicsTextAndKeepsItsName) {
    tPrintMetrics metrics;
    SetSizes(metrics, 26, 100, 10, 5, 10, 10);  // room 6
    tPrintTopic topic;
    topic.name = "Errands";
    topic.text = "aaa bbb\r\n";
    const tPrintableTopic printable(metrics, topic, FixedWidths(1, 4));
    EXPECT_EQ("Errands", printable.name);
    EXPECT_EQ((tLines{"aaa", "bbb", ""}), printable.lines);
    EXPECT_EQ(&metrics, printable.metrics);
    const tPrintableTopic none(metrics, "Empty", tLines{});
    EXPECT_EQ(tLines{""}, none.lines) << "never without a line";
}

// ---- Packing properties over random topics and page sizes ------------------

TEST(PackingProperty, LinesStayWholeInOrderAndPiecesAreRight) {
    std::mt19937 random(7041);
    for (int round = 0; round < 2000; ++round) {
        tPrintMetrics metrics;
        const int titleHeight = std::uniform_int_distribution<int>(1, 15)(random);
        const int lineHeight = std::uniform_int_distribution<int>(1, 15)(random);
        const int titleGap = std::uniform_int_distribution<int>(0, 15)(random);
        const int printHeight = std::uniform_int_distribution<int>(10, 250)(random);
        SetSizes(metrics, 300, printHeight, titleHeight, lineHeight, titleGap, 5);
        std::vector<tPrintableTopic> topics;
        const int topicCount = std::uniform_int_distribution<int>(0, 10)(random);
        for (int t = 0; t < topicCount; ++t) {
            const std::string name = "T" + std::to_string(t);
            topics.emplace_back(metrics, name,
                                NumberedLines(name, std::uniform_int_distribution<int>(1, 60)(random)));
        }
        SCOPED_TRACE(::testing::Message() << "round " << round << " page " << printHeight
                                          << " title " << titleHeight << " line " << lineHeight
                                          << " gap " << titleGap);
        int titleTooLarge = 0;
        const std::vector<tPage> pages = PackPages(topics, metrics, [&] { ++titleTooLarge; });

        const bool tooShort = printHeight < titleHeight + lineHeight + titleGap;
        EXPECT_EQ(tooShort && topicCount > 0 ? 1 : 0, titleTooLarge);
        if (tooShort) {
            EXPECT_TRUE(pages.empty());
            continue;
        }

        // Walk the pieces in print order: topics in order, each topic's lines
        // whole and in order, titles numbered, first and last marked.
        size_t topic = 0;
        int part = 0;
        size_t line = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            const tPage& page = pages[p];
            ASSERT_FALSE(page.segments.empty()) << "page " << p;
            long long used = 0;
            for (const tSegment& segment : page.segments) {
                if (line == 0) part = 0;
                ASSERT_LT(topic, topics.size());
                const tPrintableTopic& source = topics[topic];
                ++part;
                EXPECT_EQ(PieceTitle(source.name, part), segment.title);
                EXPECT_EQ(line == 0, segment.isFirst);
                ASSERT_LE(line + segment.lines.size(), source.lines.size());
                EXPECT_TRUE(std::equal(segment.lines.begin(), segment.lines.end(),
                                       source.lines.begin() + line));
                ASSERT_FALSE(segment.lines.empty());
                line += segment.lines.size();
                EXPECT_EQ(line == source.lines.size(), segment.isLast);
                const long long whole = PieceHeight(metrics, source.lines.size());
                if (!(segment.isFirst && segment.isLast)) {
                    EXPECT_GE(whole, printHeight) << "split only when too tall for a page";
                    EXPECT_EQ(1u, page.segments.size()) << "a piece of a split topic is alone";
                }
                used += PieceHeight(metrics, static_cast<long long>(segment.lines.size()));
                if (segment.isLast) {
                    ++topic;
                    line = 0;
                }
            }
            EXPECT_LE(used, printHeight) << "page " << p;
            // A whole topic starting the next page did not fit in what this one left.
            if (p + 1 < pages.size() && page.segments.size() > 0) {
                const tSegment& next = pages[p + 1].segments.front();
                if (next.isFirst && next.isLast && page.segments.back().isFirst &&
                    page.segments.back().isLast) {
                    EXPECT_GE(used + PieceHeight(metrics, static_cast<long long>(next.lines.size())),
                              printHeight);
                }
            }
        }
        EXPECT_EQ(topics.size(), topic) << "every topic printed";
    }
}

// ---- What a piece's drawing takes ------------------------------------------

class PieceDrawing : public testing::Test {
protected:
    PieceDrawing() {
        SetSizes(metrics, 500, 700, 12, 10, 12, 12);
        metrics.margins = &margins;
    }
    std::vector<tDrawOp> Plan(bool isFirst, bool isLast, int continuedWidth = 88) {
        segment.title = "Groceries";
        segment.lines = {"milk", "\tbread"};
        segment.isFirst = isFirst;
        segment.isLast = isLast;
        return PlanSegment(segment, metrics, POINT{0, 40}, 60, continuedWidth);
    }
    static std::vector<tDrawOp> OfKind(const std::vector<tDrawOp>& ops, tDrawOp::tKind kind) {
        std::vector<tDrawOp> found;
        for (const tDrawOp& op : ops)
            if (op.kind == kind) found.push_back(op);
        return found;
    }
    static std::vector<POINT> Path(const std::vector<tDrawOp>& ops, tDrawOp::tKind kind) {
        std::vector<POINT> points;
        for (const tDrawOp& op : OfKind(ops, kind)) points.push_back(POINT{op.x, op.y});
        return points;
    }

    RECT margins = {50, 40, 50, 40};
    tPrintMetrics metrics;
    tSegment segment;
};

TEST_F(PieceDrawing, TitleAndLinesStandOneIndentInside) {
    const std::vector<tDrawOp> ops = Plan(true, true);
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(tDrawOp::kTitleText, ops[0].kind);
    EXPECT_EQ("Groceries", ops[0].text);
    EXPECT_EQ((POINT{62, 40}), (POINT{ops[0].x, ops[0].y}));
    const std::vector<tDrawOp> body = OfKind(ops, tDrawOp::kBodyText);
    ASSERT_EQ(2u, body.size());
    EXPECT_EQ("milk", body[0].text);
    EXPECT_EQ((POINT{62, 52}), (POINT{body[0].x, body[0].y}));
    EXPECT_EQ("\tbread", body[1].text);
    EXPECT_EQ((POINT{62, 62}), (POINT{body[1].x, body[1].y}));
    EXPECT_TRUE(OfKind(ops, tDrawOp::kContinuedText).empty());
}

TEST_F(PieceDrawing, TabbedLinesEndInsideTheFrame) {
    // The text starts at 62, off the page's grid of 40-unit stops. Drawn the
    // way the system draws: each tab goes to the next stop after tabOrigin.
    metrics.tabStop = 40;
    std::string words;
    for (int i = 0; i < 300; ++i) words += " w";
    std::string text;
    for (int prefix = 1; prefix < 60; ++prefix)
        text += std::string(size_t(prefix), 'a') + "\t" + words + "\r\n";
    segment.lines = BreakIntoLines(text, LineRoom(metrics), FixedWidthMeasure(1, 40));
    const int xRi = margins.left + metrics.printWidth - metrics.indent;
    int tabbed = 0, rightmost = 0;
    std::string widest;
    for (const tDrawOp& op :
         OfKind(PlanSegment(segment, metrics, POINT{0, 40}, 60, -1), tDrawOp::kBodyText)) {
        int right = op.x;
        for (char c : op.text)
            right = c == '\t' ? op.tabOrigin + ((right - op.tabOrigin) / 40 + 1) * 40 : right + 1;
        if (right > rightmost) rightmost = right, widest = op.text.substr(0, 70);
        tabbed += op.text.find('\t') != std::string::npos;
    }
    EXPECT_LT(rightmost, xRi) << widest;
    EXPECT_EQ(59, tabbed);
}

TEST_F(PieceDrawing, WholeTopicHasAClosedFrameWithThreeRoundCorners) {
    // yT 46, yTi 52, yE 72, yB 78; xL 56, xLi 62, xR 544, xRi 538.
    const std::vector<tDrawOp> ops = Plan(true, true);
    EXPECT_EQ((std::vector<POINT>{{134, 46}, {544, 52}, {538, 78}, {56, 72}}),
              Path(ops, tDrawOp::kMoveTo));
    EXPECT_EQ((std::vector<POINT>{{538, 46}, {544, 72}, {62, 78}, {56, 52}}),
              Path(ops, tDrawOp::kLineTo));
    const std::vector<tDrawOp> arcs = OfKind(ops, tDrawOp::kArc);
    ASSERT_EQ(3u, arcs.size());
    EXPECT_EQ(532, arcs[0].box.left);
    EXPECT_EQ(46, arcs[0].box.top);
    EXPECT_EQ(545, arcs[0].box.right);
    EXPECT_EQ(59, arcs[0].box.bottom);
    EXPECT_EQ((POINT{56, 66}), (POINT{arcs[2].box.left, arcs[2].box.top}));
    EXPECT_EQ((POINT{69, 79}), (POINT{arcs[2].box.right, arcs[2].box.bottom}));
}

TEST_F(PieceDrawing, ArcsJoinTheLinesAroundThem) {
    for (int flags = 0; flags < 4; ++flags) {
        const std::vector<tDrawOp> ops = Plan(flags & 1, flags & 2);
        int arcs = 0;
        for (size_t i = 0; i < ops.size(); ++i) {
            if (ops[i].kind != tDrawOp::kArc) continue;
            ++arcs;
            ASSERT_TRUE(i > 0 && i + 1 < ops.size());
            const POINT start{ops[i].x, ops[i].y};
            const POINT before{ops[i - 1].x, ops[i - 1].y};
            const POINT after{ops[i + 1].x, ops[i + 1].y};
            EXPECT_EQ(tDrawOp::kLineTo, ops[i - 1].kind);
            EXPECT_EQ(tDrawOp::kMoveTo, ops[i + 1].kind);
            // The pen reaches one end of the corner and goes on from the other.
            EXPECT_TRUE((before == ops[i].end && after == start) ||
                        (before == start && after == ops[i].end))
                << "flags " << flags << " arc " << arcs;
        }
        const int expected[] = {0, 1, 2, 3};  // middle, first, last, whole
        EXPECT_EQ(expected[flags], arcs) << "flags " << flags;
    }
}

TEST_F(PieceDrawing, LaterPieceHasSquareTopCorner) {
    const std::vector<tDrawOp> ops = Plan(false, true);
    ASSERT_GE(ops.size(), 5u);
    const std::vector<POINT> lines = Path(ops, tDrawOp::kLineTo);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ((POINT{544, 46}), lines[0]);
}

TEST_F(PieceDrawing, ContinuedPieceLeavesAGapForTheLabel) {
    const std::vector<tDrawOp> ops = Plan(true, false, 88);
    const std::vector<tDrawOp> labels = OfKind(ops, tDrawOp::kContinuedText);
    ASSERT_EQ(1u, labels.size());
    EXPECT_EQ("(Continued)", labels[0].text);
    EXPECT_EQ((POINT{50 + (500 - 88) / 2, 72}), (POINT{labels[0].x, labels[0].y}));
    // Bottom line from the right side to the gap, then from the gap to the left side.
    const std::vector<POINT> lines = Path(ops, tDrawOp::kLineTo);
    EXPECT_NE(std::find(lines.begin(), lines.end(), POINT{544, 78}), lines.end());
    const int gapRight = 50 + (500 + 88) / 2 + 12;
    const int gapLeft = 50 + (500 - 88) / 2 - 12;
    EXPECT_NE(std::find(lines.begin(), lines.end(), POINT{gapRight, 78}), lines.end());
    const std::vector<POINT> moves = Path(ops, tDrawOp::kMoveTo);
    EXPECT_NE(std::find(moves.begin(), moves.end(), POINT{gapLeft, 78}), moves.end());
    EXPECT_EQ(88 + 2 * 12, gapRight - gapLeft);
    EXPECT_EQ(300, (gapLeft + gapRight) / 2) << "centred between the margins";
    EXPECT_EQ((POINT{56, 52}), lines.back()) << "left side ends at the title's foot";
}

TEST_F(PieceDrawing, UnmeasuredLabelIsLeftOut) {
    const std::vector<tDrawOp> ops = Plan(true, false, -1);
    EXPECT_TRUE(OfKind(ops, tDrawOp::kContinuedText).empty());
    const std::vector<POINT> lines = Path(ops, tDrawOp::kLineTo);
    EXPECT_NE(std::find(lines.begin(), lines.end(), POINT{50 + 250 + 12, 78}), lines.end());
}

TEST_F(PieceDrawing, TakesTheHeightPackingReserved) {
    const std::vector<tDrawOp> ops = Plan(true, true);
    int lowest = 0;
    for (const tDrawOp& op : ops) lowest = std::max<int>(lowest, op.kind == tDrawOp::kArc ? op.box.bottom - 1 : op.y);
    EXPECT_LE(lowest, 40 + PieceHeight(metrics, 2));
    EXPECT_EQ(12 + 2 * 10 + 12, PieceHeight(metrics, 2));
}

}  // namespace
