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
        client->Command(CM_TOPIC_ADD);
    }
    void Rename(const std::string& name) {
        tDialogAnswerer answerer({tDialogAnswer::Text(IDC_TOPIC_NAME, name)});
        client->Command(CM_TOPIC_RENAME);
    }
    std::vector<tSeenDialog> Delete(int button = IDYES) {
        tDialogAnswerer answerer({tDialogAnswer::Button(button)});
        client->Command(CM_TOPIC_DELETE);
        return answerer.Seen();
    }
    // The tabs follow the list, the file follows it after the commit of the message.
    void ExpectEverywhere(const tNames& names, const std::vector<std::string>& texts,
                          const std::string& label) {
        EXPECT_EQ(names, Names());
        EXPECT_EQ(names, TabNames());
        EndMessage();
        Close();
        tNoteOnDisk note = ReadNoteOnDisk(path);
        ASSERT_TRUE(note.ok);
        EXPECT_EQ(names, note.names);
        EXPECT_EQ(texts, note.texts);
        KeepForOlefileCheck(path, label, names, texts);
    }
};

TEST_F(TopicList, MovesAtBothEndsSwapWithTheOtherEnd) {
    Open("moves.qld");
    Add("Ideas");
    EXPECT_EQ(2, SelectedTab());
    client->Command(CM_TOPIC_NEXT);  // wraps to the first
    EXPECT_EQ(0, SelectedTab());
    Type("first");
    client->Command(CM_TOPIC_MOVE_LEFT);
    EXPECT_EQ((tNames{"Ideas", "Notes", "To-do"}), TabNames());
    EXPECT_EQ(2, SelectedTab());
    EXPECT_EQ("first", EditText());
    client->Command(CM_TOPIC_MOVE_RIGHT);
    EXPECT_EQ(0, SelectedTab());
    client->Command(CM_TOPIC_MOVE_RIGHT);
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
    EXPECT_FALSE(TopicMenuOffers(CM_TOPIC_UNDO_DELETE));
}

TEST_F(TopicList, UndoDeleteRestoresTextAndViewStateAsLastTab) {
    Open("undo.qld");
    client->Command(CM_TOPIC_NEXT);
    Type("line one\rline two");
    SendMessageA(Edit(), EM_SETSEL, 2, 6);
    Add("Third");
    client->Command(CM_TOPIC_PREVIOUS);  // back to Notes
    EXPECT_EQ("line one\r\nline two", EditText());
    Delete();
    EXPECT_EQ(0, SelectedTab());  // the first topic is shown after a delete
    EXPECT_EQ("", EditText());
    client->Command(CM_TOPIC_UNDO_DELETE);
    EXPECT_EQ((tNames{"To-do", "Third", "Notes"}), Names());
    EXPECT_EQ(2, SelectedTab());
    EXPECT_EQ("line one\r\nline two", EditText());
    DWORD start = 0, end = 0;
    SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(2u, start);
    EXPECT_EQ(6u, end);
    client->Command(CM_TOPIC_UNDO_DELETE);  // the slot is empty now: nothing happens
    EXPECT_EQ(3u, Names().size());
    ExpectEverywhere({"To-do", "Third", "Notes"}, {"", "", "line one\r\nline two"}, "undo");
}

TEST_F(TopicList, UndoRefusedWhileTheNameIsTakenAcrossCase) {
    Open("taken.qld");
    client->Command(CM_TOPIC_NEXT);
    Delete();
    Add("NOTES");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
    client->Command(CM_TOPIC_UNDO_DELETE);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Topic Notes already exists", answerer.Seen()[0].text);
    EXPECT_TRUE(TopicMenuOffers(CM_TOPIC_UNDO_DELETE));
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
    client->Command(CM_TOPIC_ADD);
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
    SendMessageA(Edit(), EM_SETSEL, 0, 0);
    SendMessageA(Edit(), EM_SCROLLCARET, 0, 0);
    SendMessageA(Edit(), EM_LINESCROLL, 0, 50);
    int firstLine = int(SendMessageA(Edit(), EM_GETFIRSTVISIBLELINE, 0, 0));
    ASSERT_EQ(50, firstLine);
    DWORD lineStart = DWORD(SendMessageA(Edit(), EM_LINEINDEX, 51, 0));
    SendMessageA(Edit(), EM_SETSEL, lineStart, lineStart + 4);
    client->Command(CM_TOPIC_NEXT);
    Type("other");
    client->Command(CM_TOPIC_PREVIOUS);
    DWORD start = 0, end = 0;
    SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(lineStart, start);
    EXPECT_EQ(lineStart + 4, end);
    EXPECT_EQ(firstLine, int(SendMessageA(Edit(), EM_GETFIRSTVISIBLELINE, 0, 0)));
    client->Command(CM_TOPIC_NEXT);
    EXPECT_EQ("other", EditText());
}

