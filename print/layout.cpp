#include "print/layout.h"
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace {

int ClampToInt(long long value) {
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

size_t NextSeparator(const std::string& text, size_t pos, size_t end) {
    while (pos < end && !IsLineSeparator(text[pos])) ++pos;
    return pos;
}

size_t SkipSeparators(const std::string& text, size_t pos, size_t end) {
    while (pos < end && IsLineSeparator(text[pos])) ++pos;
    return pos;
}

// Whether [from, to) fits without measuring it, when that is known: a run as
// long as the room cannot fit, as a character takes at least one unit. This
// also bounds the work for a font that measures nothing or a word that runs
// on for pages.
bool KnownFit(size_t from, size_t to, int room, bool& fits) {
    if (room <= 0) {
        fits = false;
        return true;
    }
    if (from == to || to - from >= static_cast<size_t>(room)) {
        fits = from == to;
        return true;
    }
    return false;
}

// Where one line of a paragraph ends and the next begins.
struct tLineBreak {
    size_t end;   // the line is [its start, end)
    size_t next;  // first character of the next line
    bool last;    // the paragraph's last line, which keeps its trailing blanks
};

// The most characters from `from` that fit, given that [from, to) does not;
// 0 when not even one does. Widths grow with the run, so the answer is found
// by doubling and then halving rather than one character at a time.
template <class tFits>
size_t LongestFittingPrefix(size_t from, size_t to, tFits& fits) {
    const size_t length = to - from;
    if (length < 2 || !fits(from, from + 1)) return 0;
    size_t good = 1;
    size_t bad = length;
    for (size_t probe = 2; probe < bad; probe *= 2) {
        if (!fits(from, from + probe)) {
            bad = probe;
            break;
        }
        good = probe;
    }
    while (bad - good > 1) {
        const size_t middle = good + (bad - good) / 2;
        if (fits(from, from + middle))
            good = middle;
        else
            bad = middle;
    }
    return good;
}

// The line of text[start, end) that begins at start, as fits(start, to)
// decides. Every test starts at the line's first character, so tabs expand
// as they will when the line stands alone.
template <class tFits>
tLineBreak ChooseLine(const std::string& text, size_t start, size_t end, tFits& fits) {
    size_t fit = start;  // end of the longest part of the line known to fit
    size_t pos = start;  // how far the paragraph has been scanned
    while (pos < end) {
        pos = NextSeparator(text, pos, end);
        if (fits(start, pos)) {
            fit = pos;
            pos = SkipSeparators(text, pos, end);
        } else if (fit != start) {
            // The blanks at a break belong to neither line.
            return {fit, SkipSeparators(text, fit, end), false};
        } else if (pos == start) {
            // Not even an empty line fits: one character a line, so the
            // text still comes out and the breaking still ends.
            return {start + 1, start + 1, false};
        } else {
            // Not even the line's first word fits: cut it by characters, at
            // least one a line; the rest of the word begins the next line.
            const size_t take = std::max<size_t>(1, LongestFittingPrefix(start, pos, fits));
            if (start + take < pos) return {start + take, start + take, false};
            return {pos, SkipSeparators(text, pos, end), false};
        }
    }
    return {end, end, true};
}

// Breaks each paragraph of text with choose(start, end), a line at a time.
template <class tChoose>
std::vector<std::string> BreakParagraphs(const std::string& text, tChoose choose) {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (;;) {
        const size_t found = text.find("\r\n", begin);
        const size_t end = found == std::string::npos ? text.size() : found;
        // An empty paragraph is one empty line; a paragraph whose last line
        // was cut off whole has none left.
        size_t start = begin;
        for (;;) {
            const tLineBreak line = choose(start, end);
            lines.push_back(text.substr(start, line.end - start));
            if (line.last || line.next >= end) break;
            start = line.next;
        }
        if (found == std::string::npos) break;
        begin = found + 2;
    }
    return lines;
}

// Fits when the measured width is below the room.
class tMeasuredFits {
public:
    tMeasuredFits(const std::string& text, int room, const tMeasureText& measure)
        : text_(text), room_(room), measure_(measure) {}

    bool operator()(size_t from, size_t to) const {
        bool fits;
        if (KnownFit(from, to, room_, fits)) return fits;
        return measure_(text_.data() + from, static_cast<int>(to - from)) < room_;
    }

private:
    const std::string& text_;
    const int room_;
    const tMeasureText& measure_;
};

// Fits from the summed widths of runs that start at one line's first
// character. The width is carried on as the run grows, so each character is
// added once per line (once more for the word that did not fit); a shorter
// run goes on from the longest one found to fit, so cutting a long word by
// halving adds each of its characters a few times, not once per try. Keeps
// the longest run found to fit and the shortest found not to, which decide
// the line.
class tSummedFits {
public:
    tSummedFits(const std::string& text, int room, const tTextWidths& widths)
        : text_(text), room_(room), widths_(widths) {}

    bool operator()(size_t from, size_t to) {
        bool fits;
        if (KnownFit(from, to, room_, fits)) return fits;
        fits = WidthTo(from, to) < room_;
        if (fits) {
            longestFit_ = std::max(longestFit_, to);
            if (to >= fitted_.at) fitted_ = summed_;
        } else {
            shortestMiss_ = std::min(shortestMiss_, to);
        }
        return fits;
    }

    void StartLine() {
        longestFit_ = 0;
        shortestMiss_ = SIZE_MAX;
    }
    size_t LongestFit() const { return longestFit_; }      // 0: none measured
    size_t ShortestMiss() const { return shortestMiss_; }  // SIZE_MAX: none measured

private:
    // How far a run from from_ is summed, as MeasureTabbed adds it up.
    struct tSum {
        size_t at = 0;        // the run [from_, at) is summed
        long long x = 0;      // up to the last tab
        long long run = 0;    // the characters since then
        bool inRun = false;
    };

    // The width MeasureTabbed gives [from, to) with summed runs.
    int WidthTo(size_t from, size_t to) {
        if (from != from_) {
            from_ = from;
            summed_ = fitted_ = tSum{from};
        } else if (to < summed_.at) {
            summed_ = to >= fitted_.at ? fitted_ : tSum{from};
        }
        tSum& s = summed_;
        for (; s.at < to; ++s.at) {
            const unsigned char c = static_cast<unsigned char>(text_[s.at]);
            if (c != '\t') {
                s.run += widths_.advance[c];
                s.inRun = true;
                continue;
            }
            if (s.inRun) s.x += RunWidth(s);
            if (widths_.tabStop > 0) s.x = (s.x / widths_.tabStop + 1) * widths_.tabStop;
            s.x = std::min<long long>(s.x, INT_MAX);
            s.run = 0;
            s.inRun = false;
        }
        return ClampToInt(std::min<long long>(s.x + (s.inRun ? RunWidth(s) : 0), INT_MAX));
    }
    int RunWidth(const tSum& s) const { return ClampToInt(s.run + widths_.runExtra); }

    const std::string& text_;
    const int room_;
    const tTextWidths& widths_;
    size_t from_ = SIZE_MAX;
    tSum summed_, fitted_;
    size_t longestFit_ = 0, shortestMiss_ = SIZE_MAX;
};

}  // namespace

bool IsLineSeparator(char c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

int MeasureTabbed(const char* text, int length, int tabStop, const tMeasureText& runWidth) {
    long long x = 0;
    int runStart = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && text[i] != '\t') continue;
        if (i > runStart) x += runWidth(text + runStart, i - runStart);
        if (i < length && tabStop > 0) x = (x / tabStop + 1) * tabStop;
        runStart = i + 1;
        x = std::min<long long>(x, INT_MAX);
    }
    return ClampToInt(x);
}

