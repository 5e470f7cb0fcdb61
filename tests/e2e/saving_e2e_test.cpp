#include "e2e_support.h"
#include <cstdio>
#include <fstream>
#include "storage/notefile.h"

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

// Run by full_disk.sh, which mounts a small file system for them: their note
// files live there, beside the filler that takes the rest of its room.
class FullDisk : public QuilletE2E {
protected:
    void SetUp() override {
        QuilletE2E::SetUp();
        char folder[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("QUILLET_FULL_DISK", folder, sizeof folder))
            GTEST_SKIP() << "needs a small file system of its own: see full_disk.sh";
        folder_ = folder;
        filler = OnSmallDisk("filler");
    }
    std::string OnSmallDisk(const std::string& name) const { return folder_ + "\\" + name; }
    std::string filler;

private:
    std::string folder_;
};

TEST_F(FullDisk, KeepsTheChangesAndTriesAgain) {
    const std::string path = OnSmallDisk("full.qld");
    const std::string rescue = dir.File("rescue.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("before");
    Ticks(quillet, 3);  // written and committed

    FillDisk(filler);
    // A new note file cannot be made: no empty file is left behind.
    const std::string other = OnSmallDisk("other.qld");
    {
        tQuilletProcess refused("/visible " + Quoted(other));
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(refused.id(), box, "Quillet"));
        EXPECT_EQ("Failed to open file: " + other, box.text);
        PressButton(box, IDOK);
        EXPECT_EQ(0u, refused.WaitForExit());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(other.c_str()));
    }
    // Nor from File New: the box is modal to the frame, the open file stays.
    quillet.PostCommand(CM_FILE_NEW);
    tForeignDialog fileNew;
    ASSERT_TRUE(WaitForDialog(quillet.id(), fileNew, "Choose name and location for new file"));
    ChooseFile(fileNew, other);
    {
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
        EXPECT_EQ("Failed to open file: " + other, box.text);
        EXPECT_EQ(quillet.frame(), GetWindow(box.wnd, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(quillet.frame()));
        PressButton(box, IDOK);
    }
    // More than the file has room for inside: it must grow, and cannot.
    const std::string during = " during" + std::string(8192, '.');
    quillet.Insert(during);
    Ticks(quillet, 3);  // the commit is refused: told once, the program goes on
    ExpectRefusalBox(quillet);
    quillet.Type(" more");
    Ticks(quillet, 3);
    EXPECT_TRUE(Dialogs(quillet.id()).empty());
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

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// While the disk refuses its writes the note file stays the program's own:
// nobody else opens it, and a file moved into its place is never written.
TEST_F(FullDisk, KeepsTheFileHeldAndWritesNoOtherFile) {
    const std::string path = OnSmallDisk("held.qld");
    const std::string other = OnSmallDisk("other.qld");
    std::vector<tTopic> foreign(1);
    foreign[0].name = "Foreign";
    foreign[0].text = "not the program's file";
    ASSERT_EQ(tNewFileResult::written, WriteNewNoteFile(other, foreign));
    const std::string otherBytes = Bytes(other);
    const std::string during = " during" + std::string(8192, '.');
    {
        tQuilletProcess quillet("/visible " + Quoted(path));
        ASSERT_TRUE(quillet.WaitForMainWindow());
        quillet.Type("before");
        Ticks(quillet, 3);
        FillDisk(filler);
        quillet.Insert(during);  // the file must grow, and cannot
        Ticks(quillet, 3);
        ExpectRefusalBox(quillet);

        HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(INVALID_HANDLE_VALUE, exclusive) << "another program has the file to itself";
        if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
        {
            tQuilletProcess second("/visible " + Quoted(path));
            tForeignDialog box;
            if (WaitForDialog(second.id(), box, "Quillet")) {
                EXPECT_EQ(path + " is not a Quillet file, is already open, or cannot be accessed.", box.text);
                PressButton(box, IDOK);
                EXPECT_EQ(0u, second.WaitForExit());
            } else {
                ADD_FAILURE() << "a second Quillet opened the file";  // ended hard here
            }
        }
        DeleteFileA(filler.c_str());
        Ticks(quillet, 3);  // the retry
        quillet.Settle();
        EXPECT_TRUE(Dialogs(quillet.id()).empty());
        quillet.Kill();  // no clean-up: the file holds what the retry wrote
    }
    EXPECT_EQ("before" + during, ReadNoteOnDisk(path).texts[0]);

    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    FillDisk(filler);
    LRESULT end = Ask(quillet.edit(), WM_GETTEXTLENGTH);
    Ask(quillet.edit(), EM_SETSEL, WPARAM(end), end);
    quillet.Insert(" after" + std::string(8192, ':'));
    Ticks(quillet, 3);
    ExpectRefusalBox(quillet);
    // As a sync tool or a restored backup would.
    bool moved = MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    DeleteFileA(filler.c_str());
    Ticks(quillet, 3);  // the retry
    quillet.Settle();
    tForeignDialog told;
    if (DialogShown(quillet.id(), "Quillet", told))
        std::printf("[ held     ] after the move: %s\n", told.text.c_str());
    quillet.Kill();
    if (moved)
        EXPECT_TRUE(otherBytes == Bytes(path)) << "the program wrote into a file moved into its place";
    else
        EXPECT_EQ("before" + during + " after" + std::string(8192, ':'), ReadNoteOnDisk(path).texts[0]);
}

// The end of the session with changes the disk refuses: the emergency save
// is offered once, before the program ends.
TEST_F(FullDisk, AtLogOffOffersTheEmergencySaveOnce) {
    const std::string path = OnSmallDisk("logoff.qld");
    const std::string rescue = dir.File("logoff-rescue.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    Ticks(quillet, 3);
    FillDisk(filler);
    const std::string typed = "at log-off" + std::string(8192, '.');
    quillet.Insert(typed);
    PostMessageA(quillet.frame(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ExpectRefusalBox(quillet);
    SaveInEmergency(quillet, rescue);
    const DWORD code = quillet.WaitForExit();
    tForeignDialog again;
    if (code == STILL_ACTIVE && WaitForDialog(quillet.id(), again, nullptr, 0))
        ADD_FAILURE() << "asked again: " << again.text;
    EXPECT_EQ(0u, code);
    DeleteFileA(filler.c_str());
    EXPECT_EQ(typed, ReadNoteOnDisk(rescue).texts[0]);
}

// ---------------------------------------------------------------------------
// The session the fault injection runs: write_faults.sh starts Quillet under
// strace on a note file this test prepared, makes chosen writes of that file
// fail, and runs this test to take every step a user takes. Afterwards the
// note file must hold one of the states below (a state the user saw
// committed), and a rescue file, when the emergency save was offered, the
// last one.

struct tNoteState {
    std::vector<std::pair<std::string, std::string>> topics;
    bool colours = false;
};

std::string Env(const char* name) {
    char value[MAX_PATH * 2] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) ? value : "";
}

// One JSON object a line, for the olefile check.
void WriteStates(const std::string& path, const std::vector<tNoteState>& states) {
    auto quoted = [](const std::string& text) { return "\"" + text + "\""; };  // plain ASCII only
    std::ofstream out(path, std::ios::binary);
    for (const tNoteState& state : states) {
        out << "{\"colours\": " << (state.colours ? "true" : "false") << ", \"topics\": [";
        for (size_t i = 0; i < state.topics.size(); ++i)
            out << (i ? ", " : "") << "[" << quoted(state.topics[i].first) << ", "
                << quoted(state.topics[i].second) << "]";
        out << "]}\n";
    }
}

// Every state the session can commit, in order: each step's own, and the
// text typed before a command, which leaving the edit control saves. Each
// word goes in at once, so no part of one is ever a state.
std::vector<tNoteState> SessionStates() {
    std::vector<tNoteState> states;
    auto add = [&](std::vector<std::pair<std::string, std::string>> topics, bool colours) {
        states.push_back({std::move(topics), colours});
    };
    add({{"To-do", ""}, {"Notes", ""}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}, {"Ideas", ""}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}, {"Ideas", "idea"}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}, {"Ab", "idea"}}, false);
    add({{"To-do", "alpha"}, {"Ab", "idea"}, {"Notes", ""}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}}, false);
    add({{"To-do", "alpha"}, {"Notes", ""}, {"Ab", "idea"}}, false);
    add({{"To-do", "alpha beta"}, {"Notes", ""}, {"Ab", "idea"}}, false);
    add({{"To-do", "alpha beta"}, {"Notes", ""}, {"Ab", "idea"}}, true);
    add({{"To-do", "alpha beta"}, {"Notes", "gamma"}, {"Ab", "idea"}}, true);
    return states;
}

