#include "client_fixture.h"
#include "base/text.h"
#include <algorithm>
#include "base/window_text.h"
#include "client/edit.h"
#include "client/find_replace.h"
#include "resources/resource.h"

namespace {

class Editing : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        Open("edit.qld");
        menu = LoadMenuA(GetModuleHandleA(nullptr), "CONTEXT_MENU");
        edit = GetSubMenu(menu, 0);
    }
    void TearDown() override {
        DestroyMenu(menu);
        ClientWindowTest::TearDown();
    }
    bool Enabled(UINT id) {
        return (GetMenuState(edit, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
    }
    void Select(DWORD start, DWORD end) { SendMessageA(Edit(), EM_SETSEL, start, end); }
    void Selection(DWORD& start, DWORD& end) {
        SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
    }
    // What the Find or Replace dialog holds; its buttons below.
    void SetSearch(const char* what, const char* with, DWORD flags) {
        what_ = what;
        with_ = with;
        flags_ = flags;
    }
    void FindNext() { client->FindDialog().Request(what_, with_, flags_ | FR_FINDNEXT, Edit()); }
    void Replace() { client->FindDialog().Request(what_, with_, flags_ | FR_REPLACE, Edit()); }
    void ReplaceAll() { client->FindDialog().Request(what_, with_, flags_ | FR_REPLACEALL, Edit()); }
    std::string what_, with_;
    DWORD flags_ = FR_DOWN;
    HMENU menu = nullptr;
    HMENU edit = nullptr;
};

TEST_F(Editing, MenuStatesFollowSelectionAndFirstSearch) {
    Type("some words here");
    Select(4, 4);
    client->PrepareMenu(edit, 1);
    EXPECT_FALSE(Enabled(CM_EDIT_CUT));
    EXPECT_FALSE(Enabled(CM_EDIT_COPY));
    EXPECT_FALSE(Enabled(CM_EDIT_DELETE));
    EXPECT_FALSE(Enabled(CM_FIND_NEXT));
    EXPECT_TRUE(Enabled(CM_FIND));
    EXPECT_TRUE(Enabled(CM_EDIT_SELECT_ALL));
    EXPECT_TRUE(Enabled(CM_EDIT_UNDO));  // the typing can be undone

    Select(0, 4);
    SetSearch("words", "", FR_DOWN);
    FindNext();
    client->PrepareMenu(edit, 1);
    EXPECT_TRUE(Enabled(CM_EDIT_CUT));
    EXPECT_TRUE(Enabled(CM_FIND_NEXT));
}

TEST_F(Editing, SelectionBeyondSixteenBitsCountsInFull) {
    // Text put in by the program is not cut to the typing limit.
    SetWindowTextA(Edit(), std::string(70000, 'x').c_str());
    Select(1, 65537);  // both packed halves would read 1
    client->PrepareMenu(edit, 1);
    EXPECT_TRUE(Enabled(CM_EDIT_CUT));
    client->Command(CM_EDIT_DELETE);
    EXPECT_EQ(70000 - 65536, GetWindowTextLengthA(Edit()));
}

TEST_F(Editing, CommandsWithoutSelectionChangeNothing) {
    Type("abc");
    Select(1, 1);
    client->Command(CM_EDIT_CUT);
    client->Command(CM_EDIT_DELETE);
    EXPECT_EQ("abc", EditText());
    client->Command(CM_TOPIC_NEXT);
    client->Command(CM_TOPIC_PREVIOUS);  // showing a topic empties the undo buffer
    client->Command(CM_EDIT_UNDO);
    EXPECT_EQ("abc", EditText());
    client->Command(CM_EDIT_SELECT_ALL);
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
        client->Command(CM_EDIT_PASTE);
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("The requested change caused the topic text to exceed the maximum length - Undo?",
                  answerer.Seen()[0].text);
    }
    EXPECT_EQ("start", EditText());  // Yes takes back the shortened paste, nothing more
    int limit = int(SendMessageA(Edit(), EM_GETLIMITTEXT, 0, 0));
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO)});
        client->Command(CM_EDIT_PASTE);
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    EXPECT_EQ(limit, GetWindowTextLengthA(Edit()));  // No keeps what fitted

    // A keystroke refused at the limit inserted nothing: Yes leaves all the typing in place.
    std::string typed = std::string(size_t(limit) - 2, 'x');
    SetWindowTextA(Edit(), typed.c_str());
    Select(DWORD(typed.size()), DWORD(typed.size()));
    Type("AB");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES)});
        Type("Z");
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    std::string after = WindowText(Edit());
    EXPECT_TRUE(after == typed + "AB") << after.size() << " characters left";
}