TEST_F(TopicList, FileWithoutTopicsOpensAndTakesANewOne) {
    std::string path = dir.File("empty.qld");
    ASSERT_EQ(tNewFileResult::written, WriteNewNoteFile(path, {}));
    Open("empty.qld");
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(IsWindowEnabled(Edit()));
    client->Command(CM_TOPIC_NEXT);
    client->Command(CM_TOPIC_MOVE_LEFT);
    Delete();  // refused: nothing to delete
    Add("First");
    EXPECT_TRUE(IsWindowEnabled(Edit()));
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
    auto multiLine = [&] { return (GetWindowLongA(Tabs(), GWL_STYLE) & TCS_MULTILINE) != 0; };
    auto editTop = [&] {
        RECT edit;
        GetWindowRect(Edit(), &edit);
        MapWindowPoints(nullptr, client->Window(), reinterpret_cast<POINT*>(&edit), 2);
        return edit.top;
    };
    RECT area, frame;
    GetClientRect(client->Window(), &area);
    GetWindowRect(client->Window(), &frame);
    EXPECT_TRUE(multiLine());

    // Files with these topics, shown in place of the open one.
    auto show = [&](int count, const std::string& name) {
        std::vector<tTopic> topics(2);
        topics[0].name = "To-do";
        topics[1].name = "Notes";
        for (int i = 0; i < count; ++i) {
            topics.emplace_back();
            topics.back().name = "Topic " + std::to_string(i);
        }
        ASSERT_EQ(tNewFileResult::written, WriteNewNoteFile(dir.File(name), topics));
        tNoteFile file;
        tAppearanceRecord appearance = client->View().Appearance().Record();
        ASSERT_EQ(tReadResult::read, OpenNoteFile(dir.File(name), appearance, file));
        client->TakeOver(std::move(file));
    };
    show(300, "300.qld");
    EXPECT_FALSE(multiLine());
    EXPECT_EQ(300 + 2, int(TabNames().size()));
    EXPECT_EQ(0, SelectedTab());
    EXPECT_LE(editTop(), area.bottom / 3);
    HWND arrows = FindWindowExA(Tabs(), nullptr, UPDOWN_CLASSA, nullptr);
    // Every tab stays reachable (the test window itself is hidden).
    EXPECT_TRUE(arrows && (GetWindowLongA(arrows, GWL_STYLE) & WS_VISIBLE));
    client->Command(CM_TOPIC_NEXT);
    client->Command(CM_TOPIC_PREVIOUS);
    client->Command(CM_TOPIC_PREVIOUS);
    EXPECT_EQ(300 + 1, SelectedTab());
    EXPECT_EQ(300 + 1, client->Notebook().CurrentIndex());

    show(10, "10.qld");
    EXPECT_TRUE(multiLine());
    EXPECT_GT(TabCtrl_GetRowCount(Tabs()), 1);
    EXPECT_LE(editTop(), area.bottom / 3);

    // A low window has room for one row only, and gets several back when it grows.
    int width = frame.right - frame.left;
    SetWindowPos(client->Window(), nullptr, 0, 0, width, 90, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_FALSE(multiLine());
    SetWindowPos(client->Window(), nullptr, 0, 0, width, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_TRUE(multiLine());
}

}  // namespace
