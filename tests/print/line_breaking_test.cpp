#include <gtest/gtest.h>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>
#include "print/layout.h"
#include "print/fake_measure.h"
#include "print/page_gdi.h"

namespace {

using tLines = std::vector<std::string>;

struct tBreakCase {
    const char* what;
    std::string text;
    int room;       // a run fits when narrower than this
    int charWidth;
    int tabStop;
    tLines expected;
};

// Characters one unit wide unless a case says otherwise, so widths are counts.
const tBreakCase kBreakCases[] = {
    {"empty text is one empty line", "", 10, 1, 4, {""}},
    {"short text is one line", "abc", 10, 1, 4, {"abc"}},
    {"text ending in CR LF ends with an empty line", "abc\r\n", 10, 1, 4, {"abc", ""}},
    {"a lone CR LF is two empty lines", "\r\n", 10, 1, 4, {"", ""}},
    {"empty paragraphs between", "a\r\n\r\nb", 10, 1, 4, {"a", "", "b"}},
    {"lone CR and LF belong to their paragraph", "a\rb\nc", 10, 1, 4, {"a\rb\nc"}},
    {"LF CR is no paragraph end", "a\n\rb", 10, 1, 4, {"a\n\rb"}},
    {"two words too wide together", "aaa bbb", 6, 1, 4, {"aaa", "bbb"}},
    {"fills a line before breaking", "aa bb cc", 6, 1, 4, {"aa bb", "cc"}},
    {"width exactly the room does not fit", "aa bbb", 6, 1, 4, {"aa", "bbb"}},
    {"all blanks at a break are dropped", "aaa    bbb", 6, 1, 4, {"aaa", "bbb"}},
    {"trailing blanks stay on the last line", "ab   ", 6, 1, 4, {"ab   "}},
    {"trailing blanks stay even when too wide", "ab      ", 6, 1, 4, {"ab      "}},
    {"blanks only are one line", "        ", 3, 1, 4, {"        "}},
    {"leading blanks stay", "  ab", 10, 1, 4, {"  ab"}},
    {"leading blanks too wide are cut with the word", "    abcd", 6, 1, 4, {"    a", "bcd"}},
    {"other separators break lines", "ab\vcd\fef\ngh\rij", 3, 1, 4,
     {"ab", "cd", "ef", "gh", "ij"}},
    {"long word alone", "abcdefghij", 4, 1, 4, {"abc", "def", "ghi", "j"}},
    {"long word at the start", "abcdefg hi", 4, 1, 4, {"abc", "def", "g", "hi"}},
    {"long word after other words starts a new line", "xy abcdefgh z", 5, 1, 4,
     {"xy", "abcd", "efgh", "z"}},
    {"long word at the end", "ab cdefghi", 4, 1, 4, {"ab", "cde", "fgh", "i"}},
    {"word exactly twice the line", "abcdef", 4, 1, 4, {"abc", "def"}},
    {"characters from 0x80 up are word characters", "\xe9\xe9\xe9 \xe9\xa0\xe9", 4, 1, 4,
     {"\xe9\xe9\xe9", "\xe9\xa0\xe9"}},
    {"wider characters", "ab cd ef", 51, 10, 40, {"ab cd", "ef"}},
    {"wider characters, exactly the room", "ab cd ef", 50, 10, 40, {"ab", "cd", "ef"}},
    // Tabs go to the next multiple of the tab stop from the start of the line.
    {"tab fits", "a\tb", 6, 1, 4, {"a\tb"}},
    {"tab makes it too wide", "a\tb", 5, 1, 4, {"a", "b"}},
    {"tab on a later line counts from that line", "aaaaaa bb\tcc", 7, 1, 4,
     {"aaaaaa", "bb\tcc"}},
    {"tab exactly on a stop moves a whole stop", "abcd\tx", 10, 1, 4, {"abcd\tx"}},
    {"tab exactly on a stop, too wide", "abcd\tx", 9, 1, 4, {"abcd", "x"}},
    {"leading tab counts in the cut", "\tabcdef", 6, 1, 4, {"\ta", "bcdef"}},
    {"line of tabs only", "\t\t\t", 5, 1, 4, {"\t\t\t"}},
    // Degenerate widths: the text still comes out, a character a line at least.
    {"room narrower than a character", "abc", 1, 1, 4, {"a", "b", "c"}},
    {"character far wider than the room", "ab cd", 5, 10, 40, {"a", "b", "c", "d"}},
    {"no room at all", "ab cd", 0, 1, 4, {"a", "b", "c", "d"}},
    {"negative room", "a b", -20, 1, 4, {"a", "b"}},
    {"no room, blanks come out one by one", " a", 0, 1, 4, {" ", "a"}},
    {"no room, empty text", "", 0, 1, 4, {""}},
    {"no room, line of tabs", "\t\t", 0, 1, 4, {"\t", "\t"}},
    {"no room, blanks after a cut word are a break", "a  \r\nb", 0, 1, 4, {"a", "b"}},
    {"font that measures nothing: a line holds less than the room", "abcdefghij", 4, 0, 0,
     {"abc", "def", "ghi", "j"}},
    {"font that measures nothing: words share lines", "a b c d e f", 100, 0, 0,
     {"a b c d e f"}},
    {"zero tab stop: tabs take no room", "a\t\t\tb", 6, 1, 0, {"a\t\t\tb"}},
};

class BreakIntoLinesTable : public testing::TestWithParam<tBreakCase> {};

TEST_P(BreakIntoLinesTable, Breaks) {
    const tBreakCase& c = GetParam();
    EXPECT_EQ(c.expected, BreakIntoLines(c.text, c.room, FixedWidthMeasure(c.charWidth, c.tabStop)))
        << c.what;
    EXPECT_EQ(c.expected, BreakIntoLines(c.text, c.room, FixedWidths(c.charWidth, c.tabStop)))
        << c.what << ", summed widths";
}

INSTANTIATE_TEST_SUITE_P(Cases, BreakIntoLinesTable, testing::ValuesIn(kBreakCases));

TEST(MeasureTabbed, ExpandsTabsFromTheStart) {
    const tMeasureText perChar = [](const char*, int n) { return 3 * n; };
    EXPECT_EQ(0, MeasureTabbed("", 0, 8, perChar));
    EXPECT_EQ(9, MeasureTabbed("abc", 3, 8, perChar));
    EXPECT_EQ(8, MeasureTabbed("\t", 1, 8, perChar));
    EXPECT_EQ(16, MeasureTabbed("\t\t", 2, 8, perChar));
    EXPECT_EQ(11, MeasureTabbed("ab\tc", 4, 8, perChar));     // 6 -> 8 -> 11
    EXPECT_EQ(39, MeasureTabbed("abcdefgh\tc", 10, 12, perChar));  // 24 is a stop: on to 36
}

TEST(MeasureTabbed, RunOnAStopMovesAWholeStop) {
    const tMeasureText perChar = [](const char*, int n) { return n; };
    EXPECT_EQ(9, MeasureTabbed("abcd\tx", 6, 4, perChar));
    EXPECT_EQ(5, MeasureTabbed("abc\tx", 5, 4, perChar));
    EXPECT_EQ(2, MeasureTabbed("a\tb", 3, 0, perChar));  // no stop: tabs take nothing
    EXPECT_EQ(2, MeasureTabbed("a\tb", 3, -4, perChar));
}

TEST(MeasureTabbed, MeasuresOnlyTheRunsBetweenTabs) {
    std::vector<std::string> runs;
    const tMeasureText record = [&runs](const char* text, int n) {
        runs.emplace_back(text, n);
        return n;
    };
    MeasureTabbed("ab\t\tcd\te", 8, 4, record);
    EXPECT_EQ((std::vector<std::string>{"ab", "cd", "e"}), runs);
}

TEST(MeasureTabbed, HugeWidthsDoNotWrap) {
    const tMeasureText huge = [](const char*, int) { return 2000000000; };
    EXPECT_EQ(2147483647, MeasureTabbed("a\tb\tc", 5, 8, huge));
}

TEST(LineRoom, LeavesAnIndentOnEachSide) {
    tPrintMetrics metrics;
    SetSizes(metrics, 1000, 0, 0, 0, 0, 30);
    EXPECT_EQ(940, LineRoom(metrics));
    SetSizes(metrics, 40, 0, 0, 0, 0, 30);
    EXPECT_EQ(-20, LineRoom(metrics));
}

TEST(BreakIntoLines, LongWordIsNotMeasuredOverAndOver) {
    // A pasted blob without blanks runs on for many lines; measuring must stay
    // close to linear in the text, not once per line over the whole word.
    const std::string word(200000, 'x');
    long long measured = 0;
    const tMeasureText counting = [&measured](const char*, int n) {
        measured += n;
        return n * 7;
    };
    const tLines lines = BreakIntoLines(word + " tail", 700, counting);
    ASSERT_EQ(2021u, lines.size());  // 99 characters of 7 units fit below 700
    EXPECT_EQ(std::string(99, 'x'), lines.front());
    EXPECT_EQ(std::string(99, 'x'), lines[2019]);
    EXPECT_EQ(std::string(20, 'x') + " tail", lines.back());
    EXPECT_LT(measured, 50LL * static_cast<long long>(word.size()));
}

TEST(BreakIntoLines, FontMeasuringNothingEndsOnLongText) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "word ";
    long long measured = 0;
    const tMeasureText nothing = [&measured](const char*, int n) {
        measured += n;
        return 0;
    };
    const tLines lines = BreakIntoLines(text, 80, nothing);
    EXPECT_GT(lines.size(), 1000u);
    for (const std::string& line : lines) EXPECT_LT(line.size(), 85u);
    EXPECT_LT(measured, 200LL * static_cast<long long>(text.size()));
}

