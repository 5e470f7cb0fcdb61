#include "e2e_support.h"
#include "storage/notefile.h"
#include "storage/storage_test_util.h"

namespace {

// Answers the Topic Name dialog with a name.
void EnterTopicName(tQuilletProcess& quillet, const std::string& name) {
    tForeignDialog dialog;
    ASSERT_TRUE(WaitForDialog(quillet.id(), dialog));
    HWND field = FindWindowExA(dialog.wnd, nullptr, "Edit", nullptr);
    ASSERT_NE(nullptr, field);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PressButton(dialog, IDOK);
    quillet.Sync();
}

void Answer(tQuilletProcess& quillet, const std::string& expectedText, int button) {
    tForeignDialog box;
    ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
    EXPECT_EQ(expectedText, box.text);
    PressButton(box, button);
    quillet.Sync();
}

TEST_F(QuilletE2E, AddRenameDeleteAndUndoReachTheFile) {
    std::string path = dir.File("topics.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());

    quillet.PostCommand(CM_TOPIC_ADD);
    EnterTopicName(quillet, "Ideas");
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes", "Ideas"}), quillet.TabNames());
    EXPECT_EQ(2, quillet.SelectedTab());
    quillet.Type("first idea");

    quillet.PostCommand(CM_TOPIC_RENAME);
    EnterTopicName(quillet, "Plans");
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes", "Plans"}), quillet.TabNames());

    quillet.PostCommand(CM_TOPIC_DELETE);
    Answer(quillet, "Really delete topic Plans?\n", IDYES);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), quillet.TabNames());
    EXPECT_EQ(0, quillet.SelectedTab());
    EXPECT_EQ("", quillet.EditText());

    quillet.Command(CM_TOPIC_UNDO_DELETE);
    quillet.Sync();
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes", "Plans"}), quillet.TabNames());
    EXPECT_EQ(2, quillet.SelectedTab());
    EXPECT_EQ("first idea", quillet.EditText());

    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes", "Plans"}), note.names);
    EXPECT_EQ((std::vector<std::string>{"", "", "first idea"}), note.texts);
}

// An Index may list names no stream can carry (too long) and names that clash
// without regard to case: each topic still shows, keeps its own text from the
// first save on, and a name only an unlisted stream has is refused.
TEST_F(QuilletE2E, NamesTheFileCannotHoldGetStorableOnes) {
    std::string path = dir.File("names.qld");
    const std::string longName(40, 'L');
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.Stream("Index", IndexBytes({"Alpha", "alpha", longName, "Beta"}));
        file.TopicsStorage();
        file.TopicStream("Alpha", Record("shared"));
        file.TopicStream("Beta", Record("b"));
        file.TopicStream("Orphan", Record("kept aside"));
    }
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    const std::string cut(20, 'L');
    EXPECT_EQ((std::vector<std::string>{"Alpha", "alpha (2)", cut, "Beta"}), quillet.TabNames());
    for (const char* typed : {"1:", "2:", "3:"}) {
        quillet.Type(typed);
        quillet.Command(CM_TOPIC_NEXT);  // the switch saves
    }
    EXPECT_EQ("b", quillet.EditText());

    quillet.PostCommand(CM_TOPIC_RENAME);
    EnterTopicName(quillet, "orphan");
    Answer(quillet, "Topic name already exists.", IDOK);
    tForeignDialog dialog;
    ASSERT_TRUE(WaitForDialog(quillet.id(), dialog));
    PressButton(dialog, IDCANCEL);

    quillet.Command(CM_TOPIC_PREVIOUS);
    quillet.Command(CM_TOPIC_PREVIOUS);  // back on "alpha (2)"
    EXPECT_EQ("2:shared", quillet.EditText());
    quillet.PostCommand(CM_TOPIC_DELETE);
    Answer(quillet, "Really delete topic alpha (2)?\n", IDYES);
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());

    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"Alpha", cut, "Beta"}), note.names);
    EXPECT_EQ((std::vector<std::string>{"1:shared", "3:", "b"}), note.texts);
    std::string orphan;
    ASSERT_TRUE(ReadRawStream(path, "Topics/Orphan", orphan));
    EXPECT_EQ(Record("kept aside"), orphan);
}

TEST_F(QuilletE2E, MovesAndRefusedDeleteOfLastTopic) {
    std::string path = dir.File("moves.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("todo text");
    quillet.Command(CM_TOPIC_MOVE_LEFT);  // first topic left: swaps with the last
    quillet.Sync();
    EXPECT_EQ((std::vector<std::string>{"Notes", "To-do"}), quillet.TabNames());
    EXPECT_EQ(1, quillet.SelectedTab());
    EXPECT_EQ("todo text", quillet.EditText());

    quillet.Command(CM_TOPIC_NEXT);
    quillet.Sync();
    EXPECT_EQ(0, quillet.SelectedTab());
    EXPECT_EQ("", quillet.EditText());

    quillet.PostCommand(CM_TOPIC_DELETE);
    Answer(quillet, "Really delete topic Notes?\n", IDYES);
    quillet.PostCommand(CM_TOPIC_DELETE);
    Answer(quillet, "Cannot delete only topic", IDOK);
    EXPECT_EQ((std::vector<std::string>{"To-do"}), quillet.TabNames());

    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"To-do"}), note.names);
    EXPECT_EQ((std::vector<std::string>{"todo text"}), note.texts);
}

// Ctrl+T opens Go to Topic over the frame; typing part of a name and Enter
// go there as a tab click does (the topic left is saved), and Enter alone
// goes back to the topic before.
TEST_F(QuilletE2E, GoToTopicByTypingAndBackWithEnter) {
    std::string path = dir.File("go-to.qld");
    WriteNoteFile(path, {{"Alpha", "a text"}, {"Beta", "b text"}, {"Gamma", "g text"}, {"Delta", "d text"}});
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    SendMessageA(quillet.edit(), EM_SETSEL, 6, 6);
    quillet.Type(" typed");

    auto goTo = [&](const std::string& typed) {
        quillet.PressCtrl('T');
        tForeignDialog dialog;
        ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, "Go to Topic"));
        EXPECT_FALSE(IsWindowEnabled(quillet.frame()));
        HWND field = GetDlgItem(dialog.wnd, IDC_GO_TO_TEXT);
        for (char c : typed) Ask(field, WM_CHAR, WPARAM(BYTE(c)), 0);
        PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(WaitUntilClosed(dialog));
        quillet.Sync();
    };
    goTo("MM");
    EXPECT_EQ(2, quillet.SelectedTab());
    EXPECT_EQ("g text", quillet.EditText());
    goTo("");
    EXPECT_EQ(0, quillet.SelectedTab());
    EXPECT_EQ("a text typed", quillet.EditText());

    quillet.Kill();  // what the switch saved is in the file
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ("a text typed", note.texts[0]);
}

}  // namespace
