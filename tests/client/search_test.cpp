#include <gtest/gtest.h>
#include "client/find_all.h"
#include "client/search.h"

namespace {

TEST(Search, DownwardStartsAtSelectionEndAndNeverWraps) {
    std::string text = "cat and cat";
    EXPECT_EQ(0u, Search(text, "cat", 0, 0, tDirection::down, false));
    EXPECT_EQ(8u, Search(text, "cat", 0, 3, tDirection::down, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 8, 11, tDirection::down, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 11, 11, tDirection::down, false));
}

TEST(Search, UpwardStartsBeforeSelectionStartAndNeverWraps) {
    std::string text = "cat and cat";
    EXPECT_EQ(8u, Search(text, "cat", 11, 11, tDirection::up, false));
    EXPECT_EQ(0u, Search(text, "cat", 8, 11, tDirection::up, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 0, 3, tDirection::up, false));
    // An occurrence starting at selStart - 1 counts even when it runs past selStart.
    EXPECT_EQ(8u, Search(text, "cat", 9, 9, tDirection::up, false));
}

TEST(Search, WholeWordSkipsOccurrencesInsideWords) {
    std::string text = "concat cat";
    EXPECT_EQ(7u, Search(text, "cat", 0, 0, tDirection::down, true));
    EXPECT_EQ(7u, Search(text, "cat", 10, 10, tDirection::up, true));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 7, 10, tDirection::up, true));
}

TEST(Search, WholeWordBoundaries) {
    EXPECT_EQ(0u, Search("cat_x", "cat", 0, 0, tDirection::down, true));       // underscore is no word char
    EXPECT_EQ(0u, Search("cat\xE9", "cat", 0, 0, tDirection::down, true));     // nor are bytes from 0x80
    EXPECT_EQ(kNoMatch, Search("cats", "cat", 0, 0, tDirection::down, true));
    EXPECT_EQ(2u, Search("(.cat)", "cat", 0, 0, tDirection::down, true));       // punctuation bounds words
    EXPECT_EQ(0u, Search("cat", "cat", 0, 0, tDirection::down, true));          // text start and end
    EXPECT_EQ(kNoMatch, Search("9cat", "cat", 0, 0, tDirection::down, true));   // digits are word chars
}

TEST(Search, WholeWordRejectionSkipsOverlaps) {
    // "aaa": the occurrence at 0 is rejected (followed by 'a'); the next try
    // starts after it, so the overlapping one at 1 is never considered.
    EXPECT_EQ(kNoMatch, Search("aaa", "aa", 0, 0, tDirection::down, true));
    EXPECT_EQ(4u, Search("aaa aa", "aa", 0, 0, tDirection::down, true));
}

TEST(Search, EmptyPatternAndOutOfRangeSelectionEnd) {
    EXPECT_EQ(kNoMatch, Search("text", "", 0, 0, tDirection::down, false));
    EXPECT_EQ(kNoMatch, Search("text", "", 4, 4, tDirection::up, false));
    EXPECT_EQ(kNoMatch, Search("text", "t", 9, 9, tDirection::down, false));
    EXPECT_EQ(kNoMatch, Search("", "t", 0, 0, tDirection::down, false));
}

TEST(Search, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_EQ("ABC\xE9\xC9[{", UpperAscii("aBc\xE9\xC9[{"));
    // Eight bytes at a time: every byte value at every place in a word, and a tail.
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    for (size_t shift = 0; shift < 8; ++shift) {
        std::string text = std::string(shift, 'q') + all + all.substr(0, 5), out = "old";
        UpperAsciiInto(text, out);
        EXPECT_EQ(UpperAscii(text), out) << shift;
    }
    EXPECT_EQ(0u, Search(UpperAscii("aBc"), UpperAscii("abc"), 0, 0, tDirection::down, false));
    EXPECT_EQ(kNoMatch, Search(UpperAscii("\xE9"), UpperAscii("\xC9"), 0, 0, tDirection::down, false));
}

TEST(SelectionOccurrence, LengthBytesAndWordRule) {
    EXPECT_TRUE(SelectionIsOccurrence("a cat", "cat", 2, 5, false));
    EXPECT_FALSE(SelectionIsOccurrence("a cat", "cat", 2, 4, false));
    EXPECT_FALSE(SelectionIsOccurrence("a cats", "cat", 2, 5, true));
    EXPECT_TRUE(SelectionIsOccurrence("a cats", "cat", 2, 5, false));
    EXPECT_FALSE(SelectionIsOccurrence("a cat", "cat", 5, 2, false));
    EXPECT_FALSE(SelectionIsOccurrence("a cat", "cat", 4, 7, false));
}

TEST(ReplaceAll, ReplacementContainingPatternEnds) {
    std::string text = "aaa";
    EXPECT_EQ(3u, ReplaceAllInText(text, 0, "a", "aa", true, false));
    EXPECT_EQ("aaaaaa", text);
}