TEST_F(Editing, WordWrapSwitchKeepsTextViewAndSelection) {
    std::string lines;
    for (int i = 0; i < 120; ++i) lines += "wrapped line " + std::to_string(i) + "\r";
    Type(lines);
    Select(0, 0);
    SendMessageA(Edit(), EM_SCROLLCARET, 0, 0);
    SendMessageA(Edit(), EM_LINESCROLL, 0, 30);
    DWORD at = DWORD(SendMessageA(Edit(), EM_LINEINDEX, 31, 0));
    Select(at, at + 7);
    HWND before = Edit();
    client->SetAutoWrap(true);
    EXPECT_NE(before, Edit());
    EXPECT_EQ(0, GetWindowLongA(Edit(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(lines.size() + 120, size_t(GetWindowTextLengthA(Edit())));  // CR LF
    EXPECT_EQ(30, int(SendMessageA(Edit(), EM_GETFIRSTVISIBLELINE, 0, 0)));
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(at, start);
    EXPECT_EQ(at + 7, end);
    EXPECT_EQ(1u, GetConfigDwordForTest("AutoWrap"));

    HWND wrapped = Edit();
    client->SetAutoWrap(true);  // already so: nothing is made again
    EXPECT_EQ(wrapped, Edit());
    client->SetAutoWrap(false);
    EXPECT_NE(0, GetWindowLongA(Edit(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(0u, GetConfigDwordForTest("AutoWrap"));
}

TEST_F(Editing, FindNextWalksBothWaysWithoutWrapping) {
    Type("concat cat cat");
    Select(0, 0);
    SetSearch("cat", "", FR_DOWN | FR_WHOLEWORD);
    FindNext();
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(7u, start);
    FindNext();
    Selection(start, end);
    EXPECT_EQ(11u, start);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        FindNext();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("No match found", answerer.Seen()[0].text);
    }
    Selection(start, end);
    EXPECT_EQ(11u, start);  // unchanged
    SetSearch("cat", "", FR_WHOLEWORD);  // upward
    FindNext();
    Selection(start, end);
    EXPECT_EQ(7u, start);
}

TEST_F(Editing, ReplaceWithoutSelectionReplacesNextAndSelectsTheOneAfter) {
    Type("a cat, a cat, a cat");
    Select(3, 3);
    SetSearch("cat", "lion", FR_DOWN);
    Replace();
    EXPECT_EQ("a cat, a lion, a cat", EditText());
    DWORD start, end;
    Selection(start, end);
    EXPECT_EQ(17u, start);
    EXPECT_EQ(20u, end);
    Replace();  // the selection is an occurrence now
    EXPECT_EQ("a cat, a lion, a lion", EditText());
}

TEST_F(Editing, ReplaceWithTextContainingThePatternMovesOn) {
    Type("a a");
    Select(0, 0);
    SetSearch("a", "aa", FR_DOWN | FR_MATCHCASE);
    Replace();
    EXPECT_EQ("aa a", EditText());
    Replace();
    EXPECT_EQ("aa aa", EditText());
}

TEST_F(Editing, ReplacingInATopicBeyondTheTypingLimitCutsNothing) {
    std::string text;
    for (int i = 0; i < 7000; ++i) text += "cat dogs ";  // 63,000 characters
    SetWindowTextA(Edit(), text.c_str());
    Select(0, 0);
    SetSearch("cat", "lion", FR_DOWN | FR_MATCHCASE);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO)}, 2000);
        ReplaceAll();
        EXPECT_TRUE(answerer.Seen().empty());  // no "maximum length" question
    }
    EXPECT_EQ(int(text.size() + 7000), GetWindowTextLengthA(Edit()));
    Select(0, 0);
    SetSearch("dogs", "wolves", FR_DOWN | FR_MATCHCASE);
    Replace();  // one more, on a text still beyond the limit
    EXPECT_EQ(int(text.size() + 7002), GetWindowTextLengthA(Edit()));
}

TEST_F(Editing, ReplaceAllFromTheCaretIsOneUndo) {
    Type("cat cat cat");
    Select(4, 4);
    SetSearch("CAT", "dog", FR_DOWN);
    ReplaceAll();
    EXPECT_EQ("cat dog dog", EditText());
    client->Command(CM_EDIT_UNDO);
    EXPECT_EQ("cat cat cat", EditText());
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        SetSearch("bird", "x", FR_DOWN);
        ReplaceAll();
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("No match found", answerer.Seen()[0].text);
    }
    EXPECT_TRUE(client->Notebook().Topics()[0].modified);  // changes count as typing
}

