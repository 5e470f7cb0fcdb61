#include <gtest/gtest.h>
#include "dialogs/existing_topics.h"
#include "base/text.h"
#include "dialogs/topic_name.h"
#include <vector>

namespace {

tNameProblem Problem(const std::string& name, const tExistingTopics& topics = Topics({})) {
    return CheckTopicName(name, topics).problem;
}

}  // namespace

TEST(TopicNameRules, LengthFromOneToTwenty) {
    EXPECT_EQ(tNameProblem::none, Problem("a"));
    EXPECT_EQ(tNameProblem::none, Problem(std::string(20, 'x')));
    EXPECT_EQ(tNameProblem::tooLong, Problem(std::string(21, 'x')));
    EXPECT_EQ(tNameProblem::tooLong, Problem(std::string(5000, 'x')));
    EXPECT_EQ(tNameProblem::empty, Problem(""));
}

TEST(TopicNameRules, SpacesAreAName) {
    EXPECT_EQ(tNameProblem::none, Problem(" "));
    EXPECT_EQ(tNameProblem::none, Problem(std::string(20, ' ')));
    EXPECT_EQ(tNameProblem::none, Problem(" To do "));
}

TEST(TopicNameRules, LengthIsCheckedBeforeCharacters) {
    // 21 characters with a forbidden one: the length is reported.
    EXPECT_EQ(tNameProblem::tooLong, Problem(std::string(20, 'x') + "."));
}

TEST(TopicNameRules, EveryForbiddenCharacterIsRefused) {
    for (char c : std::string(".!\\/:\t\x01\x1F\x80\xE9\xFF")) {
        tNameVerdict verdict = CheckTopicName(std::string("ab") + c + "cd", Topics({}));
        EXPECT_EQ(tNameProblem::illegalCharacter, verdict.problem)
            << "byte " << int(static_cast<unsigned char>(c));
        EXPECT_EQ(c, verdict.character);
    }
}

TEST(TopicNameRules, EveryPrintableAsciiCharacterElseIsAllowed) {
    for (int c = 0x20; c < 0x80; ++c) {
        std::string name(1, char(c));
        bool forbidden = std::string(".!\\/:").find(char(c)) != std::string::npos;
        EXPECT_EQ(forbidden, IsIllegalInTopicName(char(c))) << c;
        EXPECT_EQ(forbidden ? tNameProblem::illegalCharacter : tNameProblem::none, Problem(name)) << c;
    }
    for (int c = 0; c < 0x20; ++c) EXPECT_TRUE(IsIllegalInTopicName(char(c))) << c;
    for (int c = 0x80; c < 0x100; ++c) EXPECT_TRUE(IsIllegalInTopicName(char(c))) << c;
}

TEST(TopicNameRules, OnlyTheFirstForbiddenCharacterIsReported) {
    tNameVerdict verdict = CheckTopicName("a:b.c!", Topics({}));
    EXPECT_EQ(tNameProblem::illegalCharacter, verdict.problem);
    EXPECT_EQ(':', verdict.character);
}

TEST(TopicNameRules, MessagesAreExact) {
    EXPECT_EQ("Topic name too long.", TopicNameMessage({tNameProblem::tooLong, 0}));
    EXPECT_EQ("Please enter topic name.", TopicNameMessage({tNameProblem::empty, 0}));
    EXPECT_EQ("Topic name already exists.", TopicNameMessage({tNameProblem::alreadyExists, 0}));
    EXPECT_EQ("'.'  is an illegal character in a topic name",
              TopicNameMessage(CheckTopicName("a.b", Topics({}))));
    EXPECT_EQ("'\t'  is an illegal character in a topic name",
              TopicNameMessage(CheckTopicName("a\tb", Topics({}))));
    EXPECT_EQ("'\xE9'  is an illegal character in a topic name",
              TopicNameMessage(CheckTopicName("caf\xE9", Topics({}))));
    EXPECT_EQ("", TopicNameMessage({}));
}

TEST(TopicNameRules, DuplicatesAcrossAsciiLetterCaseAreRefused) {
    tExistingTopics topics = Topics({"Notes", "To do", "a[1]"});
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("Notes", topics));
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("NOTES", topics));
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("to DO", topics));
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("A[1]", topics));
    // Only a-z fold: [ and { differ by the same bit as a and A.
    EXPECT_EQ(tNameProblem::none, Problem("a{1}", topics));
    EXPECT_EQ(tNameProblem::none, Problem("Notes ", topics));
    EXPECT_EQ(tNameProblem::none, Problem("Note", topics));
}

TEST(TopicNameRules, NonAsciiNamesAreRefusedBeforeTheyCanClash) {
    // An accented name could only clash across non-ASCII case; it is refused for its letter.
    tNameVerdict verdict = CheckTopicName("\xC4pfel", Topics({"\xE4pfel"}));
    EXPECT_EQ(tNameProblem::illegalCharacter, verdict.problem);
    EXPECT_EQ('\xC4', verdict.character);
}

TEST(TopicNameRules, RenamingMayKeepTheOwnName) {
    tExistingTopics topics = Topics({"notes", "Ideas"}, true, "notes");
    EXPECT_EQ(tNameProblem::none, Problem("notes", topics));
    EXPECT_EQ(tNameProblem::none, Problem("NOTES", topics));
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("ideas", topics));
    EXPECT_EQ(tNameProblem::none, Problem("Plans", topics));
    // The own name is still checked for length and characters.
    EXPECT_EQ(tNameProblem::illegalCharacter,
              Problem("a.b", Topics({"a.b"}, true, "a.b")));
}

TEST(TopicNameRules, OwnNameComparesAsciiLettersOnly) {
    // The current topic "a[" may not take the name of another topic "A{".
    tExistingTopics topics = Topics({"a[", "A{"}, true, "a[");
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("A{", topics));
    EXPECT_EQ(tNameProblem::none, Problem("A[", topics));
}

TEST(TopicNameRules, OwnNameDoesNotCountWhenAdding) {
    EXPECT_EQ(tNameProblem::alreadyExists, Problem("notes", Topics({"notes"}, false, "notes")));
}

TEST(TopicNameRules, NoLookupMeansNoClash) {
    EXPECT_EQ(tNameProblem::none, Problem("Notes", tExistingTopics{}));
}