class FaultSession {
public:
    FaultSession(tQuilletProcess& quillet, std::string rescue)
        : quillet_(quillet), rescue_(std::move(rescue)) {}

    // Handles whatever the last step left: a refusal is answered and the
    // retry driven; a fatal box is counted and its questions answered.
    void Settle() {
        for (int round = 0; round < 10 && Running(); ++round) {
            quillet_.Settle();
            tForeignDialog box;
            if (DialogShown(quillet_.id(), "Quillet - Fatal Error", box)) {
                ++fatal_;
                PressButton(box, IDOK);
                continue;
            }
            if (!DialogShown(quillet_.id(), "Quillet", box)) return;
            if (!AnswerBox(box)) return;
            Ticks(quillet_, 3);  // the retry
        }
    }

    void Name(const std::string& name) {
        tForeignDialog dialog;
        ASSERT_TRUE(WaitForDialog(quillet_.id(), dialog, "Topic Name"));
        SetDialogItemText(dialog, IDC_TOPIC_NAME, name);
        PressButton(dialog, IDOK);
        Settle();
    }

    void Confirm() {
        tForeignDialog question;
        ASSERT_TRUE(WaitForDialog(quillet_.id(), question, "Quillet"));
        ASSERT_EQ(0u, question.text.find("Really delete topic ")) << question.text;
        PressButton(question, IDYES);
        Settle();
    }

