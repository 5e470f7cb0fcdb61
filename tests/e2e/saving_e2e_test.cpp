#include "e2e_support.h"

namespace {

TEST_F(QuilletE2E, TypedTextSurvivesAHardKillOnceSaved) {
    std::string path = dir.File("kill.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("kept after a crash");
    // Three ticks of the save timer after the last keystroke.
    for (int tick = 0; tick < 3; ++tick) SendMessageA(quillet.client(), WM_TIMER, 1, 0);
    quillet.Sync();
    quillet.Type(" but not this");
    quillet.Kill();

    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), note.names);
    EXPECT_EQ("kept after a crash", note.texts[0]);
}

TEST_F(QuilletE2E, SwitchingTabsSavesAndKeepsEachTopic) {
    std::string path = dir.File("switch.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("one");
    quillet.Command(CM_TOPIC_NEXT);
    quillet.Sync();
    quillet.Type("two");
    quillet.Command(CM_TOPIC_PREVIOUS);
    quillet.Sync();
    EXPECT_EQ("one", quillet.EditText());
    quillet.Kill();  // the switch itself wrote and committed the first topic

    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ("one", note.texts[0]);
    EXPECT_EQ("two", note.texts[1]);
}

}  // namespace
