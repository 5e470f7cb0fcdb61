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

// Answers the emergency save's question with Yes and its file dialog with path.
void SaveInEmergency(tQuilletProcess& quillet, const std::string& path) {
    tForeignDialog question;
    ASSERT_TRUE(WaitForDialog(quillet.id(), question, "Quillet"));
    EXPECT_EQ("Do you want to attempt an emergency save of your Quillet topics to a new file?",
              question.text);
    PressButton(question, IDYES);
    tForeignDialog file;
    ASSERT_TRUE(WaitForDialog(quillet.id(), file, "Choose name and location for new file"));
    ChooseFile(file, path);
}

// Starts a thread in the program at its own image header, which is not code:
// a real access violation inside the program's image, as a bug would make.
// (Redirecting the window thread instead is lost under Wine when that thread
// waits in the server.)
bool CrashInsideTheProgram(tQuilletProcess& quillet) {
    auto image = GetWindowLongPtrA(quillet.frame(), GWLP_HINSTANCE);
    HANDLE thread = CreateRemoteThread(quillet.handle(), nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(image), nullptr,
                                       0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

TEST_F(QuilletE2E, ACrashStillOffersTheEmergencySaveWithTheLastTyping) {
    std::string path = dir.File("crash.qld");
    std::string rescue = dir.File("rescue.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("typed just before the crash");
    ASSERT_TRUE(CrashInsideTheProgram(quillet));
    tForeignDialog fatal;
    ASSERT_TRUE(WaitForDialog(quillet.id(), fatal, "Quillet - Fatal Error", 30000))
        << "no fatal box; the program " << (quillet.WaitForExit(0) == STILL_ACTIVE ? "runs" : "ended");
    EXPECT_EQ(0u, fatal.text.find("An error has ocurred with your system."));
    PressButton(fatal, IDOK);
    SaveInEmergency(quillet, rescue);
    EXPECT_EQ(1u, quillet.WaitForExit());

    tNoteOnDisk saved = ReadNoteOnDisk(rescue);
    ASSERT_TRUE(saved.ok);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), saved.names);
    EXPECT_EQ("typed just before the crash", saved.texts[0]);
    EXPECT_EQ("", ReadNoteOnDisk(path).texts[0]);  // the open file keeps its last commit
}

void Ticks(tQuilletProcess& quillet, int count) {
    for (int tick = 0; tick < count; ++tick) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(quillet.client(), WM_TIMER, 1, 0, SMTO_NORMAL, 10000, &ignored);
    }
}

// Writes until the disk takes no more.
void FillDisk(const std::string& filler) {
    HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::string block(4096, 'x');
    DWORD written = 0;
    for (int i = 0; i < 100000; ++i)
        if (!WriteFile(file, block.data(), DWORD(block.size()), &written, nullptr) || written == 0)
            break;
    for (DWORD size = 512; size > 0; size /= 2)  // and the last odd bytes
        while (WriteFile(file, block.data(), size, &written, nullptr) && written == size) {}
    CloseHandle(file);
}

void ExpectRefusalBox(tQuilletProcess& quillet) {
    tForeignDialog box;
    ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
    EXPECT_EQ(0u, box.text.find("Quillet cannot write to the note file ")) << box.text;
    PressButton(box, IDOK);
}

// Run by full_disk.sh, which mounts a small file system for it.
TEST_F(QuilletE2E, AFullDiskKeepsTheChangesAndTriesAgain) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QUILLET_FULL_DISK", folder, sizeof folder))
        GTEST_SKIP() << "needs a small file system of its own: see full_disk.sh";
    const std::string path = std::string(folder) + "\\full.qld";
    const std::string filler = std::string(folder) + "\\filler";
    const std::string rescue = dir.File("rescue.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("before");
    Ticks(quillet, 3);  // written and committed

    FillDisk(filler);
    // A new note file cannot be made: no empty file is left behind.
    const std::string other = std::string(folder) + "\\other.qld";
    {
        tQuilletProcess refused("/visible " + Quoted(other));
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(refused.id(), box, "Quillet"));
        EXPECT_EQ("Failed to open file: " + other, box.text);
        PressButton(box, IDOK);
        EXPECT_EQ(0u, refused.WaitForExit());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(other.c_str()));
    }
    // More than the file has room for inside: it must grow, and cannot.
    const std::string during = " during" + std::string(8192, '.');
    quillet.Insert(during);
    Ticks(quillet, 3);  // the commit is refused: told once, the program goes on
    ExpectRefusalBox(quillet);
    quillet.Type(" more");
    Ticks(quillet, 3);
    EXPECT_TRUE(NoDialogShown(quillet.id()));
    ASSERT_EQ(DWORD(STILL_ACTIVE), quillet.WaitForExit(0));

    DeleteFileA(filler.c_str());
    Ticks(quillet, 3);  // the retry writes what waited in memory

    FillDisk(filler);
    const std::string after = " after" + std::string(8192, ':');
    quillet.Insert(after);
    quillet.PostCommand(CM_SHUTDOWN);  // cannot be written: offered to another file
    ExpectRefusalBox(quillet);
    SaveInEmergency(quillet, rescue);
    EXPECT_EQ(0u, quillet.WaitForExit());
    DeleteFileA(filler.c_str());

    EXPECT_EQ("before" + during + " more", ReadNoteOnDisk(path).texts[0]);
    EXPECT_EQ("before" + during + " more" + after, ReadNoteOnDisk(rescue).texts[0]);
}

}  // namespace