// ---- Properties over random texts and widths -------------------------------

std::vector<std::string> Paragraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    size_t begin = 0;
    for (;;) {
        const size_t end = text.find("\r\n", begin);
        paragraphs.push_back(text.substr(begin, end == std::string::npos ? std::string::npos
                                                                         : end - begin));
        if (end == std::string::npos) return paragraphs;
        begin = end + 2;
    }
}

std::string StripTrailingSeparators(std::string line) {
    while (!line.empty() && IsLineSeparator(line.back())) line.pop_back();
    return line;
}

// The paragraph is its lines in order with nothing but blanks left out between
// or after them.
::testing::AssertionResult RebuildsParagraph(const std::string& paragraph, const tLines& lines) {
    size_t at = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        while (paragraph.compare(at, line.size(), line) != 0) {
            if (at >= paragraph.size() || !IsLineSeparator(paragraph[at]))
                return ::testing::AssertionFailure() << "line " << i << " \"" << line
                                                     << "\" not found at " << at;
            ++at;
        }
        if (line.empty() && lines.size() != 1)
            return ::testing::AssertionFailure() << "empty line in a paragraph of several";
        at += line.size();
    }
    for (; at < paragraph.size(); ++at)
        if (!IsLineSeparator(paragraph[at]))
            return ::testing::AssertionFailure() << "text left over at " << at;
    return ::testing::AssertionSuccess();
}

