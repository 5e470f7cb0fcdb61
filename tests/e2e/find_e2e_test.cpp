#include "e2e_support.h"
#include "storage/storage_test_util.h"
#include "support/olefile_check.h"

namespace {

constexpr int kFindText = 0x480;     // edt1
constexpr int kReplaceText = 0x481;  // edt2
constexpr int kReplaceAll = 0x401;   // psh2
constexpr int kMatchCase = 0x411;    // chx2

std::pair<DWORD, DWORD> Selection(const tQuilletProcess& quillet) {
    DWORD start = 0, end = 0;
    SendMessageA(quillet.edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

TEST_F(QuilletE2E, FindThroughAcceleratorThenReplaceAllReachesTheFile) {
    std::string path = dir.File("find.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("the cat sat on the Cat mat");
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);

    // Any process can post these: the find message without this client's own
    // record, notifications without data. They change nothing.
    const UINT findMessage = RegisterWindowMessageA("commdlg_FindReplace");
    const struct { HWND to; UINT message; LPARAM lParam; } stray[] = {
        {quillet.client(), findMessage, 0}, {quillet.client(), findMessage, 0x10000},
        {quillet.client(), WM_NOTIFY, 0}, {quillet.frame(), WM_NOTIFY, 0}};
    for (const auto& m : stray)
        EXPECT_TRUE(PostMessageA(m.to, m.message, 0, m.lParam)) << std::hex << m.message;
    quillet.Settle();  // its marker is posted after them to the same thread
    ASSERT_EQ(DWORD(STILL_ACTIVE), quillet.WaitForExit(0));
    EXPECT_EQ("the cat sat on the Cat mat", quillet.EditText());
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);

    quillet.PressCtrl('F');
    tForeignDialog find;
    ASSERT_TRUE(WaitForDialog(quillet.id(), find, "Find"));
    SetDialogItemText(find, kFindText, "cat");
    SendMessageA(GetDlgItem(find.wnd, IDOK), BM_CLICK, 0, 0);
    quillet.Sync();
    DWORD start = 0, end = 0;
    SendMessageA(quillet.edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(4u, start);
    EXPECT_EQ(7u, end);

    // Replace replaces the Find dialog, keeping the search text.
    quillet.PressCtrl('R');
    tForeignDialog replace;
    ASSERT_TRUE(WaitForDialog(quillet.id(), replace, "Replace"));
    EXPECT_FALSE(IsWindow(find.wnd) && IsWindowVisible(find.wnd));
    char kept[64] = {};
    GetDlgItemTextA(replace.wnd, kFindText, kept, sizeof kept);
    EXPECT_STREQ("cat", kept);
    SetDialogItemText(replace, kReplaceText, "dog");
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);
    SendMessageA(GetDlgItem(replace.wnd, kReplaceAll), BM_CLICK, 0, 0);
    quillet.Sync();
    EXPECT_EQ("the dog sat on the dog mat", quillet.EditText());

    // Match case: nothing left to replace gives the box without an icon.
    SendMessageA(GetDlgItem(replace.wnd, kMatchCase), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(replace.wnd, kReplaceAll), BM_CLICK, 0, 0);
    tForeignDialog none;
    ASSERT_TRUE(WaitForDialog(quillet.id(), none, "Quillet"));
    EXPECT_EQ("No match found", none.text);
    PressButton(none, IDOK);

    // The change is saved like typing: three idle ticks, then the file holds it.
    for (int tick = 0; tick < 3; ++tick) SendMessageA(quillet.client(), WM_TIMER, 1, 0);
    quillet.Kill();
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ("the dog sat on the dog mat", note.texts[0]);
}

// Every topic is searched as it is now, typing not yet saved included; a
// double-click goes there as a tab click would; rows of a deleted topic lead
// to a new search first.
TEST_F(QuilletE2E, FindInAllTopicsGoesToHitsAndSearchesAgainAfterChanges) {
    std::string path = dir.File("find-all.qld");
    WriteNoteFile(path, {{"Alpha", "first line\r\nthe quill is here"},
                         {"Beta", "no match\r\n\r\nquill\tpen and quill"},
                         {"Gamma", "quills"}});
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    SendMessageA(quillet.edit(), EM_SETSEL, 29, 29);
    quillet.Type("\na quill");
    const std::string alpha = "first line\r\nthe quill is here\r\na quill typed";

    quillet.PressCtrl('F', true);
    tForeignDialog findAll;
    ASSERT_TRUE(WaitForDialog(quillet.id(), findAll, "Find in All Topics"));
    // The edit control lost the focus and saved; this typing is in it alone.
    quillet.Type(" typed");
    SetDialogItemText(findAll, IDC_FIND_ALL_TEXT, "quill");
    Ask(GetDlgItem(findAll, IDC_FIND_ALL_WHOLE_WORD), BM_CLICK);
    Ask(GetDlgItem(findAll, IDOK), BM_CLICK);
    HWND list = GetDlgItem(findAll.wnd, IDC_FIND_ALL_LIST);
    EXPECT_EQ((std::vector<std::string>{"Alpha|2|the quill is here", "Alpha|3|a quill typed",
                                         "Beta|3|quill pen and quill", "Beta|3|quill pen and quill"}),
              quillet.ListRows(list, 3));
    EXPECT_EQ("4 matches in 2 topics", ItemText(findAll, IDC_FIND_ALL_STATUS));

    ASSERT_TRUE(quillet.DoubleClickListRow(list, 3));
    EXPECT_EQ(1, quillet.SelectedTab());
    EXPECT_EQ(std::make_pair(DWORD(26), DWORD(31)), Selection(quillet));
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(list, nullptr), &focus));
    EXPECT_EQ(list, focus.hwndFocus);
    EXPECT_EQ("4 matches in 2 topics", ItemText(findAll, IDC_FIND_ALL_STATUS));
    // The arrow keys walk the hits, Enter goes to the one chosen.
    PostMessageA(list, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    for (DWORD start = GetTickCount(); Selection(quillet).first != 12 && GetTickCount() - start < 10000;) {
    }
    EXPECT_EQ(std::make_pair(DWORD(12), DWORD(17)), Selection(quillet));

    // Renamed, Beta's rows still lead to it: a row follows its topic, not its name.
    quillet.PostCommand(CM_TOPIC_RENAME);
    tForeignDialog naming;
    ASSERT_TRUE(WaitForDialog(quillet.id(), naming, "Topic Name"));
    SetDialogItemText(naming, IDC_TOPIC_NAME, "Bravo");
    PressButton(naming, IDOK);
    quillet.Sync();
    EXPECT_NE(std::string::npos, ItemText(findAll, IDC_FIND_ALL_STATUS).find("out of date"));
    ASSERT_TRUE(quillet.DoubleClickListRow(list, 3));
    EXPECT_EQ(1, quillet.SelectedTab());
    EXPECT_EQ(std::make_pair(DWORD(26), DWORD(31)), Selection(quillet));

    quillet.PostCommand(CM_TOPIC_DELETE);
    tForeignDialog question;
    ASSERT_TRUE(WaitForDialog(quillet.id(), question, "Quillet"));
    EXPECT_EQ("Really delete topic Bravo?\n", question.text);
    PressButton(question, IDYES);
    quillet.Sync();
    // Its row now leads nowhere: the list is searched again and says so; no other hit is chosen.
    const std::pair<DWORD, DWORD> shown = Selection(quillet);
    ASSERT_TRUE(quillet.DoubleClickListRow(list, 3));
    EXPECT_EQ((std::vector<std::string>{"Alpha|2|the quill is here", "Alpha|3|a quill typed"}),
              quillet.ListRows(list, 3));
    EXPECT_EQ("That match is no longer there; searched again: 2 matches in 1 topic",
              ItemText(findAll, IDC_FIND_ALL_STATUS));
    EXPECT_EQ(0, quillet.SelectedTab());
    EXPECT_EQ(shown, Selection(quillet));
    EXPECT_EQ(alpha, quillet.EditText());

    // A line added above a hit moves it: the list is searched again, nothing chosen.
    ASSERT_TRUE(quillet.DoubleClickListRow(list, 1));
    EXPECT_EQ(std::make_pair(DWORD(33), DWORD(38)), Selection(quillet));
    SendMessageA(quillet.edit(), EM_SETSEL, 0, 0);
    quillet.Type("new first line\n");
    ASSERT_TRUE(quillet.DoubleClickListRow(list, 1));
    EXPECT_EQ("That match is no longer there; searched again: 2 matches in 1 topic",
              ItemText(findAll, IDC_FIND_ALL_STATUS));
    EXPECT_EQ(std::make_pair(DWORD(16), DWORD(16)), Selection(quillet));
    const std::string typedAbove = "new first line\r\n" + alpha;

    // Everything typed reaches the file.
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Gamma"}), note.names);
    EXPECT_EQ((std::vector<std::string>{typedAbove, "quills"}), note.texts);
    KeepForOlefileCheck(path, "find-all", note.names, {typedAbove, "quills"});
}

}  // namespace
