// The client's saving: when typed text is written and committed, laptop mode,
// the File menu's Save item, and the emergency save.
#include "client_fixture.h"
#include "base/settings.h"
#include "resources/resource.h"
#include "storage/notefile.h"
#include "storage/storage_test_util.h"

namespace {

// A note file of topics A ("a") and B ("b") open in the client.
class Saving : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        WriteNoteFile(dir.File("saving.qld"), {{"A", "a"}, {"B", "b"}});
        Open("saving.qld");
    }
    // New text in place of the topic's, as a paste over all of it would put it.
    void Retype(const std::string& text) {
        SendMessageA(Edit(), EM_SETSEL, 0, -1);
        SendMessageA(Edit(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const tTopic& Topic(size_t i) { return client->Notebook().Topics()[i]; }
    // The topic's text as the open file holds it now, commit or not.
    std::string Stored(const std::string& name) {
        IStorage* topics = nullptr;
        IStorage* root = client->Saver().File()->Root();
        if (!root || FAILED(root->OpenStorage(L"Topics", nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ,
                                              nullptr, 0, &topics)))
            return "<no Topics>";
        IStream* stream = nullptr;
        std::string text = "<no stream>";
        if (SUCCEEDED(topics->OpenStream(std::wstring(name.begin(), name.end()).c_str(), nullptr,
                                         STGM_SHARE_EXCLUSIVE | STGM_READ, 0, &stream))) {
            char buffer[4096];
            ULONG got = 0;
            stream->Read(buffer, sizeof buffer, &got);
            text = got >= 4 ? std::string(buffer + 4, got - 4) : "<short>";
            stream->Release();
        }
        topics->Release();
        return text;
    }
    // The text of topic name on disk, after the file is closed.
    std::string OnDisk(const std::string& name) {
        std::string raw;
        if (!ReadRawStream(path, "Topics/" + name, raw) || raw.size() < 4) return "<unreadable>";
        return raw.substr(4);
    }
    // A tick inside a message: the commit waits for EndMessage.
    void Tick() { client->Saver().OnTick(); }
};

TEST_F(Saving, OneKeystrokeIsWrittenOnTheThirdTickAndCommittedAtTheMessageEnd) {
    Retype("x");
    EXPECT_TRUE(Topic(0).modified);
    Tick();
    Tick();
    EXPECT_EQ("a", Stored("A"));
    EXPECT_TRUE(Topic(0).modified);
    Tick();
    EXPECT_EQ("x", Stored("A"));
    EXPECT_FALSE(Topic(0).modified);
    EXPECT_EQ(tFileState::written, client->FileState());
    EndMessage();
    EXPECT_EQ(tFileState::clean, client->FileState());
    Close();
    EXPECT_EQ("x", OnDisk("A"));
}

TEST_F(Saving, SteadyTypingIsWrittenOnTheTwelfthTick) {
    // A keystroke every 4 seconds, a tick every 5 seconds.
    int ticks = 0;
    int writtenAt = 0;
    for (int second = 0; second <= 120 && !writtenAt; ++second) {
        if (second % 4 == 0) Retype("typing " + std::to_string(second));
        if (second > 0 && second % 5 == 0) {
            ++ticks;
            Tick();
            if (Stored("A") != "a") writtenAt = ticks;
        }
    }
    EXPECT_EQ(12, writtenAt);
    EXPECT_EQ("typing 60", Stored("A"));
}

TEST_F(Saving, LaptopModeHoldsWritesBackForTheWholePeriod) {
    client->SetLaptopOptions(true, 5);
    Retype("laptop text");
    SendMessageA(client->Window(), WM_COMMAND, MAKEWPARAM(kEditControlId, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(Edit()));  // the edit control loses the focus
    client->Command(CM_TOPIC_NEXT);                   // another tab is selected
    EXPECT_EQ("laptop text", Topic(0).text);
    EXPECT_EQ("a", Stored("A"));
    for (int tick = 1; tick < 60; ++tick) {
        Tick();
        ASSERT_EQ("a", Stored("A")) << "tick " << tick;
    }
    Tick();
    EXPECT_EQ("laptop text", Stored("A"));
    EXPECT_EQ(tFileState::written, client->FileState());
    EXPECT_EQ("b", Stored("B"));
}

TEST_F(Saving, SaveCommandWritesAtOnceInLaptopMode) {
    client->SetLaptopOptions(true, 5);
    Retype("saved by command");
    client->Command(CM_SAVE);
    EXPECT_EQ("saved by command", Stored("A"));
}

TEST_F(Saving, SelectionComesBackWhenTheTopicIsShownAgain) {
    Retype("line 1\r\nline 2\r\nline 3");
    SendMessageA(Edit(), EM_SETSEL, 3, 9);
    client->Command(CM_TOPIC_NEXT);
    SendMessageA(Edit(), EM_SETSEL, 1, 1);
    client->Command(CM_TOPIC_PREVIOUS);
    DWORD start = 0, end = 0;
    SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(3u, start);
    EXPECT_EQ(9u, end);
    client->Command(CM_TOPIC_NEXT);
    SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(1u, start);
    EXPECT_EQ(1u, end);
}

// Every message ends with a commit; a topic changed after its write and
// before that commit is written again, the others are not.
TEST_F(Saving, OnlyTheTopicChangedAfterItsWriteStaysModified) {
    Retype("A1");
    client->Command(CM_TOPIC_NEXT);  // the switch writes A
    EXPECT_EQ("A1", Stored("A"));
    Retype("B1");  // the change's message ends with the commit
    EXPECT_EQ(tFileState::clean, client->FileState());
    EXPECT_FALSE(Topic(0).modified);
    client->Command(CM_SAVE);
    EXPECT_EQ("B1", Stored("B"));
    Retype("B2");
    EXPECT_TRUE(Topic(1).modified);
    EndMessage();  // nothing new to commit: nothing changes
    EXPECT_TRUE(Topic(1).modified);
    Close();
    EXPECT_EQ("A1", OnDisk("A"));
    EXPECT_EQ("B2", OnDisk("B"));
}

TEST_F(Saving, LaptopOptionsAreStoredAndTheFileMenuShowsSaveOnlyInLaptopMode) {
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), "MAIN_MENU");
    ASSERT_NE(nullptr, bar);
    HMENU file = GetSubMenu(bar, 0);
    int items = GetMenuItemCount(file);
    client->PrepareMenu(file, 0);
    EXPECT_EQ(items, GetMenuItemCount(file));

    client->SetLaptopOptions(true, 7);
    EXPECT_EQ(1u, GetConfigDword(kConfig, "LaptopMode", 9));
    EXPECT_EQ(7u, GetConfigDword(kConfig, "LaptopSavePeriod", 9));
    client->PrepareMenu(file, 0);
    client->PrepareMenu(file, 0);  // only once
    EXPECT_EQ(items + 1, GetMenuItemCount(file));
    EXPECT_EQ(UINT(CM_SAVE), GetMenuItemID(file, 3));
    char label[32] = {};
    GetMenuStringA(file, 3, label, sizeof label, MF_BYPOSITION);
    EXPECT_STREQ("&Save", label);
    EXPECT_EQ(UINT(CM_FILE_CLOSE), GetMenuItemID(file, 2));
    EXPECT_NE(0u, GetMenuState(file, 4, MF_BYPOSITION) & MF_SEPARATOR);

    client->SetLaptopOptions(false, 7);
    EXPECT_EQ(0u, GetConfigDword(kConfig, "LaptopMode", 9));
    EXPECT_EQ(1u, GetConfigDword(kConfig, "LaptopSavePeriod", 9));  // whatever was shown
    client->PrepareMenu(file, 0);
    EXPECT_EQ(items, GetMenuItemCount(file));
    EXPECT_EQ(UINT(-1), GetMenuState(file, CM_SAVE, MF_BYCOMMAND));
    DestroyMenu(bar);
}

// ---------------------------------------------------------------------------
// Emergency save, from a file whose appearance is its own.

const char* const kQuestion =
    "Do you want to attempt an emergency save of your Quillet topics to a new file?";

class Emergency : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        {
            tRawFile file(dir.File("open.qld"));
            file.SetClass(kNoteFileClassId);
            file.TopicsStorage();
            file.TopicStream("A", Record("a"));
            file.TopicStream("B", Record("b"));
            file.Stream("Index", IndexBytes({"A", "B"}));
            file.Stream("Colours", Uint32Bytes(0x00800000));
        }
        Open("open.qld");
    }
    void Retype(const std::string& text) {
        SendMessageA(Edit(), EM_SETSEL, 0, -1);
        SendMessageA(Edit(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
};

TEST_F(Emergency, SavesEveryTopicWithTheLastTypingAndLeavesTheOpenFile) {
    Retype("A saved");
    client->Command(CM_SAVE);
    EndMessage();
    client->Command(CM_TOPIC_NEXT);
    Retype("B typed just before the failure");

    std::string rescued = dir.File("rescued.qld");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::File(rescued)});
        client->Saver().EmergencySave();
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ("Quillet", seen[0].caption);
        EXPECT_EQ(kQuestion, seen[0].text);
        EXPECT_TRUE(seen[1].fileDialog);
        EXPECT_EQ("Choose name and location for new file", seen[1].caption);
    }
    std::string raw;
    ASSERT_TRUE(ReadRawStream(rescued, "Index", raw));
    EXPECT_EQ(IndexBytes({"A", "B"}), raw);
    EXPECT_FALSE(ReadRawStream(rescued, "Colours", raw));  // it opens with the default appearance
    EXPECT_TRUE(IsEqualCLSID(kNoteFileClassId, RawClassOf(rescued)));
    ASSERT_TRUE(ReadRawStream(rescued, "Topics/B", raw));
    EXPECT_EQ(Record("B typed just before the failure"), raw);
    ASSERT_TRUE(ReadRawStream(rescued, "Topics/A", raw));
    EXPECT_EQ(Record("A saved"), raw);
    client.reset();  // without the close's own save: the open file got nothing of it
    ASSERT_TRUE(ReadRawStream(path, "Topics/B", raw));
    EXPECT_EQ(Record("b"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/A", raw));
    EXPECT_EQ(Record("A saved"), raw);
}

TEST_F(Emergency, ExistingFileIsRefusedAndTheQuestionComesAgain) {
    std::string existing = dir.File("existing.qld");
    WriteNoteFile(existing, {{"Keep", "me"}});
    std::string before = FileBytes(existing);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::File(existing),
                                  tDialogAnswer::Button(IDOK), tDialogAnswer::Button(IDNO)});
        client->Saver().EmergencySave();
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(4u, seen.size());
        EXPECT_EQ(kQuestion, seen[0].text);
        EXPECT_TRUE(seen[1].fileDialog);
        EXPECT_EQ("Failed to create new file (choose a file that does not already exist).",
                  seen[2].text);
        EXPECT_EQ("Quillet", seen[2].caption);
        EXPECT_EQ(kQuestion, seen[3].text);
    }
    EXPECT_EQ(before, FileBytes(existing));
}

TEST_F(Emergency, CancelledDialogAsksAgainAndNoEndsIt) {
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::Button(IDCANCEL),
                                  tDialogAnswer::Button(IDNO)});
        client->Saver().EmergencySave();
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(3u, seen.size());
        EXPECT_TRUE(seen[1].fileDialog);
        EXPECT_EQ(kQuestion, seen[2].text);
    }
    EXPECT_NE(nullptr, client->Saver().File());  // the open file is still there
}

}  // namespace