std::string RandomText(std::mt19937& random) {
    const char alphabet[] = {'a', 'b', 'c', 'd', 'e', ' ', ' ', '\t', '\r', '\n', '\v',
                             '\xe9', 'W', 'x', 'y', 'z', 'A', 'V'};
    std::string text;
    const int length = std::uniform_int_distribution<int>(0, 120)(random);
    for (int i = 0; i < length; ++i) {
        if (std::uniform_int_distribution<int>(0, 30)(random) == 0)
            text += "\r\n";
        else
            text += alphabet[std::uniform_int_distribution<size_t>(0, sizeof alphabet - 1)(random)];
    }
    return text;
}

TEST(BreakIntoLinesProperty, EveryCharacterOnOneLineInOrderAndLinesFit) {
    std::mt19937 random(20240611);
    const int charWidths[] = {0, 1, 1, 2, 3, 7, 40};
    const int tabStops[] = {0, 1, 4, 8, 13};
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const int room = std::uniform_int_distribution<int>(-3, 40)(random);
        const int charWidth = charWidths[std::uniform_int_distribution<int>(0, 6)(random)];
        const int tabStop = tabStops[std::uniform_int_distribution<int>(0, 4)(random)];
        const tMeasureText measure = FixedWidthMeasure(charWidth, tabStop);
        SCOPED_TRACE(::testing::Message() << "round " << round << " room " << room << " width "
                                          << charWidth << " tab " << tabStop);

        const tLines lines = BreakIntoLines(text, room, measure);
        ASSERT_EQ(lines, BreakIntoLines(text, room, FixedWidths(charWidth, tabStop)));
        ASSERT_FALSE(lines.empty());
        ASSERT_LE(lines.size(), text.size() + 1);

        // Paragraphs break on their own, and together give the whole text.
        tLines joined;
        for (const std::string& paragraph : Paragraphs(text)) {
            const tLines own = BreakIntoLines(paragraph, room, measure);
            ASSERT_FALSE(own.empty());
            ASSERT_TRUE(RebuildsParagraph(paragraph, own)) << "paragraph \"" << paragraph << "\"";
            joined.insert(joined.end(), own.begin(), own.end());
        }
        ASSERT_EQ(joined, lines);

        for (const std::string& line : lines) {
            const std::string body = StripTrailingSeparators(line);
            if (body.size() <= 1) continue;  // a single character goes out even when too wide
            EXPECT_LT(measure(body.data(), static_cast<int>(body.size())), room) << '"' << line << '"';
            EXPECT_LT(static_cast<int>(body.size()), room) << '"' << line << '"';
        }
    }
}

