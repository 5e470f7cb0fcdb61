// Opening another note file in the client, as File Open and File New do:
// the questions it may take, and a file that cannot be used keeping the one
// that is open, with its topics and its look.
#include "../client/client_fixture.h"
#include "app/frame.h"
#include "app/globals.h"
#include "base/settings.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/note_salvage.h"
#include "storage/notefile.h"
#include "storage/open_note_file.h"
#include "storage/storage_test_util.h"

namespace {

const std::string kUnusable = " is not a Quillet file, is already open, or cannot be accessed.";
const std::string kRecoveryOffer = "\n\nDo you want to recover its notes into a new file?";

// A look of its own written into the note file at path (not open elsewhere).
void WriteLook(const std::string& path, const tAppearanceRecord& look) {
    tNoteFile file;
    ASSERT_EQ(tReadResult::read, OpenNoteFile(path, look, file));
    ASSERT_TRUE(file.file->WriteAppearance(look));
    ASSERT_TRUE(file.file->Commit());
}

tAppearanceRecord Look(COLORREF background, COLORREF text) {
    tAppearanceRecord look = {};
    SetDefaultColours(look);
    look.backgroundColour = background;
    look.textColour = text;
    return look;
}

class LoadTest : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        app.notFirstRun = false;
        Open("start.qld");
    }
    // File Open of path, as the default file or not; shown names what is shown then.
    bool Load(const std::string& file, bool isDefault = false) {
        if (!client) Open("start.qld");  // closed to read the file: a client anew
        tShownFile wanted{file, isDefault};
        bool opened = ReplaceShownFile(*client, parent, wanted);
        if (opened) shown = wanted;
        return opened;
    }
    const tAppearanceRecord& Appearance() { return client->View().Appearance().Record(); }
    HFONT TextFont() { return client->View().Appearance().TextFont(); }
    HFONT TabFont() { return client->View().Appearance().TabFont(); }
    const std::vector<tTopic>& Topics() { return client->Notebook().Topics(); }
    const tOpenNoteFile* File() { return client->Saver().File(); }
    // A file with topics, colours and both fonts, shown.
    void OpenRichFile() {
        good = dir.File("good.qld");
        WriteNoteFile(good, {{"First", "one\r\ntwo"}, {"Second", "2"}, {"Third", ""}});
        tAppearanceRecord look = Look(0x00FF0000, 0x0000FF00);
        look.customColours[3] = 0x00030303;
        look.textLogFont = Font(-12, "Courier New");
        look.tabLogFont = Font(-14, "Arial");
        WriteLook(good, look);
        ASSERT_TRUE(Load(good));
        ASSERT_NE(nullptr, TextFont());
        ASSERT_NE(nullptr, TabFont());
        textFont = TextFont();
        tabFont = TabFont();
        oldFile = File();
    }
    // The rich file is still open and nothing of it changed.
    void ExpectRichFileKept() {
        EXPECT_EQ(oldFile, File());
        ASSERT_NE(nullptr, File());
        EXPECT_EQ(good, File()->Path());
        EXPECT_EQ((std::vector<std::string>{"First", "Second", "Third"}), Names());
        EXPECT_EQ("one\r\ntwo", Topics()[0].text);
        EXPECT_EQ(0x00FF0000u, Appearance().backgroundColour);
        EXPECT_EQ(0x0000FF00u, Appearance().textColour);
        EXPECT_EQ(0x00030303u, Appearance().customColours[3]);
        EXPECT_EQ(textFont, TextFont());
        EXPECT_EQ(tabFont, TabFont());
        EXPECT_STREQ("Courier New", Appearance().textLogFont.lfFaceName);
        // The open file still works.
        SendMessageA(Edit(), EM_SETSEL, 0, -1);
        Type("after the failed open");
        Close();
        std::string raw;
        ASSERT_TRUE(ReadRawStream(good, "Topics/First", raw));
        EXPECT_EQ(Record("after the failed open"), raw);
    }
    // Loads path expecting the unusable-file message; a damaged note file's
    // comes with the offer to recover its notes, declined here.
    void ExpectRejected(const std::string& file, bool offered = false) {
        SCOPED_TRACE(file);
        tDialogAnswerer answerer({tDialogAnswer::Button(offered ? IDNO : IDOK)});
        EXPECT_FALSE(Load(file));
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ("Quillet", seen[0].caption);
        EXPECT_EQ(file + kUnusable + (offered ? kRecoveryOffer : ""), seen[0].text);
    }
    std::string good;
    tShownFile shown;
    HFONT textFont = nullptr;
    HFONT tabFont = nullptr;
    const tOpenNoteFile* oldFile = nullptr;
};