TEST(ReplaceAll, TextBeforeStartIsKept) {
    std::string text = "cat cat cat";
    EXPECT_EQ(2u, ReplaceAllInText(text, 4, "cat", "dog", true, false));
    EXPECT_EQ("cat dog dog", text);
}

TEST(ReplaceAll, CaseAndWholeWord) {
    std::string text = "Cat concat CAT cat_";
    EXPECT_EQ(3u, ReplaceAllInText(text, 0, "cat", "x", false, true));
    EXPECT_EQ("x concat x x_", text);
    text = "Cat cat";
    EXPECT_EQ(1u, ReplaceAllInText(text, 0, "cat", "x", true, false));
    EXPECT_EQ("Cat x", text);
}

TEST(ReplaceAll, WholeWordAfterStartInsideWord) {
    // Starting inside a word: the byte before the start decides the first boundary.
    std::string text = "xcat cat";
    EXPECT_EQ(1u, ReplaceAllInText(text, 1, "cat", "dog", true, true));
    EXPECT_EQ("xcat dog", text);
}

TEST(ReplaceAll, NothingFoundLeavesTextAndEmptyPatternEnds) {
    std::string text = "abc";
    EXPECT_EQ(0u, ReplaceAllInText(text, 0, "z", "y", true, false));
    EXPECT_EQ(0u, ReplaceAllInText(text, 0, "", "y", true, false));
    EXPECT_EQ(0u, ReplaceAllInText(text, 7, "a", "y", true, false));
    EXPECT_EQ("abc", text);
}

TEST(ReplaceAll, LongTextCountsEveryOccurrence) {
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "ab ";
    EXPECT_EQ(50000u, ReplaceAllInText(text, 0, "ab", "abab", true, true));
    EXPECT_EQ(size_t(50000 * 5), text.size());
    EXPECT_EQ("abab abab ", text.substr(0, 10));
}


// Find in All Topics: rows as "topic|line|text", with the summary.
struct tFindAllCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> topics;
    tFindAllQuery query;
    std::vector<std::string> rows;
    std::string summary;
};

std::vector<std::string> Rows(const tFindAllResults& results) {
    std::vector<std::string> rows;
    for (size_t row = 0; row < results.hits.size(); ++row) {
        std::string text;
        for (int column : {kTopicColumn, kLineColumn, kTextColumn})
            text += (column == kTopicColumn ? "" : "|") + results.CellText(row, column);
        rows.push_back(text);
    }
    return rows;
}

TEST(FindAll, EveryTopicWithFindsRules) {
    const std::string longLine = std::string(300, 'x') + " cat " + std::string(300, 'y');
    const tFindAllCase cases[] = {
        {"letter case", {{"A", "Cat cat"}, {"B", "CAT"}}, {"cat", false, false},
         {"A|1|Cat cat", "A|1|Cat cat", "B|1|CAT"}, "3 matches in 2 topics"},
        {"match case", {{"A", "Cat cat"}, {"B", "CAT"}}, {"cat", true, false}, {"A|1|Cat cat"},
         "1 match in 1 topic"},
        {"whole word at text and line edges",
         {{"A", "cat\r\nconcat cat,\r\ncats\r\ncat"}}, {"cat", false, true},
         {"A|1|cat", "A|2|concat cat,", "A|4|cat"}, "3 matches in 1 topic"},
        {"several on one line, tabs shown as spaces", {{"A", "x\r\n\tab ab\tab"}},
         {"ab", true, true}, {"A|2| ab ab ab", "A|2| ab ab ab", "A|2| ab ab ab"},
         "3 matches in 1 topic"},
        {"no hit spans a line break", {{"A", "end\r\nstart"}}, {"end start", false, false}, {},
         "No matches"},
        {"a text to find with a line break finds nothing", {{"A", "end\r\nstart"}},
         {"end\r\nstart", true, false}, {}, "No matches"},
        {"empty topics", {{"A", ""}, {"B", "dog"}, {"C", ""}}, {"dog", false, false}, {"B|1|dog"},
         "1 match in 1 topic"},
        {"lines counted in CR LF text", {{"A", "a\r\n\r\nb\r\n\r\n\r\nthe dog\r\n"}},
         {"dog", false, false}, {"A|6|the dog"}, "1 match in 1 topic"},
        {"a long line is cut around the match", {{"A", longLine}}, {"cat", false, true},
         {"A|1|..." + std::string(40 - 1, 'x') + " cat " + std::string(200 - 44, 'y') + "..."},
         "1 match in 1 topic"},
        {"overlaps not counted twice", {{"A", "aaaa"}}, {"aa", true, false},
         {"A|1|aaaa", "A|1|aaaa"}, "2 matches in 1 topic"},
        {"nothing to find", {{"A", "text"}}, {"", false, false}, {}, "No matches"},
        {"no hits", {{"A", "text"}, {"B", "more"}}, {"dog", false, false}, {}, "No matches"},
    };
    for (const tFindAllCase& c : cases) {
        std::vector<tTopicToSearch> topics;
        for (const auto& topic : c.topics) topics.push_back({&topic.first, &topic.second});
        tFindAllResults results = FindInTopics(topics, c.query);
        EXPECT_EQ(c.rows, Rows(results)) << c.label;
        EXPECT_EQ(c.summary, results.Summary()) << c.label;
        // Each hit is where Find would select it.
        for (const tFoundHit& hit : results.hits) {
            const std::string& text = c.topics[hit.topic].second;
            EXPECT_TRUE(SelectionIsOccurrence(c.query.matchCase ? text : UpperAscii(text),
                                              c.query.matchCase ? c.query.what
                                                                : UpperAscii(c.query.what),
                                              hit.at, hit.at + c.query.what.size(),
                                              c.query.wholeWord))
                << c.label << " at " << hit.at;
        }
    }
}