    // Options, Appearance page, Background colour accepted as it is, sheet closed.
    void ChooseBackground() {
        quillet_.PostCommand(CM_OPTIONS);
        tForeignDialog sheet;
        ASSERT_TRUE(WaitForDialog(quillet_.id(), sheet, "Quillet Options"));
        HWND page = nullptr;
        for (HWND child = FindWindowExA(sheet.wnd, nullptr, "#32770", nullptr); child && !page;
             child = FindWindowExA(sheet.wnd, child, "#32770", nullptr))
            if (GetDlgItem(child, IDC_APPEARANCE_BACKGROUND)) page = child;
        ASSERT_NE(nullptr, page);
        PostMessageA(GetDlgItem(page, IDC_APPEARANCE_BACKGROUND), BM_CLICK, 0, 0);
        tForeignDialog colour;
        ASSERT_TRUE(WaitForDialog(quillet_.id(), colour, "Color"));
        PressButton(colour, IDOK);
        PressButton(sheet, IDCANCEL);
        Settle();
    }

    // Shut Down, answering what a file that cannot be written asks.
    DWORD ShutDown() {
        quillet_.PostCommand(CM_SHUTDOWN);
        WaitUntil([&] {
            tForeignDialog box;
            if (DialogShown(quillet_.id(), "Quillet - Fatal Error", box)) {
                ++fatal_;
                PressButton(box, IDOK);
            } else if (DialogShown(quillet_.id(), "Quillet", box)) {
                AnswerBox(box);
            } else if (DialogShown(quillet_.id(), "Choose name and location for new file", box)) {
                ChooseFile(box, rescue_);
                rescued_ = true;
            }
            return !Running();
        }, 60000, 20);
        return quillet_.WaitForExit(10000);
    }

    int fatal() const { return fatal_; }
    int refusals() const { return refusals_; }
    bool rescued() const { return rescued_; }

private:
    bool Running() { return quillet_.WaitForExit(0) == STILL_ACTIVE; }

    // The refusal message, or the emergency save's question: false for anything else.
    bool AnswerBox(const tForeignDialog& box) {
        if (box.text.find("Quillet cannot write to the note file ") == 0) {
            ++refusals_;
            PressButton(box, IDOK);
            return true;
        }
        if (box.text.find("Do you want to attempt an emergency save") == 0) {
            PressButton(box, IDYES);
            return true;
        }
        ADD_FAILURE() << "unexpected box: " << box.text;
        PressButton(box, IDOK);
        return false;
    }