TEST_F(LoadTest, NewFileHasDefaultContent) {
    std::string path = dir.File("new.qld");
    ASSERT_TRUE(Load(path));
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names());
    // Committed before it replaces the open file: a failure keeps that one.
    EXPECT_EQ(tFileState::clean, client->FileState());
    EXPECT_EQ(kDefaultBackground, Appearance().backgroundColour);
    Close();

    EXPECT_TRUE(IsEqualCLSID(kNoteFileClassId, RawClassOf(path)));
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(22u, raw.size());
    EXPECT_EQ(IndexBytes({"To-do", "Notes"}), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/To-do", raw));
    EXPECT_EQ(std::string(4, '\0'), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/Notes", raw));
    EXPECT_EQ(std::string(4, '\0'), raw);
    EXPECT_FALSE(ReadRawStream(path, "Colours", raw));
    EXPECT_FALSE(ReadRawStream(path, "Font", raw));

    // Reopened without changes, after another file was shown with its own look.
    std::string other = dir.File("other.qld");
    WriteNoteFile(other, {{"O", "o"}});
    tAppearanceRecord look = Look(0x00000080, 0x00FFFFFF);
    look.customColours[0] = 0x00ABCDEF;
    look.textLogFont = Font(-12, "Courier New");
    WriteLook(other, look);
    ASSERT_TRUE(Load(other));
    ASSERT_NE(nullptr, TextFont());
    ASSERT_TRUE(Load(path));
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names());
    for (const tTopic& topic : Topics()) {
        EXPECT_EQ("", topic.text);
        EXPECT_FALSE(topic.modified);
    }
    EXPECT_EQ(kDefaultBackground, Appearance().backgroundColour);
    EXPECT_EQ(kDefaultTextColour, Appearance().textColour);
    EXPECT_EQ(0u, Appearance().customColours[0]);
    EXPECT_EQ(nullptr, TextFont());
    EXPECT_EQ(nullptr, TabFont());
}

TEST_F(LoadTest, OpeningFlushesTheOpenFileFirst) {
    std::string first = dir.File("first.qld");
    ASSERT_TRUE(Load(first));
    EndMessage();
    Type("typed just before opening another file");
    EXPECT_TRUE(Topics()[0].modified);
    ASSERT_TRUE(Load(dir.File("second.qld")));
    Close();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(first, "Topics/To-do", raw));
    EXPECT_EQ(Record("typed just before opening another file"), raw);
}

