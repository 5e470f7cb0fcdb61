#include "print/layout.h"
#include <algorithm>
#include <climits>
#include <utility>

namespace {

int ClampToInt(long long value) {
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

// Breaks the paragraphs of one text into lines. Every measurement starts at
// the first character of the line being built, so tabs expand as they will
// be measured when the line stands alone.
class tLineBreaker {
public:
    tLineBreaker(const std::string& text, int room, const tMeasureText& measure,
                 std::vector<std::string>& lines)
        : text_(text), room_(room), measure_(measure), lines_(lines) {}

    void Paragraph(size_t begin, size_t end) {
        const size_t linesBefore = lines_.size();
        size_t start = begin;  // first character of the line being built
        size_t pos = begin;    // how far the paragraph has been scanned
        size_t fit = begin;    // end of the longest part of the line known to fit
        while (pos < end) {
            pos = NextSeparator(pos, end);
            if (Fits(start, pos)) {
                fit = pos;
                pos = SkipSeparators(pos, end);
            } else if (fit != start) {
                // The blanks at a break belong to neither line.
                Emit(start, fit);
                start = fit = pos = SkipSeparators(fit, end);
            } else if (pos == start) {
                // Not even an empty line fits: one character a line, so the
                // text still comes out and the loop still ends.
                Emit(start, start + 1);
                start = fit = pos = start + 1;
            } else {
                // Not even the line's first word fits: cut it by characters,
                // at least one a line.
                const size_t take = std::max<size_t>(1, LongestFittingPrefix(start, pos));
                Emit(start, start + take);
                if (start + take < pos) {
                    start = fit = start + take;
                    pos = start + 1;  // the rest of the word is scanned again
                } else {
                    start = fit = pos = SkipSeparators(pos, end);
                }
            }
        }
        // The last line keeps its trailing blanks; an empty paragraph is one
        // empty line. A paragraph whose last line was cut off whole has none left.
        if (start < end || lines_.size() == linesBefore) Emit(start, end);
    }

private:
    size_t NextSeparator(size_t pos, size_t end) const {
        while (pos < end && !IsLineSeparator(text_[pos])) ++pos;
        return pos;
    }
    size_t SkipSeparators(size_t pos, size_t end) const {
        while (pos < end && IsLineSeparator(text_[pos])) ++pos;
        return pos;
    }

    bool Fits(size_t from, size_t to) const {
        if (room_ <= 0) return false;
        if (from == to) return true;
        // A character takes at least one unit, so a run as long as the room
        // cannot fit. This also bounds the work for a font that measures
        // nothing or a word that runs on for pages.
        if (to - from >= static_cast<size_t>(room_)) return false;
        return measure_(text_.data() + from, static_cast<int>(to - from)) < room_;
    }

    // The most characters from `from` that fit, given that [from, to) does
    // not; 0 when not even one does. Widths grow with the run, so the answer
    // is found by doubling and then halving rather than one character at a time.
    size_t LongestFittingPrefix(size_t from, size_t to) const {
        const size_t length = to - from;
        if (length < 2 || !Fits(from, from + 1)) return 0;
        size_t good = 1;
        size_t bad = length;
        for (size_t probe = 2; probe < bad; probe *= 2) {
            if (!Fits(from, from + probe)) {
                bad = probe;
                break;
            }
            good = probe;
        }
        while (bad - good > 1) {
            const size_t middle = good + (bad - good) / 2;
            if (Fits(from, from + middle))
                good = middle;
            else
                bad = middle;
        }
        return good;
    }

    void Emit(size_t from, size_t to) { lines_.push_back(text_.substr(from, to - from)); }

    const std::string& text_;
    const int room_;
    const tMeasureText& measure_;
    std::vector<std::string>& lines_;
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

std::vector<std::string> BreakIntoLines(const std::string& text, int room,
                                        const tMeasureText& measure) {
    std::vector<std::string> lines;
    tLineBreaker breaker(text, room, measure, lines);
    size_t begin = 0;
    for (;;) {
        const size_t lineEnd = text.find("\r\n", begin);
        breaker.Paragraph(begin, lineEnd == std::string::npos ? text.size() : lineEnd);
        if (lineEnd == std::string::npos) break;
        begin = lineEnd + 2;
    }
    return lines;
}

int LineRoom(const tPrintMetrics& metrics) {
    return ClampToInt(static_cast<long long>(metrics.printWidth) - 2LL * metrics.indent);
}

tPrintableTopic::tPrintableTopic(const tPrintMetrics& metrics, const tPrintTopic& topic,
                                 const tMeasureText& measure)
    : metrics(&metrics), name(topic.name),
      lines(BreakIntoLines(topic.text, LineRoom(metrics), measure)) {}

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
