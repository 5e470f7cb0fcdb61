#include <gtest/gtest.h>
#include <sstream>
#include "client/notebook.h"

namespace {

using tNames = std::vector<std::string>;

// A notebook of the named topics, each with its name as text, the given one current.
tNotebook Make(const tNames& names, int current = 0) {
    tNotebook notebook;
    std::vector<tTopic> topics;
    for (const std::string& name : names) {
        tTopic topic;
        topic.name = name;
        topic.text = name + " text";
        topics.push_back(topic);
    }
    notebook.TakeOver(std::move(topics));
    notebook.Select(current);
    return notebook;
}

tNames Names(const tNotebook& notebook) {
    tNames names;
    for (const tTopic& topic : notebook.Topics()) names.push_back(topic.name);
    return names;
}

TEST(Notebook, NeighboursWrapAtBothEnds) {
    struct { size_t count; int current, next, previous; } rows[] = {
        {0, 0, -1, -1}, {1, 0, 0, 0}, {3, 0, 1, 2}, {3, 1, 2, 0}, {3, 2, 0, 1},
    };
    for (const auto& row : rows) {
        tNotebook notebook = Make(tNames(row.count, "x"), row.current);
        EXPECT_EQ(row.next, notebook.NextIndex()) << row.count << "/" << row.current;
        EXPECT_EQ(row.previous, notebook.PreviousIndex()) << row.count << "/" << row.current;
    }
}

TEST(Notebook, SelectTakesOnlyATopicsIndex) {
    tNotebook notebook = Make({"A", "B"}, 1);
    for (int index : {-1, 2}) EXPECT_FALSE(notebook.Select(index)) << index;
    EXPECT_EQ("B", notebook.CurrentName());
    tNotebook empty = Make({});
    EXPECT_FALSE(empty.Select(0));
    EXPECT_EQ(nullptr, empty.Current());
    EXPECT_EQ("", empty.CurrentName());
}

TEST(Notebook, MovesSwapWithTheNeighbourAndWrapAtBothEnds) {
    struct { int current; bool left; tNames after; int from, to; } rows[] = {
        {0, true, {"C", "B", "A"}, 0, 2},
        {2, false, {"C", "B", "A"}, 2, 0},
        {1, true, {"B", "A", "C"}, 1, 0},
        {1, false, {"A", "C", "B"}, 1, 2},
        {0, false, {"B", "A", "C"}, 0, 1},
    };
    for (const auto& row : rows) {
        tNotebook notebook = Make({"A", "B", "C"}, row.current);
        std::string moved = notebook.CurrentName();
        std::pair<int, int> swapped = (row.left ? notebook.MoveLeft() : notebook.MoveRight()).swapped;
        std::ostringstream label;
        label << row.current << (row.left ? " left" : " right");
        EXPECT_EQ(row.after, Names(notebook)) << label.str();
        EXPECT_EQ(std::make_pair(row.from, row.to), swapped) << label.str();
        EXPECT_EQ(row.to, notebook.CurrentIndex()) << label.str();
        EXPECT_EQ(moved, notebook.CurrentName()) << "the moved topic stays current";
        for (const tTopic& topic : notebook.Topics()) EXPECT_EQ(topic.name + " text", topic.text);
    }
    tNotebook single = Make({"A"});
    EXPECT_EQ(std::make_pair(0, 0), single.MoveLeft().swapped);
    EXPECT_EQ(tNames{"A"}, Names(single));
}

TEST(Notebook, NamesCompareIgnoringOnlyAsciiCase) {
    tNotebook notebook = Make({"To-do", "Notes", "a[1]", "\xE4pfel"});
    struct { const char* name; bool exists; } rows[] = {
        {"Notes", true}, {"NOTES", true}, {"to-DO", true}, {"A[1]", true},
        {"Note", false}, {"Notes ", false}, {"a{1}", false}, {"\xC4pfel", false}, {"", false},
    };
    for (const auto& row : rows) EXPECT_EQ(row.exists, notebook.NameExists(row.name)) << row.name;
}

TEST(Notebook, AddAppendsAnEmptyTopicUnlessTheNameIsTaken) {
    tNotebook notebook = Make({"To-do", "Notes"});
    EXPECT_FALSE(notebook.Add("notes"));
    tTopicChange added = notebook.Add("Ideas");
    ASSERT_TRUE(added);
    EXPECT_EQ(2, added.shown);
    ASSERT_EQ(3u, notebook.Topics().size());
    EXPECT_EQ("Ideas", notebook.Topics().back().name);
    EXPECT_EQ("", notebook.Topics().back().text);
    EXPECT_EQ(0, notebook.CurrentIndex());  // the client shows the new topic
}

TEST(Notebook, RenameOfTheCurrentTopic) {
    struct { const char* to; bool storedNameChanges, accepted; } rows[] = {
        {"NOTES", false, true},   // a change of case renames no stream
        {"Notes", false, true},
        {"Ideas", true, true},
        {"TO-DO", true, false},   // another topic's name
    };
    for (const auto& row : rows) {
        tNotebook notebook = Make({"To-do", "Notes"}, 1);
        EXPECT_EQ(row.storedNameChanges, notebook.RenameChangesStoredName(row.to)) << row.to;
        tTopicChange renamed = notebook.Rename(row.to);
        EXPECT_EQ(row.accepted, bool(renamed)) << row.to;
        EXPECT_EQ(row.accepted ? "Notes" : "", renamed.name) << "the name before";
        EXPECT_EQ(row.accepted ? row.to : "Notes", notebook.CurrentName()) << row.to;
    }
}

TEST(Notebook, DeleteKeepsTheLastTopicAndMakesTheFirstCurrent) {
    struct { tNames before; int current; tNames after; std::string deleted; } rows[] = {
        {{"A", "B", "C"}, 2, {"A", "B"}, "C"},
        {{"A", "B", "C"}, 0, {"B", "C"}, "A"},
        {{"A", "B"}, 1, {"A"}, "B"},
        {{"A"}, 0, {"A"}, ""},
    };
    for (const auto& row : rows) {
        tNotebook notebook = Make(row.before, row.current);
        bool deletes = !row.deleted.empty();
        EXPECT_EQ(deletes, notebook.CanDelete()) << row.deleted;
        tTopicChange deleted = notebook.Delete();
        EXPECT_EQ(deletes, bool(deleted)) << row.deleted;
        EXPECT_EQ(row.deleted, deleted.name);
        EXPECT_EQ(deletes ? row.current : -1, deleted.index);
        EXPECT_EQ(row.after, Names(notebook)) << row.deleted;
        EXPECT_EQ(0, notebook.CurrentIndex());
        EXPECT_EQ(deletes, notebook.CanUndoDelete());
        if (deletes) {
            EXPECT_EQ(row.deleted, notebook.DeletedName());
        }
    }
}

TEST(Notebook, UndoDeleteAppendsTheTopicOnceAndNeverTwiceByName) {
    tNotebook notebook = Make({"A", "Notes", "C"}, 1);
    ASSERT_TRUE(notebook.Select(1));
    notebook.CurrentView()->selStart = 3;
    EXPECT_FALSE(notebook.UndoDelete());  // nothing deleted yet
    ASSERT_TRUE(notebook.Delete());
    ASSERT_TRUE(notebook.Add("NOTES"));
    EXPECT_FALSE(notebook.UndoDelete());  // the name is taken across case
    EXPECT_TRUE(notebook.CanUndoDelete());
    ASSERT_TRUE(notebook.Select(2));
    ASSERT_TRUE(notebook.Rename("Other"));  // the name is free again
    EXPECT_EQ(3, notebook.UndoDelete().shown);
    EXPECT_EQ((tNames{"A", "C", "Other", "Notes"}), Names(notebook));
    EXPECT_EQ("Notes text", notebook.Topics()[3].text);
    EXPECT_EQ(3, notebook.ViewOf(3).selStart);  // the view state comes back too
    EXPECT_FALSE(notebook.CanUndoDelete());
    EXPECT_FALSE(notebook.UndoDelete());
    EXPECT_EQ(4u, notebook.Topics().size());
}

}  // namespace