TEST_F(LoadTest, IndexNameWithoutStreamLoadsEmptyAndExtraStreamsAreIgnored) {
    std::string path = dir.File("gaps.qld");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicStream("One", Record("1"));
        file.TopicStream("Three", Record("3"));
        file.TopicStream("Unlisted", Record("ignored"));
        // A name longer than any element name can be has no stream; names
        // equal without regard to case share one; an empty name has none.
        file.Stream("Index", IndexBytes({"One", "Two", "Three", std::string(40, 'L'), "ONE", "",
                                         "one", "Unlisted" + std::string(32, ' ') + "x:",
                                         std::string(30, 'M')}));
    }
    ASSERT_TRUE(Load(path));
    // Such topics get storable names of their own, written at the next save,
    // that no other element has; the rest keep theirs (so does a 30-character
    // name a stream can carry).
    EXPECT_EQ((std::vector<std::string>{"One", "Two", "Three", std::string(20, 'L'), "ONE (2)",
                                        "Topic", "one (3)", "Unlisted (2)", std::string(30, 'M')}),
              Names());
    const char* texts[] = {"1", "", "3", "", "1", "", "1", "", ""};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(texts[i], Topics()[i].text) << i;
        EXPECT_EQ(i == 3 || (i >= 4 && i <= 7), Topics()[i].modified) << i;
    }
    const std::vector<std::string> storable = Names();
    Close();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Topics/ONE (2)", raw));
    EXPECT_EQ(Record("1"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/One", raw));
    EXPECT_EQ(Record("1"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/Unlisted", raw));
    EXPECT_EQ(Record("ignored"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(IndexBytes(storable), raw);
}

TEST_F(LoadTest, LongAndOddNamesKeepTheirOrder) {
    std::string path = dir.File("names.qld");
    std::vector<std::pair<std::string, std::string>> topics = {
        {"12345678901234567890", "twenty"},
        {"with  two blanks", "blanks"},
        {"A name longer than twenty", "long"},
        {"Gr\xFC\xDF" "e", "\xE4\xF6\xFC"},
        {"b", ""}};
    WriteNoteFile(path, topics);
    ASSERT_TRUE(Load(path));
    ASSERT_EQ(topics.size(), Topics().size());
    for (size_t i = 0; i < topics.size(); ++i) {
        EXPECT_EQ(topics[i].first, Topics()[i].name);
        EXPECT_EQ(topics[i].second, Topics()[i].text);
    }
}

TEST_F(LoadTest, FontStreamWithTabFontOnly) {
    std::string path = dir.File("tabfont.qld");
    WriteNoteFile(path, {{"A", "a"}});
    tAppearanceRecord tabOnly = Look(kDefaultBackground, kDefaultTextColour);
    tabOnly.tabLogFont = Font(-15, "Arial");
    WriteLook(path, tabOnly);

    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Font", raw));
    ASSERT_EQ(kFontStreamSize, raw.size());
    ASSERT_TRUE(ReadRawStream(path, "Colours", raw));
    ASSERT_EQ(kColoursStreamSize, raw.size());

    std::string before = dir.File("before.qld");
    WriteNoteFile(before, {{"B", "b"}});
    tAppearanceRecord textFontLook = Look(kDefaultBackground, kDefaultTextColour);
    textFontLook.textLogFont = Font(-20, "Left from before");
    WriteLook(before, textFontLook);
    ASSERT_TRUE(Load(before));
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(nullptr, TextFont());
    EXPECT_EQ(0, Appearance().textLogFont.lfHeight);
    ASSERT_NE(nullptr, TabFont());
    EXPECT_EQ(-15, Appearance().tabLogFont.lfHeight);
    EXPECT_STREQ("Arial", Appearance().tabLogFont.lfFaceName);

    // A file without fonts clears the descriptions, so that they cannot be
    // written into it later, and the replaced font is released.
    HFONT replaced = TabFont();
    std::string plain = dir.File("plain.qld");
    WriteNoteFile(plain, {{"P", "p"}});
    ASSERT_TRUE(Load(plain));
    EXPECT_EQ(nullptr, TabFont());
    EXPECT_EQ(0, Appearance().tabLogFont.lfHeight);
    EXPECT_EQ(0u, GetObjectType(replaced));
    client->Saver().AppearanceChanged();
    Close();
    ASSERT_TRUE(ReadRawStream(plain, "Font", raw));
    EXPECT_EQ(std::string(kFontStreamSize, '\0'), raw);
}

TEST_F(LoadTest, ShortColoursStreamKeepsCustomColours) {
    std::string path = dir.File("colours.qld");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicStream("A", Record("a"));
        file.Stream("Index", IndexBytes({"A"}));
        file.Stream("Colours", Uint32Bytes(0x00C0FFEE));
    }
    std::string before = dir.File("before.qld");
    WriteNoteFile(before, {{"B", "b"}});
    tAppearanceRecord look = Look(kDefaultBackground, 0x00FFFFFF);
    for (int i = 0; i < 16; ++i) look.customColours[i] = COLORREF(i + 1);
    WriteLook(before, look);
    ASSERT_TRUE(Load(before));
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(0x00C0FFEEu, Appearance().backgroundColour);
    EXPECT_EQ(0u, Appearance().textColour);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(COLORREF(i + 1), Appearance().customColours[i]);
}

TEST_F(LoadTest, EmptyIndexLoadsNoTopicsAndSavesNothing) {
    std::string path = dir.File("empty.qld");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicsStorage();
        file.Stream("Index", Uint32Bytes(0));
    }
    ASSERT_TRUE(Load(path));
    EXPECT_TRUE(Topics().empty());
    // No topic to go to: Go to Topic is greyed, and its key does nothing.
    HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), "MAIN_MENU");
    client->PrepareMenu(GetSubMenu(bar, 2), 2);
    EXPECT_NE(0u, GetMenuState(bar, CM_TOPIC_GO_TO, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(bar);
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDCANCEL)}, 1500);
        EXPECT_TRUE(client->Command(CM_TOPIC_GO_TO));
        EXPECT_TRUE(answerer.Seen().empty());
    }
    // Nothing to index: saving and typing leave the file alone.
    Type("text with no topic to hold it");
    client->Command(CM_SAVE);
    SendMessageA(client->Window(), WM_TIMER, kSaveTimerId, 0);
    EndMessage();
    Close();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(Uint32Bytes(0), raw);
}

