#include <gtest/gtest.h>
#include "client/url.h"

namespace {

TEST(SelectionCandidate, TrimsMenuWhitespaceOnBothEnds) {
    std::string text = "see \t http://a.b/c\r\n next";
    size_t start = 3, end = text.find("next");
    EXPECT_EQ("http://a.b/c", SelectionCandidate(text, start, end));
    EXPECT_EQ("", SelectionCandidate(" \r\n\v\f\t ", 0, 7));
    EXPECT_EQ("", SelectionCandidate("abc", 2, 2));
    EXPECT_EQ("bc", SelectionCandidate("abc", 1, 99));
    EXPECT_EQ("\xA0x\xA0", SelectionCandidate("\xA0x\xA0", 0, 3));  // 0xA0 is not whitespace
}

TEST(UrlPrefix, EachPrefixAndItsProgramKind) {
    EXPECT_STREQ("Web browser", UrlProgramKind("http://example.com"));
    EXPECT_STREQ("ftp program", UrlProgramKind("ftp://host"));
    EXPECT_STREQ("email program", UrlProgramKind("mailto:me@host"));
    EXPECT_STREQ("email program", UrlProgramKind("mailtox"));
    EXPECT_STREQ("gopher program", UrlProgramKind("gopher://old"));
    EXPECT_STREQ("news reader", UrlProgramKind("newsletter"));
    EXPECT_EQ(nullptr, UrlProgramKind("HTTP://example.com"));
    EXPECT_EQ(nullptr, UrlProgramKind("https://example.com"));
    EXPECT_EQ(nullptr, UrlProgramKind("http:/"));
    EXPECT_EQ(nullptr, UrlProgramKind("new"));
    EXPECT_EQ(nullptr, UrlProgramKind(""));
}

TEST(UrlPrefix, WhitespaceInside) {
    EXPECT_TRUE(HasWhitespace("http://a b"));
    EXPECT_FALSE(HasWhitespace("http://a\xA0" "b"));
}

TEST(FullPath, DriveAndNetworkNamesOnly) {
    EXPECT_TRUE(LooksLikeFullPath("C:\\notes.txt"));
    EXPECT_TRUE(LooksLikeFullPath("\\\\server\\share"));
    EXPECT_FALSE(LooksLikeFullPath("notes.txt"));
    EXPECT_FALSE(LooksLikeFullPath("\\single"));
    EXPECT_FALSE(LooksLikeFullPath("C"));
}

}  // namespace