int SummedWidth(const tTextWidths& widths, const char* text, int length) {
    const tMeasureText summedRun = [&widths](const char* run, int n) {
        long long width = widths.runExtra;
        for (int i = 0; i < n; ++i) width += widths.advance[static_cast<unsigned char>(run[i])];
        return ClampToInt(width);
    };
    return MeasureTabbed(text, length, widths.tabStop, summedRun);
}

int TextWidth(const tTextWidths& widths, const char* text, int length) {
    if (!widths.exactRun) return SummedWidth(widths, text, length);
    return MeasureTabbed(text, length, widths.tabStop, widths.exactRun);
}

std::vector<std::string> BreakIntoLines(const std::string& text, int room,
                                        const tMeasureText& measure) {
    tMeasuredFits fits(text, room, measure);
    return BreakParagraphs(text, [&](size_t start, size_t end) {
        return ChooseLine(text, start, end, fits);
    });
}

std::vector<std::string> BreakIntoLines(const std::string& text, int room,
                                        const tTextWidths& widths) {
    tSummedFits summed(text, room, widths);
    const tMeasureText exactText = [&widths](const char* run, int n) {
        return TextWidth(widths, run, n);
    };
    tMeasuredFits exact(text, room, exactText);
    return BreakParagraphs(text, [&](size_t start, size_t end) {
        summed.StartLine();
        const tLineBreak line = ChooseLine(text, start, end, summed);
        if (!widths.exactRun) return line;
        // Widths grow with the run, so the device agrees with every test the
        // sums made once it agrees with the longest run that fit and the
        // shortest that did not.
        const size_t fit = summed.LongestFit(), miss = summed.ShortestMiss();
        const bool agrees = (fit == 0 || miss == SIZE_MAX || fit < miss) &&
                            (fit == 0 || exact(start, fit)) &&
                            (miss == SIZE_MAX || !exact(start, miss));
        return agrees ? line : ChooseLine(text, start, end, exact);
    });
}

