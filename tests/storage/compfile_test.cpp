#include <gtest/gtest.h>
#include "base/errors.h"
#include "storage/open_note_file.h"
#include "storage/compfile.h"
#include "storage/compound_check.h"
#include "storage/note_salvage.h"
#include "storage/notefile.h"
#include "storage_test_util.h"
#include <algorithm>
#include <fstream>

namespace {

// A fresh transacted note file with one stream "S" holding the given bytes.
class StreamTest : public testing::Test {
protected:
    void SetUp() override {
        path = dir.File("records.qld");
        {
            tRawFile file(path);
            file.Stream("S", bytes);
        }
        root.reset(new tRootStorage(tHow::open, path, kModeNoteFile));
    }
    void Reopen(const std::string& content) {
        root.reset();
        {
            tRawFile file(path);
            file.Stream("S", content);
        }
        root.reset(new tRootStorage(tHow::open, path, kModeNoteFile));
    }
    std::string ReadAll(const std::string& content) {
        Reopen(content);
        tStream stream(root->Get(), "S", kModeRead);
        return ReadString(stream);
    }
    tTempDir dir;
    std::string path;
    std::string bytes;
    std::unique_ptr<tRootStorage> root;
};

TEST_F(StreamTest, EmptyStringIsFourZeroBytes) {
    {
        tStream stream(root->Get(), "E", kModeCreateWrite, tHow::create);
        WriteString(stream, "");
    }
    CheckHr(root->Commit());
    root.reset();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "E", raw));
    EXPECT_EQ(std::string(4, '\0'), raw);
    EXPECT_EQ("", ReadAll(raw));
}

TEST_F(StreamTest, RecordsRoundTripInSequence) {
    std::string big(70000, 'x');
    big[0] = '\r';
    big[1] = '\n';
    big[69999] = char(0xE4);
    {
        tStream stream(root->Get(), "R", kModeCreateWrite, tHow::create);
        WriteString(stream, "first");
        WriteString(stream, big);
        WriteString(stream, "");
    }
    tStream stream(root->Get(), "R", kModeRead);
    EXPECT_EQ("first", ReadString(stream));
    EXPECT_EQ(big, ReadString(stream));
    EXPECT_EQ("", ReadString(stream));
    EXPECT_THROW(ReadString(stream), tQuilletError);  // nothing left
}

TEST_F(StreamTest, ShortAndImpossibleRecordsFail) {
    EXPECT_THROW(ReadAll(Uint32Bytes(10) + "abc"), tQuilletError);
    EXPECT_THROW(ReadAll("\x05"), tQuilletError);
    EXPECT_THROW(ReadAll(std::string(3, '\0')), tQuilletError);
    EXPECT_THROW(ReadAll(""), tQuilletError);
    // Lengths that would overflow or ask for gigabytes fail without allocating.
    EXPECT_THROW(ReadAll(Uint32Bytes(0xFFFFFFFF) + "abc"), tQuilletError);
    EXPECT_THROW(ReadAll(Uint32Bytes(0xFFFFFFFE) + "abc"), tQuilletError);
    EXPECT_THROW(ReadAll(Uint32Bytes(0x80000000)), tQuilletError);
    // The length counts from the record, not from the start of the stream.
    Reopen(Record("abcdef") + Uint32Bytes(7) + "abcdef");
    {
        tStream stream(root->Get(), "S", kModeRead);
        EXPECT_EQ("abcdef", ReadString(stream));
        EXPECT_THROW(ReadString(stream), tQuilletError);
    }
    EXPECT_EQ("abc", ReadAll(Uint32Bytes(3) + "abc"));
    EXPECT_EQ("ab", ReadAll(Uint32Bytes(2) + "abc"));  // trailing bytes are not read
}