// Every kind of damage: the open file stays open, with its topics and its look.
TEST_F(LoadTest, DamagedFilesKeepTheOpenFile) {
    OpenRichFile();
    struct tCase {
        const char* name;
        void (*build)(tRawFile&);
    };
    const tCase cases[] = {
        {"truncated-topic", [](tRawFile& f) {
             f.TopicStream("A", Uint32Bytes(10) + "abc");
             f.Stream("Index", IndexBytes({"A"}));
         }},
        {"huge-name-length", [](tRawFile& f) {
             f.TopicStream("A", Record("a"));
             f.Stream("Index", Uint32Bytes(1) + Uint32Bytes(0xFFFFFFFF) + "A");
         }},
        {"count-too-large", [](tRawFile& f) {
             f.TopicStream("A", Record("a"));
             f.Stream("Index", Uint32Bytes(1000) + Record("A"));
         }},
        {"count-all-ones", [](tRawFile& f) {
             f.TopicStream("A", Record("a"));
             f.Stream("Index", Uint32Bytes(0xFFFFFFFF) + Record("A"));
         }},
        {"short-count", [](tRawFile& f) {
             f.TopicsStorage();
             f.Stream("Index", "\x01\x00");
         }},
        {"missing-index", [](tRawFile& f) { f.TopicStream("A", Record("a")); }},
        {"missing-topics", [](tRawFile& f) { f.Stream("Index", IndexBytes({"A"})); }},
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File(std::string(c.name) + ".qld");
        {
            tRawFile file(path);
            file.SetClass(kNoteFileClassId);
            c.build(file);
        }
        ExpectRejected(path, /*offered*/ true);
        EXPECT_EQ(oldFile, File());
        EXPECT_EQ(3u, Topics().size());
        EXPECT_EQ(textFont, TextFont());
    }
    ExpectRichFileKept();
}