int LineRoom(const tPrintMetrics& metrics) {
    return ClampToInt(static_cast<long long>(metrics.printWidth) - 2LL * metrics.indent);
}

tPrintableTopic::tPrintableTopic(const tPrintMetrics& metrics, const tPrintTopic& topic,
                                 const tTextWidths& widths)
    : metrics(&metrics), name(topic.name),
      lines(BreakIntoLines(topic.text, LineRoom(metrics), widths)) {}

tPrintableTopic::tPrintableTopic(const tPrintMetrics& metrics, std::string name,
                                 std::vector<std::string> lines)
    : metrics(&metrics), name(std::move(name)), lines(std::move(lines)) {
    if (this->lines.empty()) this->lines.emplace_back();
}

std::string PieceTitle(const std::string& name, int part) {
    if (part <= 1) return name;
    return name + " (Part " + std::to_string(part) + ")";
}

long long PieceHeight(const tPrintMetrics& metrics, long long lineCount) {
    return lineCount * metrics.lineHeight + metrics.titleHeight + metrics.titleGap;
}

int LinesThatFit(const tPrintableTopic& topic, int firstLine, int height) {
    const tPrintMetrics& metrics = *topic.metrics;
    const long long frame = static_cast<long long>(metrics.titleHeight) + metrics.titleGap;
    if (height < frame + metrics.lineHeight) return 0;
    const long long left = static_cast<long long>(topic.lines.size()) - firstLine;
    if (left <= 0) return 0;
    // A font that measures no height takes no room per line.
    if (metrics.lineHeight <= 0) return ClampToInt(left);
    return ClampToInt(std::min(left, (height - frame) / metrics.lineHeight));
}

std::vector<tPage> PackPages(const std::vector<tPrintableTopic>& topics,
                             const tPrintMetrics& metrics,
                             const std::function<void()>& titleTooLarge) {
    std::vector<tPage> pages;
    tPage page;
    long long used = 0;
    size_t t = 0;
    while (t < topics.size()) {
        const tPrintableTopic& topic = topics[t];
        const long long height = PieceHeight(metrics, static_cast<long long>(topic.lines.size()));
        if (height < metrics.printHeight - used) {
            page.segments.push_back(WholeSegment(topic.name, topic.lines));
            used += height;
            ++t;
        } else if (!page.segments.empty()) {
            // Try the topic again on a fresh page; the rest of this one stays blank.
            pages.push_back(std::move(page));
            page = tPage();
            used = 0;
        } else {
            // Too tall for a page of its own: each piece fills a page by itself.
            const int lineCount = static_cast<int>(topic.lines.size());
            int line = 0;
            for (int part = 1; line < lineCount; ++part) {
                const int count = LinesThatFit(topic, line, metrics.printHeight);
                if (count == 0) {
                    if (titleTooLarge) titleTooLarge();
                    return pages;
                }
                tSegment segment{PieceTitle(topic.name, part),
                                 std::vector<std::string>(topic.lines.begin() + line,
                                                          topic.lines.begin() + line + count),
                                 part == 1, line + count >= lineCount};
                page.segments.push_back(std::move(segment));
                pages.push_back(std::move(page));
                page = tPage();
                line += count;
            }
            ++t;
        }
    }
    if (!page.segments.empty()) pages.push_back(std::move(page));
    return pages;
}

