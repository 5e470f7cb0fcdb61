#include "client_fixture.h"
#include <commctrl.h>
#include "../e2e/note_reader.h"
#include "base/errors.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "support/olefile_check.h"

namespace {

using tNames = std::vector<std::string>;

class TopicList : public ClientWindowTest {
protected:
    void Add(const std::string& name) {
        tDialogAnswerer answerer({tDialogAnswer::Text(IDC_TOPIC_NAME, name)});
        client->AddTopic();
    }
    void Rename(const std::string& name) {
        tDialogAnswerer answerer({tDialogAnswer::Text(IDC_TOPIC_NAME, name)});
        client->RenameTopic();
    }
    std::vector<tSeenDialog> Delete(int button = IDYES) {
        tDialogAnswerer answerer({tDialogAnswer::Button(button)});
        client->DeleteTopic();
        return answerer.Seen();
    }
    // The tabs follow the list, the file follows it after the commit of the message.
    void ExpectEverywhere(const tNames& names, const std::vector<std::string>& texts,
                          const std::string& label) {
        EXPECT_EQ(names, Names());
        EXPECT_EQ(names, TabNames());
        client->Commit();
        Close();
        tNoteOnDisk note = ReadNoteOnDisk(app.filePath);
        ASSERT_TRUE(note.ok);
        EXPECT_EQ(names, note.names);
        EXPECT_EQ(texts, note.texts);
        KeepForOlefileCheck(app.filePath, label, names, texts);
    }
};

TEST_F(TopicList, MovesAtBothEndsSwapWithTheOtherEnd) {
    Open("moves.qld");
    Add("Ideas");
    EXPECT_EQ(2, client->notebook.CurrentIndex());
    client->NextTopic();  // wraps to the first
    EXPECT_EQ(0, SelectedTab());
    Type("first");
    client->MoveTopicLeft();
    EXPECT_EQ((tNames{"Ideas", "Notes", "To-do"}), TabNames());
    EXPECT_EQ(2, SelectedTab());
    EXPECT_EQ("first", EditText());
    client->MoveTopicRight();
    EXPECT_EQ(0, SelectedTab());
    client->MoveTopicRight();
    ExpectEverywhere({"Notes", "To-do", "Ideas"}, {"", "first", ""}, "moves");
}

TEST_F(TopicList, LastRemainingTopicCannotBeDeleted) {
    Open("last.qld");
    EXPECT_EQ("Really delete topic To-do?\n", Delete()[0].text);
    auto seen = Delete();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Cannot delete only topic", seen[0].text);
    EXPECT_EQ("Quillet", seen[0].caption);
    ExpectEverywhere({"Notes"}, {""}, "last");
}

TEST_F(TopicList, DeleteAnsweredNoChangesNothing) {
    Open("no.qld");
    Delete(IDNO);
    EXPECT_EQ((tNames{"To-do", "Notes"}), Names());
    EXPECT_FALSE(client->notebook.CanUndoDelete());
}

TEST_F(TopicList, UndoDeleteRestoresTextAndViewStateAsLastTab) {
    Open("undo.qld");
    client->NextTopic();
    Type("line one\rline two");
    SendMessageA(client->editWnd, EM_SETSEL, 2, 6);
    Add("Third");
    client->PreviousTopic();  // back to Notes
    EXPECT_EQ("line one\r\nline two", EditText());
    Delete();
    EXPECT_EQ(0, client->notebook.CurrentIndex());  // the first topic is shown after a delete
    EXPECT_EQ("", EditText());
    client->UndoDeleteTopic();
    EXPECT_EQ((tNames{"To-do", "Third", "Notes"}), Names());
    EXPECT_EQ(2, SelectedTab());
    EXPECT_EQ("line one\r\nline two", EditText());
    DWORD start = 0, end = 0;
    SendMessageA(client->editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(2u, start);
    EXPECT_EQ(6u, end);
    client->UndoDeleteTopic();  // the slot is empty now: nothing happens
    EXPECT_EQ(3u, Names().size());
    ExpectEverywhere({"To-do", "Third", "Notes"}, {"", "", "line one\r\nline two"}, "undo");
}

TEST_F(TopicList, UndoRefusedWhileTheNameIsTakenAcrossCase) {
    Open("taken.qld");
    client->NextTopic();
    Delete();
    Add("NOTES");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
    client->UndoDeleteTopic();
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Topic Notes already exists", answerer.Seen()[0].text);
    EXPECT_TRUE(client->notebook.CanUndoDelete());
}

TEST_F(TopicList, RenameToOtherCaseKeepsTheStream) {
    Open("case.qld");
    Type("kept");
    Rename("TO-DO");
    EXPECT_EQ("TO-DO", TabNames()[0]);
    ExpectEverywhere({"TO-DO", "Notes"}, {"kept", ""}, "case");
}

TEST_F(TopicList, RenameMovesTheStream) {
    Open("rename.qld");
    Type("moved");
    Rename("Errands");
    ExpectEverywhere({"Errands", "Notes"}, {"moved", ""}, "rename");
}

TEST_F(TopicList, DuplicateNameAcrossCaseIsRefused) {
    Open("dup.qld");
    tDialogAnswerer answerer({tDialogAnswer::Text(IDC_TOPIC_NAME, "notes"),
                              tDialogAnswer::Button(IDOK), tDialogAnswer::Button(IDCANCEL)});
    client->AddTopic();
    auto seen = answerer.Seen();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("Topic name already exists.", seen[1].text);
    EXPECT_EQ((tNames{"To-do", "Notes"}), Names());
}

TEST_F(TopicList, ViewStateIsKeptPerTopicAcrossSwitches) {
    Open("view.qld");
    std::string many;
    for (int i = 0; i < 200; ++i) many += "line " + std::to_string(i) + "\r";
    Type(many);
    // Scrolled away from the top, with the selection on a visible line.
    SendMessageA(client->editWnd, EM_SETSEL, 0, 0);
    SendMessageA(client->editWnd, EM_SCROLLCARET, 0, 0);
    SendMessageA(client->editWnd, EM_LINESCROLL, 0, 50);
    int firstLine = int(SendMessageA(client->editWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    ASSERT_EQ(50, firstLine);
    DWORD lineStart = DWORD(SendMessageA(client->editWnd, EM_LINEINDEX, 51, 0));
    SendMessageA(client->editWnd, EM_SETSEL, lineStart, lineStart + 4);
    client->NextTopic();
    Type("other");
    client->PreviousTopic();
    DWORD start = 0, end = 0;
    SendMessageA(client->editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(lineStart, start);
    EXPECT_EQ(lineStart + 4, end);
    EXPECT_EQ(firstLine, int(SendMessageA(client->editWnd, EM_GETFIRSTVISIBLELINE, 0, 0)));
    client->NextTopic();
    EXPECT_EQ("other", EditText());
}

TEST_F(TopicList, FileWithoutTopicsOpensAndTakesANewOne) {
    std::string path = dir.File("empty.qld");
    {
        tRootStorage root(true, path, kModeNoteFile);
        ASSERT_GE(root.hr, 0);
        CheckHr(root.storage->SetClass(kNoteFileClassId));
        { tStorage topics(root.storage, "Topics", kModeDirectReadWrite, tStorage::create); }
        WriteTopicIndex(root.storage, {});
        CheckHr(root.storage->Commit(STGC_DEFAULT));
    }
    Open("empty.qld");
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(IsWindowEnabled(client->editWnd));
    client->NextTopic();
    client->MoveTopicLeft();
    Delete();  // refused: nothing to delete
    Add("First");
    EXPECT_TRUE(IsWindowEnabled(client->editWnd));
    Type("text");
    ExpectEverywhere({"First"}, {"text"}, "empty");
}

TEST(TabRows, WrapAndLimit) {
    struct {
        std::vector<int> widths;
        int lineWidth, stopAfter, rows;
    } cases[] = {
        {{}, 100, 5, 0},
        {{40, 60}, 100, 5, 1},           // exactly full
        {{40, 61}, 100, 5, 2},
        {{150, 20}, 100, 5, 2},          // a tab wider than the line keeps a row of its own
        {{50, 50, 50, 50, 50, 50}, 100, 5, 3},
        {{50, 50, 50, 50, 50, 50}, 100, 1, 2},  // counting stops past the limit
    };
    for (const auto& c : cases) EXPECT_EQ(c.rows, CountTabRows(c.widths, c.lineWidth, c.stopAfter));
    EXPECT_EQ(5, MaxTabRows(20, 300));
    EXPECT_EQ(1, MaxTabRows(20, 30));  // one row however small the window
    EXPECT_EQ(1, MaxTabRows(0, 300));
}

// Several rows while they take a modest part of the window, one scrolling row
// beyond, switching both ways as topics come and go and as the window changes size.
TEST_F(TopicList, ManyTabsShareOneScrollingRowAndLeaveTheEditArea) {
    Open("many.qld");
    auto multiLine = [&] { return (GetWindowLongA(client->tabWnd, GWL_STYLE) & TCS_MULTILINE) != 0; };
    auto editTop = [&] {
        RECT edit;
        GetWindowRect(client->editWnd, &edit);
        MapWindowPoints(nullptr, app.clientWnd, reinterpret_cast<POINT*>(&edit), 2);
        return edit.top;
    };
    RECT area, frame;
    GetClientRect(app.clientWnd, &area);
    GetWindowRect(app.clientWnd, &frame);
    EXPECT_TRUE(multiLine());

    std::vector<tTopic> few = client->notebook.topics;
    for (int i = 0; i < 10; ++i) {
        tTopic topic;
        topic.name = "Topic " + std::to_string(i);
        few.push_back(topic);
    }
    std::vector<tTopic> many = few;
    for (int i = 10; i < 300; ++i) {
        tTopic topic;
        topic.name = "Topic " + std::to_string(i);
        many.push_back(topic);
    }
    client->notebook.topics = many;
    client->RebuildTabs();
    EXPECT_FALSE(multiLine());
    EXPECT_EQ(300 + 2, int(TabNames().size()));
    EXPECT_EQ(0, SelectedTab());
    EXPECT_LE(editTop(), area.bottom / 3);
    HWND arrows = FindWindowExA(client->tabWnd, nullptr, UPDOWN_CLASSA, nullptr);
    // Every tab stays reachable (the test window itself is hidden).
    EXPECT_TRUE(arrows && (GetWindowLongA(arrows, GWL_STYLE) & WS_VISIBLE));
    client->NextTopic();
    client->PreviousTopic();
    client->PreviousTopic();
    EXPECT_EQ(300 + 1, SelectedTab());
    EXPECT_EQ(300 + 1, client->notebook.CurrentIndex());

    client->notebook.topics = few;
    client->RebuildTabs();
    EXPECT_TRUE(multiLine());
    EXPECT_GT(TabCtrl_GetRowCount(client->tabWnd), 1);
    EXPECT_LE(editTop(), area.bottom / 3);

    // A low window has room for one row only, and gets several back when it grows.
    int width = frame.right - frame.left;
    SetWindowPos(app.clientWnd, nullptr, 0, 0, width, 90, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_FALSE(multiLine());
    SetWindowPos(app.clientWnd, nullptr, 0, 0, width, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_TRUE(multiLine());
    client->notebook.topics.resize(2);
    client->RebuildTabs();
}

}  // namespace
