#include <gtest/gtest.h>
#include "app/cmdline.h"

TEST(CommandLine, SwitchesInAnyCaseAndOrder) {
    tCommandLine line = ParseCommandLine({"/VISIBLE", "notes.qld", "/NoSysTray", "/visible"});
    EXPECT_TRUE(line.noTray);
    EXPECT_TRUE(line.startVisible);
    EXPECT_TRUE(line.fileGiven);
    EXPECT_FALSE(line.tooManyFiles);
    EXPECT_EQ("notes.qld", line.filePath);
}

TEST(CommandLine, NearSwitchesAreFileNames) {
    EXPECT_EQ("-visible", ParseCommandLine({"-visible"}).filePath);
    EXPECT_EQ("/visiblex", ParseCommandLine({"/visiblex"}).filePath);
    EXPECT_EQ("/nosystray ", ParseCommandLine({"/nosystray "}).filePath);
    EXPECT_EQ("/Visible Notes.qld", ParseCommandLine({"/Visible Notes.qld"}).filePath);
    EXPECT_FALSE(ParseCommandLine({"/visiblex"}).startVisible);
}

TEST(CommandLine, SecondFileNameAnywhereIsRefused) {
    EXPECT_TRUE(ParseCommandLine({"a.qld", "b.qld"}).tooManyFiles);
    EXPECT_TRUE(ParseCommandLine({"/visible", "a.qld", "/nosystray", "b.qld"}).tooManyFiles);
    EXPECT_TRUE(ParseCommandLine({"a.qld", "/visible", "a.qld"}).tooManyFiles);
}

TEST(CommandLine, NothingGiven) {
    tCommandLine line = ParseCommandLine({});
    EXPECT_FALSE(line.fileGiven || line.noTray || line.startVisible || line.tooManyFiles);
}

TEST(TextCompare, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(SameTextIgnoringCase("Notes", "nOTES"));
    EXPECT_FALSE(SameTextIgnoringCase("\xE4", "\xC4"));  // a-umlaut vs A-umlaut
    EXPECT_FALSE(SameTextIgnoringCase("[", "{"));
    EXPECT_FALSE(SameTextIgnoringCase("abc", "abcd"));
}