TEST_F(StreamTest, IndexCountMustFitTheStream) {
    auto index = [&](const std::string& content) {
        Reopen(content);
        tStream stream(root->Get(), "S", kModeRead);
        return ReadIndex(stream);
    };
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), index(IndexBytes({"To-do", "Notes"})));
    EXPECT_TRUE(index(Uint32Bytes(0)).empty());
    EXPECT_THROW(index(Uint32Bytes(3) + Record("a") + Record("b")), tQuilletError);
    EXPECT_THROW(index(Uint32Bytes(1000) + Record("a") + Record("b")), tQuilletError);
    EXPECT_THROW(index(Uint32Bytes(0xFFFFFFFF) + Record("a")), tQuilletError);
    EXPECT_THROW(index(Uint32Bytes(0x40000000) + std::string(16, '\0')), tQuilletError);
    EXPECT_THROW(index("\x02"), tQuilletError);
    // Four empty names fit exactly.
    EXPECT_EQ(4u, index(Uint32Bytes(4) + std::string(16, '\0')).size());
}

TEST_F(StreamTest, CreatingAnExistingStreamReplacesIt) {
    {
        tStream stream(root->Get(), "S", kModeCreateWrite, tHow::create);
        WriteString(stream, "new");
    }
    tStream stream(root->Get(), "S", kModeRead);
    EXPECT_EQ("new", ReadString(stream));
    BYTE extra;
    EXPECT_EQ(0u, stream.ReadBytes(&extra, 1));
}

TEST_F(StreamTest, MissingElementsThrowOrAreNone) {
    EXPECT_THROW(tStream(root->Get(), "Nothing", kModeRead), tQuilletError);
    EXPECT_THROW(tStorage(root->Get(), "Nothing", kModeRead), tQuilletError);
    EXPECT_FALSE(OpenStreamIfThere(root->Get(), "Nothing", kModeRead));
    EXPECT_TRUE(OpenStreamIfThere(root->Get(), "S", kModeRead));
}

TEST(ElementNames, ConvertAndRoundTrip) {
    EXPECT_EQ(L"To-do", ToElementName("To-do"));
    EXPECT_EQ(L"", ToElementName(""));
    EXPECT_EQ(L"two  blanks", ToElementName("two  blanks"));
    std::string ansi = "Gr\xFC\xDF" "e";
    std::wstring wide = ToElementName(ansi);
    EXPECT_EQ(5u, wide.size());
    char back[16] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, back, sizeof back, nullptr, nullptr);
    EXPECT_EQ(ansi, std::string(back));
}

TEST(RootStorage, CreateFailsOnExistingFileAndOpenIsExclusive) {
    tTempDir dir;
    std::string path = dir.File("exclusive.qld");
    EXPECT_EQ(STG_E_FILENOTFOUND, RootOpenResult(path));
    {
        tRootStorage created(tHow::create, path, kModeNoteFile);
        EXPECT_EQ(path, created.Path());
        EXPECT_EQ(S_OK, created.Commit());
    }
    EXPECT_THROW(tRootStorage(tHow::create, path, kModeNoteFile), tQuilletError);
    tRootStorage first(tHow::open, path, kModeNoteFile);
    // Open already: the program's exclusive hold refuses a second one.
    EXPECT_EQ(STG_E_SHAREVIOLATION, RootOpenResult(path)) << std::hex << RootOpenResult(path);
    EXPECT_TRUE(FAILED(RootOpenResult(path, kModeDirectReadWrite)));
}

bool LooksSound(const std::string& bytes) {
    return IsSoundCompoundFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

void PutLe32(std::string& bytes, size_t at, DWORD value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(BYTE(value >> (8 * i)));
}

DWORD Le32At(const std::string& bytes, size_t at) {
    return DWORD(BYTE(bytes[at])) | DWORD(BYTE(bytes[at + 1])) << 8 | DWORD(BYTE(bytes[at + 2])) << 16 |
           DWORD(BYTE(bytes[at + 3])) << 24;
}

void WriteStream(IStorage* storage, const wchar_t* name, size_t size, char fill) {
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, storage->CreateStream(name, kModeCreateWrite, 0, 0, &stream));
    std::string bytes(size, fill);
    ULONG written = 0;
    EXPECT_EQ(S_OK, stream->Write(bytes.data(), ULONG(bytes.size()), &written));
    stream->Release();
}

