#include "client_fixture.h"
#include "client/edit.h"
#include "client/find_replace.h"
#include "resources/resource.h"

namespace {

class Editing : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        Open("edit.qld");
        menu = LoadMenuA(app.hInstance, "CONTEXT_MENU");
        edit = GetSubMenu(menu, 0);
    }
    void TearDown() override {
        DestroyMenu(menu);
        ClientWindowTest::TearDown();
    }
    bool Enabled(UINT id) {
        return (GetMenuState(edit, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
    }
    void Select(DWORD start, DWORD end) { SendMessageA(client->editWnd, EM_SETSEL, start, end); }
    void Selection(DWORD& start, DWORD& end) {
        SendMessageA(client->editWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
    }
    void SetSearch(const char* what, const char* with, DWORD flags) {
        lstrcpyA(client->findDialog->findWhat, what);
        lstrcpyA(client->findDialog->replaceWith, with);
        client->findDialog->findReplaceData.Flags = flags;
    }
    HMENU menu = nullptr;
    HMENU edit = nullptr;
};

TEST_F(Editing, MenuStatesFollowSelectionAndFirstSearch) {
    Type("some words here");
    Select(4, 4);
    client->PrepareEditMenu(edit);
    EXPECT_FALSE(Enabled(CM_EDIT_CUT));
    EXPECT_FALSE(Enabled(CM_EDIT_COPY));
    EXPECT_FALSE(Enabled(CM_EDIT_DELETE));
    EXPECT_FALSE(Enabled(CM_FIND_NEXT));
    EXPECT_TRUE(Enabled(CM_FIND));
    EXPECT_TRUE(Enabled(CM_EDIT_SELECT_ALL));
    EXPECT_TRUE(Enabled(CM_EDIT_UNDO));  // the typing can be undone

    Select(0, 4);
    SetSearch("words", "", FR_DOWN);
    client->FindNext();
    client->PrepareEditMenu(edit);
    EXPECT_TRUE(Enabled(CM_EDIT_CUT));
    EXPECT_TRUE(Enabled(CM_FIND_NEXT));
}

TEST_F(Editing, SelectionBeyondSixteenBitsCountsInFull) {
    // Text put in by the program is not cut to the typing limit.
    SetWindowTextA(client->editWnd, std::string(70000, 'x').c_str());
    Select(1, 65537);  // both packed halves would read 1
    client->PrepareEditMenu(edit);
    EXPECT_TRUE(Enabled(CM_EDIT_CUT));
    client->Clear();
    EXPECT_EQ(70000 - 65536, GetWindowTextLengthA(client->editWnd));
}

TEST_F(Editing, CommandsWithoutSelectionChangeNothing) {
    Type("abc");
    Select(1, 1);
    client->Cut();
    client->Clear();
    EXPECT_EQ("abc", EditText());
    client->NextTopic();
    client->PreviousTopic();  // showing a topic empties the undo buffer
    client->Undo();
    EXPECT_EQ("abc", EditText());
    client->SelectAll();
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(0u, start);
    EXPECT_EQ(3u, end);
}

TEST_F(Editing, OverlongChangeAsksAndYesTakesBackOnlyIt) {
    Type("start");
    std::string big(40000, 'p');
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, big.size() + 1);
    memcpy(GlobalLock(memory), big.c_str(), big.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();

    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES)});
        client->Paste();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("The requested change caused the topic text to exceed the maximum length - Undo?",
                  answerer.Seen()[0].text);
    }
    EXPECT_EQ("start", EditText());  // Yes takes back the shortened paste, nothing more
    int limit = int(SendMessageA(client->editWnd, EM_GETLIMITTEXT, 0, 0));
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO)});
        client->Paste();
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    EXPECT_EQ(limit, GetWindowTextLengthA(client->editWnd));  // No keeps what fitted

    // A keystroke refused at the limit inserted nothing: Yes leaves all the typing in place.
    std::string typed = std::string(size_t(limit) - 2, 'x');
    SetWindowTextA(client->editWnd, typed.c_str());
    Select(DWORD(typed.size()), DWORD(typed.size()));
    Type("AB");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES)});
        Type("Z");
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    std::string after = WindowText(client->editWnd);
    EXPECT_TRUE(after == typed + "AB") << after.size() << " characters left";
}