std::vector<tDrawOp> PlanSegment(const tSegment& segment, const tPrintMetrics& metrics,
                                 POINT position, int titleWidth, int continuedWidth) {
    const int L = metrics.margins ? metrics.margins->left : 0;
    const int W = metrics.printWidth;
    const int I = metrics.indent;
    const int T = metrics.titleHeight;
    const int H = metrics.lineHeight;
    const int G = metrics.titleGap;

    std::vector<tDrawOp> ops;
    auto add = [&ops](tDrawOp::tKind kind, int x, int y, const std::string& text = std::string()) {
        tDrawOp op{kind};
        op.x = x;
        op.y = y;
        op.text = text;
        ops.push_back(std::move(op));
    };
    auto arc = [&ops](RECT box, POINT start, POINT end) {
        tDrawOp op{tDrawOp::kArc};
        op.box = box;
        op.x = start.x;
        op.y = start.y;
        op.end = end;
        ops.push_back(std::move(op));
    };

    const int y0 = position.y;
    const int textX = position.x + I + L;
    add(tDrawOp::kTitleText, textX, y0, segment.title);
    int y = y0 + T;
    for (const std::string& line : segment.lines) {
        add(tDrawOp::kBodyText, textX, y, line);
        ops.back().tabOrigin = textX;
        y += H;
    }

    const int yT = y0 + T / 2;   // top line, through the middle of the title
    const int yTi = y0 + T;      // bottom of the title
    const int yE = y;            // bottom of the text
    const int yB = yE + G / 2;   // bottom line
    const int xL = L + I / 2;
    const int xLi = L + I;
    const int xR = L + W - I / 2;
    const int xRi = L + W - I;
    const int rx = xR - xRi;
    const int ry = yB - yE;

    // The frame starts one indent right of the title and is open at the
    // top-left, where the title stands.
    add(tDrawOp::kMoveTo, L + titleWidth + 2 * I, yT);
    if (segment.isFirst) {
        add(tDrawOp::kLineTo, xRi, yT);
        arc({xRi - rx, yT, xR + 1, yTi + ry + 1}, {xR, yTi}, {xRi, yT});
        add(tDrawOp::kMoveTo, xR, yTi);
    } else {
        add(tDrawOp::kLineTo, xR, yT);
    }
    if (segment.isLast) {
        add(tDrawOp::kLineTo, xR, yE);
        arc({xRi - rx, yE - ry, xR + 1, yB + 1}, {xRi, yB}, {xR, yE});
        add(tDrawOp::kMoveTo, xRi, yB);
        add(tDrawOp::kLineTo, xLi, yB);
        arc({xL, yE - ry, xLi + rx + 1, yB + 1}, {xL, yE}, {xLi, yB});
        add(tDrawOp::kMoveTo, xL, yE);
    } else {
        // The bottom line leaves a gap one indent wider than the label on
        // each side, centred between the frame's sides.
        add(tDrawOp::kLineTo, xR, yB);
        const int cw = std::max(0, continuedWidth);
        if (continuedWidth >= 0) add(tDrawOp::kContinuedText, L + (W - cw) / 2, yE, kContinuedLabel);
        add(tDrawOp::kLineTo, L + (W + cw) / 2 + I, yB);
        add(tDrawOp::kMoveTo, L + (W - cw) / 2 - I, yB);
        add(tDrawOp::kLineTo, xL, yB);
    }
    add(tDrawOp::kLineTo, xL, yTi);
    return ops;
}
