#include <gtest/gtest.h>
#include "base/errors.h"
#include "app/globals.h"
#include "base/settings.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage/saving.h"
#include "storage_test_util.h"
#include "support/dialog_answerer.h"

namespace {

// ---------------------------------------------------------------------------
// Countdown rules on their own.

TEST(SaveCountdown, IdleAndForcedCountdowns) {
    unsigned idle = 0, forced = 0;
    ArmSaveCountdown(1, idle, forced);
    EXPECT_EQ(3u, idle);
    EXPECT_EQ(12u, forced);
    EXPECT_EQ(tSaveTick::none, CountSaveTick(false, idle, forced));
    EXPECT_EQ(tSaveTick::none, CountSaveTick(false, idle, forced));
    EXPECT_EQ(tSaveTick::save, CountSaveTick(false, idle, forced));
    EXPECT_EQ(10u, forced);  // the tick that saves counts nothing else

    // A change while the forced countdown runs does not restart it.
    idle = 0;
    forced = 5;
    ArmSaveCountdown(1, idle, forced);
    EXPECT_EQ(5u, forced);

    // Laptop mode ignores the idle countdown.
    idle = 3;
    forced = 2;
    EXPECT_EQ(tSaveTick::none, CountSaveTick(true, idle, forced));
    EXPECT_EQ(tSaveTick::forcedSave, CountSaveTick(true, idle, forced));
    EXPECT_EQ(3u, idle);
    EXPECT_EQ(tSaveTick::none, CountSaveTick(true, idle, forced));

    // Periods from a damaged registry: never 0 ticks, never wrapped round.
    idle = forced = 0;
    ArmSaveCountdown(0, idle, forced);
    EXPECT_EQ(12u, forced);
    forced = 0;
    ArmSaveCountdown(0xFFFFFFFFu, idle, forced);
    EXPECT_GE(forced, 0xFFFFFFFFu - 12);
    forced = 0;
    ArmSaveCountdown(60, idle, forced);
    EXPECT_EQ(720u, forced);
}

// ---------------------------------------------------------------------------
// The client's saving, with a note file of topics A ("a") and B ("b") open.

class SavingTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        path = dir.File("saving.qld");
        WriteNoteFile(path, {{"A", "a"}, {"B", "b"}});
        ASSERT_TRUE(Load(path));
        client->Commit();
    }
    // The topic's text as the open file holds it now, commit or not.
    std::string Stored(const std::string& name) {
        IStorage* topics = nullptr;
        if (FAILED(client->noteFile->Root()->OpenStorage(L"Topics", nullptr, kModeRead,
                                                                 nullptr, 0, &topics)))
            return "<no Topics>";
        IStream* stream = nullptr;
        std::string text = "<no stream>";
        if (SUCCEEDED(topics->OpenStream(ToElementName(name).c_str(), nullptr, kModeRead, 0,
                                         &stream))) {
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
    std::string path;
};

TEST_F(SavingTest, OneKeystrokeIsWrittenOnTheThirdTick) {
    Type("x");
    EXPECT_NE(0u, client->saveTimer);
    EXPECT_TRUE(client->notebook.topics[0].modified);
    client->OnSaveTimer();
    client->OnSaveTimer();
    EXPECT_EQ("a", Stored("A"));
    EXPECT_FALSE(client->notebook.topics[0].written);
    client->OnSaveTimer();
    EXPECT_EQ("x", Stored("A"));
    EXPECT_TRUE(client->notebook.topics[0].written);
    EXPECT_TRUE(client->noteFile->Uncommitted());
    EXPECT_EQ(0u, client->saveTimer);
    EXPECT_EQ(0u, client->idleTicks);
    EXPECT_EQ(0u, client->laptopTicks);
    // The commit at the end of that message; the topic is clean again.
    RunAndCommit(parent, [] { return 0; });
    EXPECT_FALSE(client->notebook.topics[0].modified);
    EXPECT_FALSE(client->noteFile->Uncommitted());
    CloseFile();
    EXPECT_EQ("x", OnDisk("A"));
}

TEST_F(SavingTest, SteadyTypingIsWrittenOnTheTwelfthTick) {
    // A keystroke every 4 seconds, a tick every 5 seconds.
    int ticks = 0;
    int writtenAt = 0;
    for (int second = 0; second <= 120 && !writtenAt; ++second) {
        if (second % 4 == 0) Type("typing " + std::to_string(second));
        if (second > 0 && second % 5 == 0) {
            ++ticks;
            client->OnSaveTimer();
            if (client->notebook.topics[0].written) writtenAt = ticks;
        }
    }
    EXPECT_EQ(12, writtenAt);
    EXPECT_EQ("typing 60", Stored("A"));
}

TEST_F(SavingTest, LaptopModeHoldsWritesBackForTheWholePeriod) {
    client->laptopMode = true;
    client->laptopSavePeriod = 5;
    Type("laptop text");
    EXPECT_EQ(60u, client->laptopTicks);
    client->SaveTopics(false);  // the edit control loses the focus
    Show(1);                    // another tab is selected
    EXPECT_EQ("laptop text", client->notebook.topics[0].text);
    EXPECT_EQ("a", Stored("A"));
    EXPECT_NE(0u, client->saveTimer);
    for (int tick = 1; tick < 60; ++tick) {
        client->OnSaveTimer();
        ASSERT_FALSE(client->notebook.topics[0].written) << "tick " << tick;
    }
    client->OnSaveTimer();
    EXPECT_TRUE(client->notebook.topics[0].written);
    EXPECT_EQ("laptop text", Stored("A"));
    EXPECT_EQ("b", Stored("B"));  // unmodified topics are not rewritten
    EXPECT_FALSE(client->notebook.topics[1].written);
    EXPECT_EQ(0u, client->saveTimer);
}

TEST_F(SavingTest, SaveCommandWritesAtOnceInLaptopMode) {
    client->laptopMode = true;
    client->laptopSavePeriod = 5;
    Type("saved by command");
    client->SaveTopics(true);
    EXPECT_EQ("saved by command", Stored("A"));
    EXPECT_EQ(0u, client->saveTimer);
    EXPECT_EQ(0u, client->laptopTicks);
}

TEST_F(SavingTest, ViewStateIsRecordedWithoutTakingUnchangedText) {
    SetWindowTextA(edit, "line 1\r\nline 2\r\nline 3");  // no EN_CHANGE: not the topic's text
    SendMessageA(edit, EM_SETSEL, 3, 9);
    client->SaveTopics(false);
    EXPECT_EQ(3, client->notebook.topics[0].selStart);
    EXPECT_EQ(9, client->notebook.topics[0].selEnd);
    EXPECT_EQ("a", client->notebook.topics[0].text);
    EXPECT_FALSE(client->notebook.topics[0].written);
}

TEST_F(SavingTest, OnlyTheTopicChangedAfterItsWriteStaysModified) {
    Type("A1");
    Show(1);
    Type("B1");
    client->SaveTopics(true);
    EXPECT_TRUE(client->notebook.topics[0].written);
    EXPECT_TRUE(client->notebook.topics[1].written);
    Type("B2");
    EXPECT_TRUE(client->notebook.topics[1].modified);
    EXPECT_FALSE(client->notebook.topics[1].written);
    client->Commit();
    EXPECT_FALSE(client->notebook.topics[0].modified);
    EXPECT_FALSE(client->notebook.topics[0].written);
    EXPECT_TRUE(client->notebook.topics[1].modified);
    EXPECT_FALSE(client->notebook.topics[1].written);
    EXPECT_FALSE(client->noteFile->Uncommitted());

    client->Commit();  // nothing to commit: nothing changes
    EXPECT_TRUE(client->notebook.topics[1].modified);
    CloseFile();
    EXPECT_EQ("A1", OnDisk("A"));
    EXPECT_EQ("B2", OnDisk("B"));
}

TEST_F(SavingTest, LaptopOptionsAreStored) {
    client->SetLaptopOptions(true, 7);
    EXPECT_TRUE(client->laptopMode);
    EXPECT_EQ(7u, client->laptopSavePeriod);
    EXPECT_EQ(1u, GetConfigDword(kConfig, "LaptopMode", 9));
    EXPECT_EQ(7u, GetConfigDword(kConfig, "LaptopSavePeriod", 9));

    Type("x");
    unsigned running = client->laptopTicks;
    client->SetLaptopOptions(false, 7);
    EXPECT_FALSE(client->laptopMode);
    EXPECT_EQ(1u, client->laptopSavePeriod);
    EXPECT_EQ(0u, GetConfigDword(kConfig, "LaptopMode", 9));
    EXPECT_EQ(1u, GetConfigDword(kConfig, "LaptopSavePeriod", 9));
    EXPECT_EQ(running, client->laptopTicks);  // running countdowns are left alone
}

TEST_F(SavingTest, FileMenuShowsSaveOnlyInLaptopMode) {
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), "MAIN_MENU");
    ASSERT_NE(nullptr, bar);
    HMENU file = GetSubMenu(bar, 0);
    int items = GetMenuItemCount(file);

    client->UpdateFileMenu(file);
    EXPECT_EQ(items, GetMenuItemCount(file));
    EXPECT_FALSE(client->saveItemInserted);

    client->laptopMode = true;
    client->UpdateFileMenu(file);
    client->UpdateFileMenu(file);  // only once
    EXPECT_EQ(items + 1, GetMenuItemCount(file));
    EXPECT_EQ(UINT(CM_SAVE), GetMenuItemID(file, 3));
    char label[32] = {};
    GetMenuStringA(file, 3, label, sizeof label, MF_BYPOSITION);
    EXPECT_STREQ("&Save", label);
    EXPECT_EQ(UINT(CM_FILE_CLOSE), GetMenuItemID(file, 2));
    EXPECT_NE(0u, GetMenuState(file, 4, MF_BYPOSITION) & MF_SEPARATOR);

    client->laptopMode = false;
    client->UpdateFileMenu(file);
    EXPECT_EQ(items, GetMenuItemCount(file));
    EXPECT_EQ(UINT(-1), GetMenuState(file, CM_SAVE, MF_BYCOMMAND));
    EXPECT_FALSE(client->saveItemInserted);
    DestroyMenu(bar);
}