// The menus as the resources make them. A shared access key only moves the
// highlight between its items (Alt+E, T would not cut), and a key of the
// accelerator table runs one command only.
std::string Label(HMENU menu, int position) {
    char label[128] = {};
    GetMenuStringA(menu, UINT(position), label, sizeof label, MF_BYPOSITION);
    return label;
}

// "Pop-up: key" for each access key two items of a pop-up share.
std::vector<std::string> SharedAccessKeys(HMENU bar) {
    std::vector<std::string> shared;
    for (int p = 0; p < GetMenuItemCount(bar); ++p) {
        HMENU popup = GetSubMenu(bar, p);
        std::string used;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            std::string label = Label(popup, i);
            size_t amp = label.find('&');
            if (amp == std::string::npos || amp + 1 >= label.size()) continue;
            char key = FoldAscii(label[amp + 1]);
            if (used.find(key) != std::string::npos) shared.push_back(Label(bar, p) + ": " + key);
            used += key;
        }
    }
    return shared;
}

TEST(MenuResources, EachItemItsOwnAccessKeyAndEachKeyOneCommand) {
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), "MAIN_MENU");
    ASSERT_NE(nullptr, bar);
    // "Move &Right" and "&Rename ..." have always shared R.
    EXPECT_EQ((std::vector<std::string>{"&Topic: R"}), SharedAccessKeys(bar));
    char label[64] = {};
    GetMenuStringA(bar, CM_FIND_ALL, label, sizeof label, MF_BYCOMMAND);
    EXPECT_STREQ("Find &in All Topics...\tCtrl+Shift+F", label);
    GetMenuStringA(bar, CM_TOPIC_GO_TO, label, sizeof label, MF_BYCOMMAND);
    EXPECT_STREQ("&Go to Topic...\tCtrl+T", label);
    DestroyMenu(bar);
    for (const char* name : {"CONTEXT_MENU", "TASKBAR_MENU"}) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), name);
        EXPECT_TRUE(SharedAccessKeys(menu).empty()) << name;
        DestroyMenu(menu);
    }

    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), "MAIN_ACCEL");
    ASSERT_NE(nullptr, table);
    ACCEL keys[64];
    int count = CopyAcceleratorTableA(table, keys, 64);
    ASSERT_GT(count, 0);
    ASSERT_LT(count, 64);
    std::vector<std::pair<int, int>> seen;  // modifiers and virtual key
    int goTo = 0;
    for (int i = 0; i < count; ++i) {
        int modifiers = keys[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT);
        int key = keys[i].key;
        if (!(modifiers & FVIRTKEY) && key < 0x20) {  // "^T": the character Ctrl+T types
            modifiers = FVIRTKEY | FCONTROL;
            key += '@';
        }
        std::pair<int, int> press(modifiers, key);
        EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), press)) << "key " << key << " twice";
        seen.push_back(press);
        if (press == std::make_pair(int(FVIRTKEY | FCONTROL), int('T'))) goTo = keys[i].cmd;
    }
    EXPECT_EQ(CM_TOPIC_GO_TO, goTo);
}

}  // namespace