// Files the storage system writes pass the structure check and open: after
// many transacted commits, large enough that the allocation table is listed
// beyond the header, and with 4096-byte sectors.
TEST(RootStorage, FilesTheStorageSystemWritesPassTheCheck) {
    tTempDir dir;
    const std::string commits = dir.File("commits.qld");
    {
        tRootStorage file(tHow::create, commits, kModeNoteFile);
        const wchar_t* names[] = {L"a", L"bb", L"Index", L"Colours", L"Topic with a long name"};
        for (int i = 0; i < 60; ++i) {
            WriteStream(file.Get(), names[i % 5], size_t(37 * i * i) % 9000, char('a' + i % 26));
            if (i % 7 == 3) file.Get()->DestroyElement(names[(i + 2) % 5]);
            ASSERT_EQ(S_OK, file.Commit());
        }
    }
    const std::string big = dir.File("big.qld");
    {
        tRootStorage file(tHow::create, big, kModeNoteFile);
        WriteStream(file.Get(), L"big", size_t(8) << 20, 'b');
        WriteStream(file.Get(), L"small", 100, 's');
        ASSERT_EQ(S_OK, file.Commit());
    }
    const std::string large = dir.File("sectors4096.qld");
    {
        STGOPTIONS options = {};
        options.usVersion = 1;
        options.ulSectorSize = 4096;
        IStorage* storage = nullptr;
        ASSERT_EQ(S_OK, StgCreateStorageEx(ToElementName(large).c_str(), kModeCreateReadWrite, STGFMT_DOCFILE, 0,
                                           &options, nullptr, IID_IStorage, reinterpret_cast<void**>(&storage)));
        WriteStream(storage, L"small", 300, 's');
        WriteStream(storage, L"big", 70000, 'b');
        storage->Release();
    }
    for (const std::string& path : {commits, big, large}) {
        SCOPED_TRACE(path);
        const std::string bytes = FileBytes(path);
        EXPECT_TRUE(LooksSound(bytes));
        EXPECT_EQ(S_OK, RootOpenResult(path));
    }
    EXPECT_GT(Le32At(FileBytes(big), 0x48), 0u);  // table-list sectors beyond the header
    EXPECT_EQ(12u, Le32At(FileBytes(large), 0x1E) & 0xFFFF);
}

// Counts, sector numbers and links that would lead the storage system round
// and round or outside the file are refused before it sees the file.
TEST(RootStorage, DamagedStructureIsRefusedBeforeOpening) {
    tTempDir dir;
    const std::string path = dir.File("damaged.qld");
    WriteNoteFile(path, {{"First", "one"}, {"Second", "two"}});
    const std::string good = FileBytes(path);
    ASSERT_TRUE(LooksSound(good));
    const size_t sectorSize = 512;
    const size_t fat = (Le32At(good, 0x4C) + 1) * sectorSize;
    const DWORD dirStart = Le32At(good, 0x30);
    const size_t directory = (dirStart + 1) * sectorSize;
    struct tDamage {
        const char* what;
        void (*apply)(std::string& bytes, size_t fat, DWORD dirStart, size_t directory);
    };
    const tDamage damages[] = {
        {"table-list count far beyond the file", [](std::string& b, size_t, DWORD, size_t) { PutLe32(b, 0x48, 0x7FFFFFFF); }},
        {"table-list sectors in a cycle", [](std::string& b, size_t, DWORD, size_t) {
             PutLe32(b, 0x48, 2);
             PutLe32(b, 0x44, 0);
             PutLe32(b, 512 + 508, 0);
         }},
        {"table count far beyond the file", [](std::string& b, size_t, DWORD, size_t) { PutLe32(b, 0x2C, 0xFFFFFFFF); }},
        {"sector shift 10", [](std::string& b, size_t, DWORD, size_t) { b[0x1E] = 10; }},
        {"directory chain back to itself", [](std::string& b, size_t f, DWORD d, size_t) { PutLe32(b, f + 4 * d, d); }},
        {"directory past the end of the file", [](std::string& b, size_t, DWORD, size_t) { PutLe32(b, 0x30, 5000); }},
        {"root child links back to the root", [](std::string& b, size_t, DWORD, size_t dir) { PutLe32(b, dir + 0x4C, 0); }},
        {"sibling link past the directory", [](std::string& b, size_t, DWORD, size_t dir) {
             PutLe32(b, dir + 128 * Le32At(b, dir + 0x4C) + 0x44, 400);
         }},
        {"name without its end", [](std::string& b, size_t, DWORD, size_t dir) {
             std::fill_n(&b[dir + 128 * Le32At(b, dir + 0x4C)], 64, 'A');
         }},
        {"cut inside the directory", [](std::string& b, size_t, DWORD, size_t dir) { b.resize(dir + 200); }},
    };
    for (const tDamage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::string bytes = good;
        damage.apply(bytes, fat, dirStart, directory);
        EXPECT_FALSE(LooksSound(bytes));
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), std::streamsize(bytes.size()));
        }
        EXPECT_EQ(STG_E_DOCFILECORRUPT, RootOpenResult(path));
    }
}