TEST(FindAll, CurrentTopicAsTheEditControlHoldsIt) {
    tNotebook notebook;
    notebook.TakeOver({{"Saved", "old words"}, {"Other", "old words too"}});
    notebook.Select(0);
    const std::string typed = "new words";
    std::vector<tTopicToSearch> topics = TopicsToSearch(notebook, typed);
    EXPECT_EQ((std::vector<std::string>{"Saved|1|new words"}),
              Rows(FindInTopics(topics, {"new", false, false})));
    EXPECT_EQ((std::vector<std::string>{"Other|1|old words too"}),
              Rows(FindInTopics(topics, {"old", false, false})));
}

// Going to a hit of results that are out of date: its text must still be where it was.
TEST(FindAll, AHitIsStillThereOnlyWhereItsTextIs) {
    const tFindAllQuery anyCase{"cat", false, false}, exact{"cat", true, false}, word{"cat", false, true};
    const struct {
        const char* label;
        std::string text;
        size_t at;
        tFindAllQuery query;
        bool there;
    } cases[] = {
        {"unchanged", "a cat", 2, anyCase, true},
        {"other letter case, any case", "a CAT", 2, anyCase, true},
        {"other letter case, match case", "a CAT", 2, exact, false},
        {"a line added above moves it", "new line\r\na cat", 2, anyCase, false},
        {"cut short", "a ca", 2, anyCase, false},
        {"beyond the end", "cat", 7, anyCase, false},
        {"now inside a word", "a cats", 2, word, false},
        {"a word at both ends", "cat", 0, word, true},
        {"behind a NUL the edit control does not show", std::string("a\0cat", 5), 2, anyCase, false},
        {"nothing to find", "cat", 0, tFindAllQuery{"", false, false}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.there, HitStillThere(c.text, c.at, c.query)) << c.label;
}

// A topic holding a NUL byte shows only what comes before it: nothing after it is a hit.
TEST(FindAll, SearchesOnlyWhatTheEditControlShows) {
    const std::string a = "A", b = "B";
    const std::string withNul("cat one\0cat two", 15), plain = "cat";
    tFindAllResults results = FindInTopics({{&a, &withNul}, {&b, &plain}}, {"cat", false, false});
    EXPECT_EQ((std::vector<std::string>{"A|1|cat one", "B|1|cat"}), Rows(results));
    EXPECT_EQ("2 matches in 2 topics", results.Summary());
}

// One search keeps a bounded number of hits, and says so.
TEST(FindAll, KeepsAtMostItsLimitOfHits) {
    const std::string a = "A", b = "B", text = "aaaa";
    tFindAllResults results;
    results.hitLimit = 4;
    results.Find({{&a, &text}, {&b, &text}}, {"a", false, false});
    EXPECT_EQ(4u, results.hits.size());
    EXPECT_TRUE(results.stoppedAtLimit);
    EXPECT_EQ("The first 4 matches in 1 topic (the search stops there: there are more)", results.Summary());
    results.Find({{&a, &text}}, {"a", false, false});  // exactly the limit: nothing more
    EXPECT_FALSE(results.stoppedAtLimit);
    EXPECT_EQ("4 matches in 1 topic", results.Summary());
    EXPECT_EQ(kMaxFoundHits, tFindAllResults().hitLimit);
}

TEST(FindAll, RowsShowTheTextAsSearchedUntilTheNextSearch) {
    const std::string a = "A";
    std::string text = "one cat\r\ntwo cats";
    tFindAllResults results;
    results.Find({{&a, &text}}, {"cat", false, false});
    text = "changed";
    EXPECT_EQ((std::vector<std::string>{"A|1|one cat", "A|2|two cats"}), Rows(results));
    results.Find({{&a, &text}}, {"hang", false, false});
    EXPECT_EQ((std::vector<std::string>{"A|1|changed"}), Rows(results));
}
}  // namespace