// ---- Widths taken once, for fonts whose runs are not plain sums ----------

int CharWidth(char c) {
    return 2 + static_cast<unsigned char>(c) % 5;
}

// How a few kinds of font measure a run, and whether the sums of their
// characters' widths give it.
struct tFakeFont {
    const char* what;
    tMeasureText run;
    bool additive;
};

const tFakeFont kFakeFonts[] = {
    {"overhang once per run",
     [](const char* text, int n) {
         int width = 3;
         for (int i = 0; i < n; ++i) width += CharWidth(text[i]);
         return width;
     },
     true},
    {"fractions rounded once per run",
     [](const char* text, int n) {
         double width = 0;
         for (int i = 0; i < n; ++i) width += CharWidth(text[i]) * 0.37;
         return static_cast<int>(width);
     },
     false},
    {"kerned pairs",
     [](const char* text, int n) {
         int width = 0;
         for (int i = 0; i < n; ++i) {
             width += CharWidth(text[i]);
             if (i > 0 && text[i - 1] == 'A' && text[i] == 'V') width -= 2;
         }
         return width;
     },
     false},
};

void PrintTo(const tFakeFont& font, std::ostream* out) {
    *out << font.what;
}

class FakeFonts : public testing::TestWithParam<tFakeFont> {};

TEST_P(FakeFonts, WidthsMeasureAsTheFont) {
    const tFakeFont& font = GetParam();
    const tTextWidths widths = WidthsOfRuns(font.run, 16, true);
    EXPECT_EQ(font.additive, !widths.exactRun);
    for (const char* text : {"", "x", "AV\tAVA", "\tzz\t\t\xe9\xff", "The Very Average Word"}) {
        const int length = static_cast<int>(std::strlen(text));
        EXPECT_EQ(MeasureTabbed(text, length, 16, font.run), TextWidth(widths, text, length))
            << '"' << text << '"';
    }
    // A byte need not be a character: then every run is measured as it stands.
    EXPECT_TRUE(WidthsOfRuns(font.run, 16, false).exactRun);
}

TEST_P(FakeFonts, SummedWidthsBreakAsMeasuringEveryRun) {
    const tFakeFont& font = GetParam();
    std::mt19937 random(20261208);
    const int tabStops[] = {0, 5, 16};
    for (int round = 0; round < 1500; ++round) {
        const std::string text = RandomText(random);
        const int room = std::uniform_int_distribution<int>(-2, 90)(random);
        const int tabStop = tabStops[round % 3];
        const tMeasureText measure = [&](const char* run, int n) {
            return MeasureTabbed(run, n, tabStop, font.run);
        };
        ASSERT_EQ(BreakIntoLines(text, room, measure),
                  BreakIntoLines(text, room, WidthsOfRuns(font.run, tabStop, true)))
            << "round " << round << " room " << room << " tab " << tabStop << " \"" << text << '"';
    }
}

TEST_P(FakeFonts, CheckedLinesMeasureEachCharacterAFewTimes) {
    const tFakeFont& font = GetParam();
    std::string text;
    for (int i = 0; i < 10000; ++i) text += i % 30 ? "word AVid\t" : "\r\n";
    long long measured = 0;
    const tMeasureText counting = [&](const char* run, int n) {
        measured += n;
        return font.run(run, n);
    };
    const tTextWidths widths = WidthsOfRuns(counting, 40, true);
    const long long table = measured;
    const tLines lines = BreakIntoLines(text, 400, widths);
    EXPECT_GT(lines.size(), 1000u);
    // Measuring every word's run from its line's start would take each
    // character about five times here; checking a line takes two runs.
    EXPECT_LE(measured - table, font.additive ? 0 : 3 * static_cast<long long>(text.size()));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FakeFonts, testing::ValuesIn(kFakeFonts));

}  // namespace