// A note file large enough that its allocation table is listed beyond the
// header, as the storage system writes it: recovered whole, and cut inside the
// large topic, that topic in part as far as it goes.
TEST(RootStorage, LargeNoteFileIsRecoveredWhole) {
    tTempDir dir;
    const std::string path = dir.File("large.qld");
    std::string large(8 << 20, 'x');
    large[0] = 'A';
    large[large.size() - 1] = 'Z';
    WriteNoteFile(path, {{"Small", "small"}, {"Large", large}});
    std::string bytes = FileBytes(path);
    ASSERT_GT(Le32At(bytes, 0x48), 0u);  // table-list sectors beyond the header
    auto narrow = [](const std::u16string& name) { return std::string(name.begin(), name.end()); };
    auto salvage = [&] {
        return SalvageNotes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), narrow);
    };
    tSalvagedNotes notes = salvage();
    ASSERT_EQ(2u, notes.topics.size());
    EXPECT_EQ("small", notes.topics[0].text);
    EXPECT_TRUE(notes.topics[1].whole);
    EXPECT_TRUE(notes.topics[1].text == large);
    // Cut just before the large topic's last byte: all of it but that comes back.
    bytes.resize(bytes.rfind("xxxZ") + 3);
    notes = salvage();
    auto cut = std::find_if(notes.topics.begin(), notes.topics.end(),
                            [](const tSalvagedTopic& t) { return t.name == "Large"; });
    ASSERT_NE(notes.topics.end(), cut);
    EXPECT_FALSE(cut->whole);
    EXPECT_TRUE(cut->text == kRecoveredInPartLine + large.substr(0, large.size() - 1));
}

// The open note file: what is written reaches the file only with its commit;
// a process that ends between the two leaves the file exactly as it was at
// the last commit.
class OpenFileTest : public testing::Test {
protected:
    void Open(const std::string& name) {
        path = dir.File(name);
        tAppearanceRecord appearance = {};
        SetDefaultColours(appearance);
        tNoteFile file;
        tReadResult read = OpenNoteFile(path, appearance, file);
        ASSERT_TRUE(read == tReadResult::read ||
                    (read == tReadResult::notFound && CreateNoteFile(path, appearance, file)));
        open = std::move(file.file);
        topics = std::move(file.content.topics);
    }
    void Change(size_t topic, const std::string& text) { topics[topic].text = text; }
    tTempDir dir;
    std::string path;
    std::unique_ptr<tOpenNoteFile> open;
    std::vector<tTopic> topics;
};

TEST_F(OpenFileTest, WritesReachTheFileWithTheCommitOnly) {
    WriteNoteFile(dir.File("commit.qld"), {{"A", "old"}, {"B", "b"}});
    Open("commit.qld");
    Change(0, "lost");
    ASSERT_TRUE(open->WriteTopic(topics[0]));
    EXPECT_EQ(tFileState::written, open->State());
    open.reset();  // released without a commit
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Topics/A", raw));
    EXPECT_EQ(Record("old"), raw);

    Open("commit.qld");
    Change(0, "kept");
    ASSERT_TRUE(open->WriteTopic(topics[0]));
    Change(1, "changed, never written");
    ASSERT_TRUE(open->Commit());
    EXPECT_EQ(tFileState::clean, open->State());
    EXPECT_TRUE(open->Commit());  // nothing to commit
    open.reset();
    ASSERT_TRUE(ReadRawStream(path, "Topics/A", raw));
    EXPECT_EQ(Record("kept"), raw);
    ASSERT_TRUE(ReadRawStream(path, "Topics/B", raw));
    EXPECT_EQ(Record("b"), raw);
}