TEST_F(LoadTest, ForeignAndBrokenFilesKeepTheOpenFile) {
    OpenRichFile();
    std::string foreign = dir.File("foreign.qld");
    {
        tRawFile file(foreign);  // no class identifier at all
        file.TopicStream("A", Record("a"));
        file.Stream("Index", IndexBytes({"A"}));
    }
    ExpectRejected(foreign);

    std::string other = dir.File("otherclass.qld");
    {
        tRawFile file(other);
        CLSID id = kNoteFileClassId;
        id.Data1 ^= 1;
        file.SetClass(id);
        file.TopicStream("A", Record("a"));
        file.Stream("Index", IndexBytes({"A"}));
    }
    ExpectRejected(other);

    std::string text = dir.File("plain.qld");
    {
        HANDLE h = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD written = 0;
        WriteFile(h, "not a compound file\r\n", 21, &written, nullptr);
        CloseHandle(h);
    }
    ExpectRejected(text);
    EXPECT_EQ(std::string("not a compound file\r\n"), FileBytes(text));

    // A file others may only read: another program holds it without write sharing.
    std::string shared = dir.File("sharedread.qld");
    WriteNoteFile(shared, {{"A", "a"}});
    {
        tFileHandle reader(CreateFileA(shared.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        ExpectRejected(shared);
    }

    // The file that is open already.
    ExpectRejected(good);
    ExpectRichFileKept();
}

TEST_F(LoadTest, ReadOnlyFileIsRejected) {
    std::string readOnly = dir.File("readonly.qld");
    WriteNoteFile(readOnly, {{"A", "a"}});
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    tFileHandle writer(CreateFileA(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    if (writer) {
        // Wine run by root maps the attribute to file modes that root ignores.
        writer.reset();
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system lets a read-only file be opened for writing";
    }
    OpenRichFile();
    std::string before = FileBytes(readOnly);
    ExpectRejected(readOnly);
    EXPECT_EQ(before, FileBytes(readOnly));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    ExpectRichFileKept();
}

TEST_F(LoadTest, FileOpenElsewhereIsRejected) {
    OpenRichFile();
    std::string busy = dir.File("busy.qld");
    WriteNoteFile(busy, {{"A", "a"}});
    tRootStorage holder(tHow::open, busy, kModeNoteFile);
    ExpectRejected(busy);
    ExpectRichFileKept();
}

TEST_F(LoadTest, DamagedFileAtStartUpReturnsFalseOrIsRecovered) {
    std::string path = dir.File("damaged.qld");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicStream("A", Uint32Bytes(10) + "abc");
        file.TopicStream("B", Record("whole"));
        file.Stream("Index", IndexBytes({"B", "A", "Gone"}));
    }
    const std::string before = FileBytes(path);
    tNoteFile file;
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO)});
        std::string opened = path;
        bool isDefault = false;
        EXPECT_EQ(tOpenOutcome::notOpened,
                  ReadOrCreateNoteFile(parent, opened, isDefault, Look(kDefaultBackground, 0), file));
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(path + kUnusable + kRecoveryOffer, answerer.Seen()[0].text);
    }
    EXPECT_EQ(nullptr, file.file);
    // Recovered into a new file beside it, numbered when that name is taken;
    // the new file is opened in its place.
    std::string taken = dir.File("damaged (recovered).qld");
    WriteNoteFile(taken, {{"X", "x"}});
    for (int round = 0; round < 2; ++round) {
        const std::string expected = dir.File(round == 0 ? "damaged (recovered 2).qld" : "damaged (recovered 3).qld");
        tDialogAnswerer answerer({tDialogAnswer::Button(IDYES), tDialogAnswer::Button(IDOK)});
        std::string opened = path;
        bool isDefault = true;
        tNoteFile recovered;
        ASSERT_EQ(tOpenOutcome::opened,
                  ReadOrCreateNoteFile(parent, opened, isDefault, Look(kDefaultBackground, 0), recovered));
        EXPECT_EQ(expected, opened);
        EXPECT_FALSE(isDefault);
        ASSERT_EQ(2u, answerer.Seen().size());
        EXPECT_EQ("Recovered from " + path + " into " + expected +
                      ":\n\n1 topics whole, 1 in part.\nA topic recovered in part says so in its first "
                      "line.\n\nThese topics could not be read:\nGone",
                  answerer.Seen()[1].text);
        ASSERT_EQ(2u, recovered.content.topics.size());
        EXPECT_EQ("B", recovered.content.topics[0].name);
        EXPECT_EQ("whole", recovered.content.topics[0].text);
        EXPECT_EQ("A", recovered.content.topics[1].name);
        EXPECT_EQ(std::string(kRecoveredInPartLine) + "abc", recovered.content.topics[1].text);
        EXPECT_EQ(expected, recovered.file->Path());
    }
    // The damaged file was not touched, nor the file that had the name.
    EXPECT_EQ(before, FileBytes(path));
    std::string raw;
    ASSERT_TRUE(ReadRawStream(taken, "Topics/X", raw));
    EXPECT_EQ(Record("x"), raw);
}

