#include <gtest/gtest.h>
#include "base/errors.h"
#include "app/globals.h"
#include "base/settings.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage_test_util.h"
#include "support/dialog_answerer.h"
#include <cstring>

namespace {

const std::string kUnusable = " is not a Quillet file, is already open, or cannot be accessed.";

std::vector<std::string> Names(const std::vector<tTopic>& topics) {
    std::vector<std::string> names;
    for (const tTopic& topic : topics) names.push_back(topic.name);
    return names;
}

LOGFONTA Font(LONG height, const char* face) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

std::string Bytes(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

// ---------------------------------------------------------------------------
// Record decoding over streams.

class RecordTest : public testing::Test {
protected:
    void SetUp() override {
        path = dir.File("records.qld");
        std::memset(&record, 0, sizeof record);
        record.backgroundColour = 0x00010203;
        record.textColour = 0x00040506;
        for (int i = 0; i < 16; ++i) record.customColours[i] = COLORREF(0x100 + i);
        record.textLogFont = Font(-11, "Old text face");
        record.tabLogFont = Font(-9, "Old tab face");
    }
    // Runs read over a stream holding content.
    template <typename F>
    void Over(const std::string& content, F read) {
        {
            tRawFile file(path);
            file.Stream("S", content);
        }
        tRootStorage root(tRootStorage::open, path, kModeNoteFile);
        ASSERT_TRUE(SUCCEEDED(root.hr));
        tStream stream(root.storage.get(), "S", kModeRead);
        read(stream);
    }
    tTempDir dir;
    std::string path;
    tAppearanceRecord record;
};

TEST_F(RecordTest, ColoursStopAtTheFirstShortField) {
    Over("", [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(kDefaultBackground, record.backgroundColour);
    EXPECT_EQ(0x00040506u, record.textColour);  // not reached: kept
    EXPECT_EQ(0x100u, record.customColours[0]);

    SetUp();
    Over(Uint32Bytes(0x00FF0000), [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(0x00FF0000u, record.backgroundColour);
    EXPECT_EQ(kDefaultTextColour, record.textColour);
    EXPECT_EQ(0x10Fu, record.customColours[15]);  // as they were

    SetUp();
    Over(Uint32Bytes(1) + Uint32Bytes(2) + std::string(40, '\x7F'),
         [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(1u, record.backgroundColour);
    EXPECT_EQ(2u, record.textColour);
    for (COLORREF c : record.customColours) EXPECT_EQ(0u, c);  // short field: default

    SetUp();
    std::string full = Uint32Bytes(0x00123456) + Uint32Bytes(0x00ABCDEF);
    for (int i = 0; i < 16; ++i) full += Uint32Bytes(DWORD(i * 0x010101));
    ASSERT_EQ(kColoursStreamSize, full.size());
    Over(full, [&](tStream& s) { ReadColours(s, record); });
    EXPECT_EQ(0x00123456u, record.backgroundColour);
    EXPECT_EQ(0x00ABCDEFu, record.textColour);
    EXPECT_EQ(0x0F0F0Fu, record.customColours[15]);
}

TEST_F(RecordTest, FontRecords) {
    LOGFONTA text = Font(-13, "Courier New");
    LOGFONTA tab = Font(-16, "Arial");
    LOGFONTA none = Font(0, "Ignored");

    tFontRecords r = {};
    Over(Bytes(&text, 60) + Bytes(&tab, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::chosen, r.text);
    EXPECT_EQ(tFontRecord::chosen, r.tab);
    EXPECT_STREQ("Courier New", record.textLogFont.lfFaceName);
    EXPECT_EQ(-16, record.tabLogFont.lfHeight);

    SetUp();
    Over(Bytes(&none, 60) + Bytes(&tab, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::none, r.text);
    EXPECT_EQ(tFontRecord::chosen, r.tab);
    EXPECT_STREQ("Arial", record.tabLogFont.lfFaceName);

    SetUp();  // short text record: no text font, tab font untouched
    Over(Bytes(&text, 30), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::none, r.text);
    EXPECT_EQ(0, record.textLogFont.lfHeight);
    EXPECT_EQ(tFontRecord::untouched, r.tab);
    EXPECT_STREQ("Old tab face", record.tabLogFont.lfFaceName);
    EXPECT_EQ(-9, record.tabLogFont.lfHeight);

    SetUp();  // short tab record
    Over(Bytes(&text, 60) + Bytes(&tab, 59), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(tFontRecord::chosen, r.text);
    EXPECT_EQ(tFontRecord::none, r.tab);
    EXPECT_EQ(0, record.tabLogFont.lfHeight);

    SetUp();  // a face name without its terminator is cut to a string
    LOGFONTA unterminated = text;
    std::memset(unterminated.lfFaceName, 'F', LF_FACESIZE);
    Over(Bytes(&unterminated, 60), [&](tStream& s) { r = ReadFonts(s, record); });
    EXPECT_EQ(size_t(LF_FACESIZE - 1), std::strlen(record.textLogFont.lfFaceName));

    EXPECT_FALSE(MakeFont(none));
    tFont made = MakeFont(text);
    EXPECT_TRUE(made);
}

TEST_F(RecordTest, FontsMadeForADamagedFileAreReleased) {
    LOGFONTA text = Font(-13, "Courier New");
    LOGFONTA tab = Font(-16, "Arial");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicStream("A", Uint32Bytes(10) + "abc");
        file.Stream("Index", IndexBytes({"A"}));
        file.Stream("Font", Bytes(&text, 60) + Bytes(&tab, 60));
    }
    HFONT made[2] = {};
    {
        tRootStorage root(tRootStorage::open, path, kModeNoteFile);
        ASSERT_TRUE(SUCCEEDED(root.hr));
        tLoadedFile loaded;
        EXPECT_THROW(ReadNoteFile(root.storage.get(), record, loaded), tQuilletError);
        made[0] = loaded.textFont.get();
        made[1] = loaded.tabFont.get();
        ASSERT_NE(nullptr, made[0]);
        ASSERT_NE(nullptr, made[1]);
        EXPECT_EQ(DWORD(OBJ_FONT), GetObjectType(made[0]));
    }
    EXPECT_EQ(0u, GetObjectType(made[0]));
    EXPECT_EQ(0u, GetObjectType(made[1]));
}

// ---------------------------------------------------------------------------
// LoadFile

class LoadTest : public ClientTest {
protected:
    // A file with topics, colours and both fonts, loaded and committed.
    void OpenRichFile() {
        good = dir.File("good.qld");
        WriteNoteFile(good, {{"First", "one\r\ntwo"}, {"Second", "2"}, {"Third", ""}});
        ASSERT_TRUE(Load(good));
        client->backgroundColour = 0x00FF0000;
        client->textColour = 0x0000FF00;
        client->customColours[3] = 0x00030303;
        client->textLogFont = Font(-12, "Courier New");
        client->tabLogFont = Font(-14, "Arial");
        client->WriteAppearance();
        client->Commit();
        CloseFile();
        ASSERT_TRUE(Load(good));
        ASSERT_NE(nullptr, client->textFont.get());
        ASSERT_NE(nullptr, client->tabFont.get());
        textFont = client->textFont.get();
        tabFont = client->tabFont.get();
        oldFile = client->noteFile.get();
    }
    // The rich file is still open and nothing of it changed.
    void ExpectRichFileKept() {
        EXPECT_EQ(oldFile, client->noteFile.get());
        ASSERT_NE(nullptr, client->noteFile.get());
        EXPECT_EQ(good, client->noteFile->Path());
        EXPECT_EQ((std::vector<std::string>{"First", "Second", "Third"}), Names(client->notebook.topics));
        EXPECT_EQ("one\r\ntwo", client->notebook.topics[0].text);
        EXPECT_EQ(0x00FF0000u, client->backgroundColour);
        EXPECT_EQ(0x0000FF00u, client->textColour);
        EXPECT_EQ(0x00030303u, client->customColours[3]);
        EXPECT_EQ(textFont, client->textFont.get());
        EXPECT_EQ(tabFont, client->tabFont.get());
        EXPECT_STREQ("Courier New", client->textLogFont.lfFaceName);
        // The open file still works.
        Type("after the failed open");
        client->SaveTopics(true);
        client->Commit();
        CloseFile();
        std::string raw;
        ASSERT_TRUE(ReadRawStream(good, "Topics/First", raw));
        EXPECT_EQ(Record("after the failed open"), raw);
    }
    // Loads path expecting the unusable-file message.
    void ExpectRejected(const std::string& path) {
        SCOPED_TRACE(path);
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        EXPECT_FALSE(Load(path));
        std::vector<tSeenDialog> seen = answerer.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ("Quillet", seen[0].caption);
        EXPECT_EQ(path + kUnusable, seen[0].text);
        EXPECT_EQ(path, app.filePath);
    }
    std::string good;
    HFONT textFont = nullptr;
    HFONT tabFont = nullptr;
    tOpenNoteFile* oldFile = nullptr;
};

TEST_F(LoadTest, NewFileHasDefaultContent) {
    std::string path = dir.File("new.qld");
    ASSERT_TRUE(Load(path));
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names(client->notebook.topics));
    // Committed before it replaces the open file: a failure keeps that one.
    EXPECT_FALSE(client->noteFile->Uncommitted());
    EXPECT_EQ(kDefaultBackground, client->backgroundColour);
    CloseFile();

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
    ASSERT_TRUE(Load(other));
    client->backgroundColour = 0x00000080;
    client->textColour = 0x00FFFFFF;
    client->customColours[0] = 0x00ABCDEF;
    ASSERT_TRUE(Load(path));
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names(client->notebook.topics));
    for (const tTopic& topic : client->notebook.topics) {
        EXPECT_EQ("", topic.text);
        EXPECT_FALSE(topic.modified);
        EXPECT_FALSE(topic.written);
    }
    EXPECT_EQ(kDefaultBackground, client->backgroundColour);
    EXPECT_EQ(kDefaultTextColour, client->textColour);
    EXPECT_EQ(0u, client->customColours[0]);
    EXPECT_EQ(nullptr, client->textFont.get());
    EXPECT_EQ(nullptr, client->tabFont.get());
}

TEST_F(LoadTest, OpeningFlushesTheOpenFileFirst) {
    std::string first = dir.File("first.qld");
    ASSERT_TRUE(Load(first));
    client->Commit();
    Type("typed just before opening another file");
    EXPECT_TRUE(client->notebook.topics[0].modified);
    ASSERT_TRUE(Load(dir.File("second.qld")));
    CloseFile();
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
              Names(client->notebook.topics));
    const char* texts[] = {"1", "", "3", "", "1", "", "1", "", ""};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(texts[i], client->notebook.topics[i].text) << i;
        EXPECT_EQ(i == 3 || (i >= 4 && i <= 7), client->notebook.topics[i].modified) << i;
    }
    CloseFile();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Topics/ONE (2)", raw));
    EXPECT_EQ(Record("1"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/One", raw));
    EXPECT_EQ(Record("1"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/Unlisted", raw));
    EXPECT_EQ(Record("ignored"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(IndexBytes(Names(client->notebook.topics)), raw);
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
    ASSERT_EQ(topics.size(), client->notebook.topics.size());
    for (size_t i = 0; i < topics.size(); ++i) {
        EXPECT_EQ(topics[i].first, client->notebook.topics[i].name);
        EXPECT_EQ(topics[i].second, client->notebook.topics[i].text);
    }
}

TEST_F(LoadTest, FontStreamWithTabFontOnly) {
    std::string path = dir.File("tabfont.qld");
    WriteNoteFile(path, {{"A", "a"}});
    ASSERT_TRUE(Load(path));
    client->textLogFont = Font(0, "");
    client->tabLogFont = Font(-15, "Arial");
    client->WriteAppearance();
    CloseFile();

    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Font", raw));
    ASSERT_EQ(kFontStreamSize, raw.size());
    ASSERT_TRUE(ReadRawStream(path, "Colours", raw));
    ASSERT_EQ(kColoursStreamSize, raw.size());

    client->textLogFont = Font(-20, "Left from before");
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(nullptr, client->textFont.get());
    EXPECT_EQ(0, client->textLogFont.lfHeight);
    ASSERT_NE(nullptr, client->tabFont.get());
    EXPECT_EQ(-15, client->tabLogFont.lfHeight);
    EXPECT_STREQ("Arial", client->tabLogFont.lfFaceName);

    // A file without fonts clears the descriptions, so that they cannot be
    // written into it later, and the replaced font is released.
    HFONT replaced = client->tabFont.get();
    std::string plain = dir.File("plain.qld");
    WriteNoteFile(plain, {{"P", "p"}});
    ASSERT_TRUE(Load(plain));
    EXPECT_EQ(nullptr, client->tabFont.get());
    EXPECT_EQ(0, client->tabLogFont.lfHeight);
    EXPECT_EQ(0u, GetObjectType(replaced));
    client->WriteAppearance();
    CloseFile();
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
    client->textColour = 0x00FFFFFF;
    for (int i = 0; i < 16; ++i) client->customColours[i] = COLORREF(i + 1);
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(0x00C0FFEEu, client->backgroundColour);
    EXPECT_EQ(0u, client->textColour);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(COLORREF(i + 1), client->customColours[i]);
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
    EXPECT_TRUE(client->notebook.topics.empty());
    // Nothing to index: saving and typing leave the file alone.
    Type("text with no topic to hold it");
    EXPECT_EQ(0u, client->saveTimer);
    client->SaveTopics(true);
    client->OnSaveTimer();
    client->Commit();
    CloseFile();
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
        ExpectRejected(path);
        EXPECT_EQ(oldFile, client->noteFile.get());
        EXPECT_EQ(3u, client->notebook.topics.size());
        EXPECT_EQ(textFont, client->textFont.get());
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
    tRootStorage holder(tRootStorage::open, busy, kModeNoteFile);
    ASSERT_TRUE(SUCCEEDED(holder.hr));
    ExpectRejected(busy);
    ExpectRichFileKept();
}

TEST_F(LoadTest, DamagedFileAtStartUpReturnsFalse) {
    std::string path = dir.File("damaged.qld");
    {
        tRawFile file(path);
        file.SetClass(kNoteFileClassId);
        file.TopicStream("A", Uint32Bytes(10) + "abc");
        file.Stream("Index", IndexBytes({"A"}));
    }
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        EXPECT_FALSE(Load(path));
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ(path + kUnusable, answerer.Seen()[0].text);
    }
    EXPECT_EQ(nullptr, client->noteFile.get());
    EXPECT_TRUE(client->notebook.topics.empty());
    EXPECT_NO_THROW(client->Commit());
    // The damaged file was not touched and can be opened by another program.
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Topics/A", raw));
    EXPECT_EQ(Uint32Bytes(10) + "abc", raw);
}

TEST_F(LoadTest, MissingFileThatIsNotTheDefaultIsCreatedWithoutAsking) {
    app.isDefaultFile = true;   // default, but the first run: no question
    app.notFirstRun = false;
    std::string path = dir.File("first-run.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDCANCEL)}, 1500);
    ASSERT_TRUE(Load(path));
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_TRUE(FileExists(path));
}

TEST_F(LoadTest, MissingDefaultFileAsksBeforeCreating) {
    app.isDefaultFile = true;
    app.notFirstRun = true;
    std::string path = dir.File("default.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDYES)});
    ASSERT_TRUE(Load(path));
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Quillet", answerer.Seen()[0].caption);
    EXPECT_EQ("Do you want to create default file " + path, answerer.Seen()[0].text);
    EXPECT_TRUE(app.isDefaultFile);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), Names(client->notebook.topics));
}

TEST_F(LoadTest, DecliningTheDefaultFileOpensTheChosenOne) {
    SetConfigString(kConfig, "DefaultFile", "old default");
    app.isDefaultFile = true;
    app.notFirstRun = true;
    std::string missing = dir.File("gone.qld");
    std::string chosen = dir.File("chosen.qld");
    tDialogAnswerer answerer({tDialogAnswer::Button(IDNO), tDialogAnswer::File(chosen)});
    ASSERT_TRUE(Load(missing));
    std::vector<tSeenDialog> seen = answerer.Seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_TRUE(seen[1].fileDialog);
    EXPECT_EQ("Select existing or new file to open/create:", seen[1].caption);
    EXPECT_EQ(chosen, app.filePath);
    EXPECT_EQ(chosen, client->noteFile->Path());
    EXPECT_FALSE(app.isDefaultFile);
    EXPECT_FALSE(FileExists(missing));
    EXPECT_TRUE(FileExists(chosen));
    char value[kSettingTextSize];
    GetConfigString(kConfig, "DefaultFile", value, "unset");
    EXPECT_STREQ("", value);
}

TEST_F(LoadTest, NewFileThatCannotBeCreatedKeepsTheOpenFile) {
    // A name too long for the file system: not found, and not creatable either.
    std::string path = dir.File(std::string(300, 'n') + ".qld");
    if (tRootStorage(tRootStorage::open, path, kModeNoteFile).hr != STG_E_FILENOTFOUND)
        GTEST_SKIP() << "this system does not report an over-long name as missing";
    OpenRichFile();
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)});
        EXPECT_FALSE(Load(path));
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("Quillet", answerer.Seen()[0].caption);
        EXPECT_EQ("Failed to open file: " + path, answerer.Seen()[0].text);
    }
    ExpectRichFileKept();
}

TEST_F(LoadTest, CancellingTheFileDialogKeepsTheOpenFile) {
    OpenRichFile();
    app.isDefaultFile = true;
    app.notFirstRun = true;
    std::string missing = dir.File("gone.qld");
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDNO), tDialogAnswer::Button(IDCANCEL)});
        EXPECT_FALSE(Load(missing));
        EXPECT_EQ(2u, answerer.Seen().size());
    }
    EXPECT_FALSE(FileExists(missing));
    ExpectRichFileKept();
}

}  // namespace