    tQuilletProcess& quillet_;
    std::string rescue_;
    int fatal_ = 0;
    int refusals_ = 0;
    bool rescued_ = false;
};

TEST(DiskFaults, Session) {
    // What a reader sees of a file left by a session: opened as the program
    // opens it, so that a commit cut short is put back from its journal.
    const std::string settle = Env("QUILLET_FAULT_OPEN");
    if (!settle.empty()) {
        tAppearanceRecord appearance = {};
        tNoteFile file;
        EXPECT_EQ(tReadResult::read, OpenNoteFile(settle, appearance, file));
        return;
    }
    const std::string prepare = Env("QUILLET_FAULT_PREPARE");
    if (!prepare.empty()) {
        std::vector<tTopic> topics(2);
        topics[0].name = "To-do";
        topics[1].name = "Notes";
        ASSERT_EQ(tNewFileResult::written, WriteNewNoteFile(prepare, topics));
        WriteStates(Env("QUILLET_FAULT_STATES"), SessionStates());
        return;
    }
    const std::string rescue = Env("QUILLET_FAULT_RESCUE");
    if (rescue.empty()) GTEST_SKIP() << "run by write_faults.sh, which starts Quillet under strace";
    tQuilletProcess quillet(tQuilletProcess::tRunning{}, Env("QUILLET_FAULT_CAPTION"));
    ASSERT_TRUE(quillet.WaitForMainWindow(60000));
    FaultSession session(quillet, rescue);
    session.Settle();

    quillet.Insert("alpha");
    Ticks(quillet, 3);  // the idle save
    session.Settle();
    quillet.PostCommand(CM_TOPIC_ADD);
    session.Name("Ideas");
    quillet.Insert("idea");
    quillet.PostCommand(CM_TOPIC_RENAME);
    session.Name("Ab");
    quillet.Command(CM_TOPIC_MOVE_LEFT);
    session.Settle();
    quillet.PostCommand(CM_TOPIC_DELETE);
    session.Confirm();
    quillet.Command(CM_TOPIC_UNDO_DELETE);
    session.Settle();
    quillet.Command(CM_TOPIC_NEXT);  // to To-do, at the end of its text
    session.Settle();
    quillet.Insert(" beta");
    quillet.Command(CM_TOPIC_NEXT);  // the switch saves it
    session.Settle();
    session.ChooseBackground();
    quillet.Insert("gamma");
    DWORD exitCode = session.ShutDown();

    std::printf("[ session  ] fatal boxes %d, refusals told %d, emergency save %s, exit code %lu\n",
                session.fatal(), session.refusals(), session.rescued() ? "yes" : "no", exitCode);
    EXPECT_EQ(0, session.fatal());
    EXPECT_EQ(0u, exitCode);
}

// With every read and write of two other files failing: opening one and
// making the other give their messages, leave nothing behind and keep the
// open file, which goes on taking the typing.
TEST(DiskFaults, OpenAndNew) {
    const std::string note = Env("QUILLET_FAULT_NOTE");
    if (note.empty()) GTEST_SKIP() << "run by write_faults.sh, which starts Quillet under strace";
    const std::string unreadable = Env("QUILLET_FAULT_UNREADABLE");
    const std::string unwritable = Env("QUILLET_FAULT_UNWRITABLE");
    tQuilletProcess quillet(tQuilletProcess::tRunning{}, "");
    ASSERT_TRUE(quillet.WaitForMainWindow(60000));
    struct {
        int command;
        const char* title;
        std::string path;
        std::string message;
    } cases[] = {
        {CM_FILE_OPEN, nullptr, unreadable,
         unreadable + " is not a Quillet file, is already open, or cannot be accessed."},
        {CM_FILE_NEW, "Choose name and location for new file", unwritable,
         "Failed to open file: " + unwritable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        quillet.PostCommand(c.command);
        tForeignDialog dialog;
        ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, c.title));
        ChooseFile(dialog, c.path);
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
        EXPECT_EQ(c.message, box.text);
        PressButton(box, IDOK);
        quillet.Settle();
        EXPECT_TRUE(Dialogs(quillet.id()).empty());
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(unwritable.c_str()));
    quillet.Type("still here");
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ("still here", ReadNoteOnDisk(note).texts[0]);
}

}  // namespace