TEST_F(Editing, WordWrapSwitchKeepsTextViewAndSelection) {
    std::string lines;
    for (int i = 0; i < 120; ++i) lines += "wrapped line " + std::to_string(i) + "\r";
    Type(lines);
    Select(0, 0);
    SendMessageA(client->editWnd, EM_SCROLLCARET, 0, 0);
    SendMessageA(client->editWnd, EM_LINESCROLL, 0, 30);
    DWORD at = DWORD(SendMessageA(client->editWnd, EM_LINEINDEX, 31, 0));
    Select(at, at + 7);
    HWND before = client->editWnd;
    client->SetAutoWrap(true);
    EXPECT_NE(before, client->editWnd);
    EXPECT_EQ(0, GetWindowLongA(client->editWnd, GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(lines.size() + 120, size_t(GetWindowTextLengthA(client->editWnd)));  // CR LF
    EXPECT_EQ(30, int(SendMessageA(client->editWnd, EM_GETFIRSTVISIBLELINE, 0, 0)));
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(at, start);
    EXPECT_EQ(at + 7, end);
    EXPECT_EQ(1u, GetConfigDwordForTest("AutoWrap"));

    HWND wrapped = client->editWnd;
    client->SetAutoWrap(true);  // already so: nothing is made again
    EXPECT_EQ(wrapped, client->editWnd);
    client->SetAutoWrap(false);
    EXPECT_NE(0, GetWindowLongA(client->editWnd, GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(0u, GetConfigDwordForTest("AutoWrap"));
}

TEST_F(Editing, FindNextWalksBothWaysWithoutWrapping) {
    Type("concat cat cat");
    Select(0, 0);
    SetSearch("cat", "", FR_DOWN | FR_WHOLEWORD);
    client->FindNext();
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(7u, start);
    client->FindNext();
    Selection(start, end);
    EXPECT_EQ(11u, start);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        client->FindNext();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("No match found", answerer.Seen()[0].text);
    }
    Selection(start, end);
    EXPECT_EQ(11u, start);  // unchanged
    SetSearch("cat", "", FR_WHOLEWORD);  // upward
    client->FindNext();
    Selection(start, end);
    EXPECT_EQ(7u, start);
}

TEST_F(Editing, ReplaceWithoutSelectionReplacesNextAndSelectsTheOneAfter) {
    Type("a cat, a cat, a cat");
    Select(3, 3);
    SetSearch("cat", "lion", FR_DOWN);
    client->Replace();
    EXPECT_EQ("a cat, a lion, a cat", EditText());
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(17u, start);
    EXPECT_EQ(20u, end);
    client->Replace();  // the selection is an occurrence now
    EXPECT_EQ("a cat, a lion, a lion", EditText());
}

TEST_F(Editing, ReplaceWithTextContainingThePatternMovesOn) {
    Type("a a");
    Select(0, 0);
    SetSearch("a", "aa", FR_DOWN | FR_MATCHCASE);
    client->Replace();
    EXPECT_EQ("aa a", EditText());
    client->Replace();
    EXPECT_EQ("aa aa", EditText());
}

TEST_F(Editing, ReplacingInATopicBeyondTheTypingLimitCutsNothing) {
    std::string text;
    for (int i = 0; i < 7000; ++i) text += "cat dogs ";  // 63,000 characters
    SetWindowTextA(client->editWnd, text.c_str());
    Select(0, 0);
    SetSearch("cat", "lion", FR_DOWN | FR_MATCHCASE);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO)}, 2000);
        client->ReplaceAll();
        EXPECT_TRUE(answerer.Seen().empty());  // no "maximum length" question
    }
    EXPECT_EQ(int(text.size() + 7000), GetWindowTextLengthA(client->editWnd));
    Select(0, 0);
    SetSearch("dogs", "wolves", FR_DOWN | FR_MATCHCASE);
    client->Replace();  // one more, on a text still beyond the limit
    EXPECT_EQ(int(text.size() + 7002), GetWindowTextLengthA(client->editWnd));
}

TEST_F(Editing, ReplaceAllFromTheCaretIsOneUndo) {
    Type("cat cat cat");
    Select(4, 4);
    SetSearch("CAT", "dog", FR_DOWN);
    client->ReplaceAll();
    EXPECT_EQ("cat dog dog", EditText());
    client->Undo();
    EXPECT_EQ("cat cat cat", EditText());
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        SetSearch("bird", "x", FR_DOWN);
        client->ReplaceAll();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("No match found", answerer.Seen()[0].text);
    }
    EXPECT_TRUE(client->notebook.topics[0].modified);  // changes count as typing
}

}  // namespace