// ---------------------------------------------------------------------------
// Emergency save

const char* const kQuestion =
    "Do you want to attempt an emergency save of your Quillet topics to a new file?";

class EmergencyTest : public SavingTest {
protected:
    void SetUp() override {
        SavingTest::SetUp();
        client->backgroundColour = 0x00800000;
        client->WriteAppearance();
        client->Commit();
    }
};

TEST_F(EmergencyTest, SavesEveryTopicWithTheLastTyping) {
    Type("A saved");
    client->SaveTopics(true);
    client->Commit();
    Show(1);
    Type("B typed just before the failure");
    tOpenNoteFile* open = client->noteFile.get();

    std::string rescued = dir.File("rescued.qld");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::File(rescued)});
        client->EmergencySave();
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ("Quillet", seen[0].caption);
        EXPECT_EQ(kQuestion, seen[0].text);
        EXPECT_TRUE(seen[1].fileDialog);
        EXPECT_EQ("Choose name and location for new file", seen[1].caption);
    }
    // The open file got nothing of it.
    EXPECT_EQ(open, client->noteFile.get());
    EXPECT_EQ("b", Stored("B"));

    std::string raw;
    ASSERT_TRUE(ReadRawStream(rescued, "Index", raw));
    EXPECT_EQ(IndexBytes({"A", "B"}), raw);
    EXPECT_FALSE(ReadRawStream(rescued, "Colours", raw));
    EXPECT_TRUE(IsEqualCLSID(kNoteFileClassId, RawClassOf(rescued)));

    ASSERT_TRUE(Load(rescued));
    ASSERT_EQ(2u, client->notebook.topics.size());
    EXPECT_EQ("A", client->notebook.topics[0].name);
    EXPECT_EQ("A saved", client->notebook.topics[0].text);
    EXPECT_EQ("B", client->notebook.topics[1].name);
    EXPECT_EQ("B typed just before the failure", client->notebook.topics[1].text);
    EXPECT_EQ(kDefaultBackground, client->backgroundColour);
    EXPECT_EQ(kDefaultTextColour, client->textColour);
}

TEST_F(EmergencyTest, ExistingFileIsRefusedAndTheQuestionComesAgain) {
    std::string existing = dir.File("existing.qld");
    WriteNoteFile(existing, {{"Keep", "me"}});
    std::string before = FileBytes(existing);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::File(existing),
                                  tDialogAnswer::Button(IDOK), tDialogAnswer::Button(IDNO)});
        client->EmergencySave();
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

TEST_F(EmergencyTest, CancelledDialogAsksAgainAndNoEndsIt) {
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::Button(IDCANCEL),
                                  tDialogAnswer::Button(IDNO)});
        client->EmergencySave();
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(3u, seen.size());
        EXPECT_TRUE(seen[1].fileDialog);
        EXPECT_EQ(kQuestion, seen[2].text);
    }
    EXPECT_NE(nullptr, client->noteFile.get());
    EXPECT_EQ("a", Stored("A"));
}

}  // namespace
