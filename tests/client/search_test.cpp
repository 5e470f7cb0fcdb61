#include <gtest/gtest.h>
#include "client/search.h"

namespace {

TEST(Search, DownwardStartsAtSelectionEndAndNeverWraps) {
    std::string text = "cat and cat";
    EXPECT_EQ(0u, Search(text, "cat", 0, 0, true, false));
    EXPECT_EQ(8u, Search(text, "cat", 0, 3, true, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 8, 11, true, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 11, 11, true, false));
}

TEST(Search, UpwardStartsBeforeSelectionStartAndNeverWraps) {
    std::string text = "cat and cat";
    EXPECT_EQ(8u, Search(text, "cat", 11, 11, false, false));
    EXPECT_EQ(0u, Search(text, "cat", 8, 11, false, false));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 0, 3, false, false));
    // An occurrence starting at selStart - 1 counts even when it runs past selStart.
    EXPECT_EQ(8u, Search(text, "cat", 9, 9, false, false));
}

TEST(Search, WholeWordSkipsOccurrencesInsideWords) {
    std::string text = "concat cat";
    EXPECT_EQ(7u, Search(text, "cat", 0, 0, true, true));
    EXPECT_EQ(7u, Search(text, "cat", 10, 10, false, true));
    EXPECT_EQ(kNoMatch, Search(text, "cat", 7, 10, false, true));
}

TEST(Search, WholeWordBoundaries) {
    EXPECT_EQ(0u, Search("cat_x", "cat", 0, 0, true, true));       // underscore is no word char
    EXPECT_EQ(0u, Search("cat\xE9", "cat", 0, 0, true, true));     // nor are bytes from 0x80
    EXPECT_EQ(kNoMatch, Search("cats", "cat", 0, 0, true, true));
    EXPECT_EQ(2u, Search("(.cat)", "cat", 0, 0, true, true));       // punctuation bounds words
    EXPECT_EQ(0u, Search("cat", "cat", 0, 0, true, true));          // text start and end
    EXPECT_EQ(kNoMatch, Search("9cat", "cat", 0, 0, true, true));   // digits are word chars
}

TEST(Search, WholeWordRejectionSkipsOverlaps) {
    // "aaa": the occurrence at 0 is rejected (followed by 'a'); the next try
    // starts after it, so the overlapping one at 1 is never considered.
    EXPECT_EQ(kNoMatch, Search("aaa", "aa", 0, 0, true, true));
    EXPECT_EQ(4u, Search("aaa aa", "aa", 0, 0, true, true));
}

TEST(Search, EmptyPatternAndOutOfRangeSelectionEnd) {
    EXPECT_EQ(kNoMatch, Search("text", "", 0, 0, true, false));
    EXPECT_EQ(kNoMatch, Search("text", "", 4, 4, false, false));
    EXPECT_EQ(kNoMatch, Search("text", "t", 9, 9, true, false));
    EXPECT_EQ(kNoMatch, Search("", "t", 0, 0, true, false));
}

TEST(Search, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_EQ("ABC\xE9\xC9[{", UpperAscii("aBc\xE9\xC9[{"));
    EXPECT_EQ(0u, Search(UpperAscii("aBc"), UpperAscii("abc"), 0, 0, true, false));
    EXPECT_EQ(kNoMatch, Search(UpperAscii("\xE9"), UpperAscii("\xC9"), 0, 0, true, false));
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

}  // namespace