// Renamed, a topic's stream is made anew under its new name, whose directory
// entry is then exactly the name; deleted, it goes; the Index follows.
TEST_F(OpenFileTest, TopicElementsFollowRenameAndDelete) {
    Open("elements.qld");  // a new file: To-do, Notes
    Change(0, "text to keep");
    ASSERT_TRUE(open->WriteTopic(topics[0]));
    topics[0].name = "Ab";
    ASSERT_TRUE(open->RenameTopic("To-do", topics[0]));
    topics[1].name = "NOTES";  // a change of case only: the stream keeps its name
    ASSERT_TRUE(open->RenameTopic("Notes", topics[1]));
    ASSERT_TRUE(open->WriteIndex(topics));
    ASSERT_TRUE(open->Commit());
    open.reset();
    std::string raw;
    ASSERT_TRUE(ReadRawStream(path, "Topics/Ab", raw));
    EXPECT_EQ(Record("text to keep"), raw);
    EXPECT_FALSE(ReadRawStream(path, "Topics/To-do", raw));
    EXPECT_TRUE(ReadRawStream(path, "Topics/Notes", raw));
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(IndexBytes({"Ab", "NOTES"}), raw);

    Open("elements.qld");
    ASSERT_TRUE(open->DeleteTopic("Ab"));
    topics.erase(topics.begin());
    ASSERT_TRUE(open->WriteIndex(topics));
    ASSERT_TRUE(open->Commit());
    open.reset();
    EXPECT_FALSE(ReadRawStream(path, "Topics/Ab", raw));
    ASSERT_TRUE(ReadRawStream(path, "Index", raw));
    EXPECT_EQ(IndexBytes({"NOTES"}), raw);
}

TEST_F(OpenFileTest, ProcessEndingBeforeCommitLeavesLastCommittedFile) {
    Open("crash.qld");  // a new file
    Change(0, "committed text");
    ASSERT_TRUE(open->WriteTopic(topics[0]));
    ASSERT_TRUE(open->Commit());
    open.reset();
    std::string before = FileBytes(path);
    ASSERT_FALSE(before.empty());

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self +
                          "\" --gtest_also_run_disabled_tests"
                          " --gtest_filter=EndBeforeCommit.DISABLED_WriteThenEnd";
    SetEnvironmentVariableA("QUILLET_END_BEFORE_COMMIT", path.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetEnvironmentVariableA("QUILLET_END_BEFORE_COMMIT", nullptr);
    ASSERT_EQ(77u, code) << "the child did not reach its write";

    EXPECT_EQ(before, FileBytes(path));
    Open("crash.qld");
    ASSERT_EQ(2u, topics.size());
    EXPECT_EQ("committed text", topics[0].text);
    EXPECT_EQ("", topics[1].text);
}

// Run only as the child of the test above: writes, then ends without a commit.
TEST(EndBeforeCommit, DISABLED_WriteThenEnd) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QUILLET_END_BEFORE_COMMIT", path, MAX_PATH)) GTEST_SKIP();
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    tNoteFile file;
    if (OpenNoteFile(path, appearance, file) != tReadResult::read) ExitProcess(1);
    std::vector<tTopic>& topics = file.content.topics;
    topics[0].text = "never committed";
    topics[1].text = "nor this";
    if (!file.file->WriteTopic(topics[0]) || !file.file->WriteTopic(topics[1]) ||
        !file.file->WriteAppearance(appearance) ||
        !file.file->WriteIndex(topics) || file.file->State() != tFileState::written)
        ExitProcess(2);
    ExitProcess(77);
}

}  // namespace