TEST_F(LoadTest, MissingFileThatIsNotTheDefaultIsCreatedWithoutAsking) {
    app.notFirstRun = false;  // the default, but the first run: no question
    std::string path = dir.File("first-run.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDCANCEL)}, 1500);
    ASSERT_TRUE(Load(path, true));
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_TRUE(FileExists(path));
}

TEST_F(LoadTest, MissingDefaultFileAsksBeforeCreating) {
    app.notFirstRun = true;
    std::string path = dir.File("default.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDYES)});
    ASSERT_TRUE(Load(path, true));
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Quillet", answerer.Seen()[0].caption);
    EXPECT_EQ("Do you want to create default file " + path, answerer.Seen()[0].text);
    EXPECT_TRUE(shown.isDefault);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names());
}

TEST_F(LoadTest, DecliningTheDefaultFileOpensTheChosenOne) {
    SetConfigString(kConfig, "DefaultFile", "old default");
    app.notFirstRun = true;
    std::string missing = dir.File("gone.qld");
    std::string chosen = dir.File("chosen.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDNO), tDialogAnswer::File(chosen)});
    ASSERT_TRUE(Load(missing, true));
    std::vector<tSeenDialog> seen = answerer.Seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_TRUE(seen[1].fileDialog);
    EXPECT_EQ("Select existing or new file to open/create:", seen[1].caption);
    EXPECT_EQ(chosen, shown.path);
    EXPECT_EQ(chosen, File()->Path());
    EXPECT_FALSE(shown.isDefault);
    EXPECT_FALSE(FileExists(missing));
    EXPECT_TRUE(FileExists(chosen));
    char value[kSettingTextSize];
    GetConfigString(kConfig, "DefaultFile", value, "unset");
    EXPECT_STREQ("", value);
}

TEST_F(LoadTest, NewFileThatCannotBeCreatedKeepsTheOpenFile) {
    // A name too long for the file system: not found, and not creatable either.
    std::string path = dir.File(std::string(300, 'n') + ".qld");
    if (RootOpenResult(path) != STG_E_FILENOTFOUND)
        GTEST_SKIP() << "this system does not report an over-long name as missing";
    OpenRichFile();
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        EXPECT_FALSE(Load(path));
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("Quillet", answerer.Seen()[0].caption);
        EXPECT_EQ("Failed to open file: " + path, answerer.Seen()[0].text);
        EXPECT_EQ(parent, answerer.Seen()[0].owner);  // modal: no command runs under it
    }
    ExpectRichFileKept();
}

TEST_F(LoadTest, CancellingTheFileDialogKeepsTheOpenFile) {
    OpenRichFile();
    app.notFirstRun = true;
    std::string missing = dir.File("gone.qld");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO), tDialogAnswer::Button(IDCANCEL)});
        EXPECT_FALSE(Load(missing, true));
        EXPECT_EQ(2u, answerer.Seen().size());
    }
    EXPECT_FALSE(FileExists(missing));
    ExpectRichFileKept();
}

}  // namespace
