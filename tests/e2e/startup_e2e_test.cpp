#include "e2e_support.h"
#include "storage/storage_test_util.h"
#include "base/settings.h"
#include <objbase.h>
#include <shlobj.h>
#include <fstream>
#include <iterator>

namespace {

TEST_F(QuilletE2E, NewFileFromCommandLineHasTwoTopicsAndShutsDownCleanly) {
    std::string path = dir.File("first.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), quillet.TabNames());
    EXPECT_EQ(0, quillet.SelectedTab());
    char caption[256] = {};
    GetWindowTextA(quillet.frame(), caption, sizeof caption);
    EXPECT_NE(std::string::npos, std::string(caption).find(" - Quillet")) << caption;

    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), note.names);
    EXPECT_EQ((std::vector<std::string>{"", ""}), note.texts);
}

TEST_F(QuilletE2E, TwoFileNamesAreRefusedBeforeAnyWindow) {
    tQuilletProcess quillet("a.qld /visible b.qld");
    tForeignDialog box;
    ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
    EXPECT_EQ("Only one filename allowed on command line", box.text);
    PressButton(box, IDOK);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

std::string FileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteContent(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// A compound file whose header claims far more table-list sectors than the
// file holds (the storage system would follow them round and round).
std::string DamagedCompoundFile(const std::string& scratch) {
    std::wstring wide(scratch.begin(), scratch.end());
    IStorage* storage = nullptr;
    if (FAILED(StgCreateDocfile(wide.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage)))
        return "";
    storage->Release();
    std::string bytes = FileContent(scratch);
    if (bytes.size() < 512) return "";
    bytes.replace(0x48, 4, "\xFF\xFF\xFF\x7F", 4);
    return bytes;
}

const std::string kRecoveryOffer = "\n\nDo you want to recover its notes into a new file?";

// A note file as a power cut can leave it: the header counts one more sector
// of the allocation table than ever reached the disk.
std::string CutShortNoteFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& topics) {
    WriteNoteFile(path, topics);
    std::string bytes = FileContent(path);
    const uint32_t count = uint32_t(BYTE(bytes[0x2C]));
    bytes[0x2C] = char(count + 1);
    bytes.replace(0x4C + 4 * count, 4, "\x00\x40\x00\x00", 4);  // sector 0x4000: far past the end
    WriteContent(path, bytes);
    return bytes;
}

// Opened from the command line, the damaged file offers recovery; the notes go
// into a new file that is then shown, and File Open of the damaged file offers
// it again. The damaged file is never written.
TEST_F(QuilletE2E, DamagedNoteFileIsRecoveredIntoANewFile) {
    const std::string path = dir.File("notes.qld");
    const std::string longText(5000, 'w');
    const std::string before =
        CutShortNoteFile(path, {{"First", "one"}, {"Second", longText}, {"Third", "three\r\nlines"}});
    const std::string recovered = dir.File("notes (recovered).qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    tForeignDialog offer;
    ASSERT_TRUE(WaitForDialog(quillet.id(), offer, "Quillet"));
    EXPECT_EQ(path + " is not a Quillet file, is already open, or cannot be accessed." + kRecoveryOffer,
              offer.text);
    PressButton(offer, IDYES);
    tForeignDialog report;
    ASSERT_TRUE(WaitForDialog(quillet.id(), report, "Quillet"));
    EXPECT_EQ("Recovered from " + path + " into " + recovered + ":\n\n3 topics whole, 0 in part.", report.text);
    PressButton(report, IDOK);
    ASSERT_TRUE(quillet.WaitForMainWindow());
    EXPECT_EQ((std::vector<std::string>{"First", "Second", "Third"}), quillet.TabNames());
    EXPECT_EQ("one", quillet.EditText());
    char caption[256] = {};
    GetWindowTextA(quillet.frame(), caption, sizeof caption);
    EXPECT_NE(std::string::npos, std::string(caption).find("notes (recovered)")) << caption;

    quillet.PostCommand(CM_FILE_OPEN);
    tForeignDialog open;
    ASSERT_TRUE(WaitForDialog(quillet.id(), open));
    ChooseFile(open, path);
    tForeignDialog again;
    ASSERT_TRUE(WaitForDialog(quillet.id(), again, "Quillet"));
    EXPECT_EQ(path + " is not a Quillet file, is already open, or cannot be accessed." + kRecoveryOffer,
              again.text);
    PressButton(again, IDNO);
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());

    tNoteOnDisk note = ReadNoteOnDisk(recovered);
    ASSERT_TRUE(note.ok);
    EXPECT_EQ((std::vector<std::string>{"First", "Second", "Third"}), note.names);
    EXPECT_EQ((std::vector<std::string>{"one", longText, "three\r\nlines"}), note.texts);
    EXPECT_EQ(before, FileContent(path));
}

TEST_F(QuilletE2E, ForeignOrDamagedFileAtStartEndsWithMessageAndExitCodeZero) {
    const std::string damaged = DamagedCompoundFile(dir.File("scratch.qld"));
    ASSERT_FALSE(damaged.empty());
    for (const std::string& content : {std::string("just some text"), damaged}) {
        std::string path = dir.File("unusable.qld");
        WriteContent(path, content);
        tQuilletProcess quillet("/visible " + Quoted(path));
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
        // A damaged compound file may be a note file: recovery is offered, and declined.
        const bool offered = content == damaged;
        EXPECT_EQ(path + " is not a Quillet file, is already open, or cannot be accessed." +
                      (offered ? kRecoveryOffer : ""),
                  box.text);
        PressButton(box, offered ? IDNO : IDOK);
        EXPECT_EQ(0u, quillet.WaitForExit());
        // The file is left exactly as it was.
        EXPECT_EQ(content, FileContent(path));
    }
}

TEST_F(QuilletE2E, FirstUseDialogThenDefaultFileQuestion) {
    std::string path = dir.File("chosen.qld");
    tQuilletProcess quillet("");
    tForeignDialog dialog;
    ASSERT_TRUE(WaitForDialog(quillet.id(), dialog,
                              "Select Quillet file or enter name and location of new file"));
    ChooseFile(dialog, path);

    tForeignDialog question;
    ASSERT_TRUE(WaitForDialog(quillet.id(), question, "Quillet"));
    EXPECT_EQ(0u, question.text.find("Do you want to make this file your default file?"));
    PressButton(question, IDYES);
    ASSERT_TRUE(quillet.WaitForMainWindow());
    EXPECT_TRUE(IsWindowVisible(quillet.frame()));  // shown although /visible was not given
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER,
                                           "Software\\Larkspur Software\\Quillet\\1.00\\Config", 0,
                                           KEY_READ, &key));
    char value[300] = {};
    DWORD size = sizeof value;
    DWORD notFirstRun = 0;
    DWORD dwordSize = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "DefaultFile", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(value), &size));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "NotFirstRun", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&notFirstRun), &dwordSize));
    RegCloseKey(key);
    EXPECT_STRCASEEQ(path.c_str(), value);
    EXPECT_EQ(1u, notFirstRun);
    EXPECT_TRUE(ReadNoteOnDisk(path).ok);
}

TEST_F(QuilletE2E, HiddenStartWithConfiguredDefaultFile) {
    std::string path = dir.File("default.qld");
    {
        tQuilletProcess first("/visible " + Quoted(path));  // makes the file
        ASSERT_TRUE(first.WaitForMainWindow());
        first.Command(CM_SHUTDOWN);
        ASSERT_EQ(0u, first.WaitForExit());
    }
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Larkspur Software\\Quillet\\1.00\\Config",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, "DefaultFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   DWORD(path.size() + 1));
    RegCloseKey(key);

    tQuilletProcess quillet("");
    HWND frame = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (frame = FindWindowA("QuilletWndClass", nullptr)); }, 20000));
    // Answered once start-up is over and the message loop runs.
    DWORD_PTR ignored = 0;
    ASSERT_NE(0, SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored));
    EXPECT_FALSE(IsWindowVisible(frame));  // lives in the notification area only
    PostMessageA(frame, WM_COMMAND, CM_SHUTDOWN, 0);
    EXPECT_EQ(0u, quillet.WaitForExit());
}

constexpr const char* kFirstUseTitle = "Select Quillet file or enter name and location of new file";

std::string StoredDefaultFile() {
    char stored[kSettingTextSize] = {};
    GetConfigString(kConfig, "DefaultFile", stored, "");
    return stored;
}

// Run by read_only_program.sh, which puts a copy of the program on a read-only mount.
class ReadOnlyProgramFolder : public QuilletE2E {
protected:
    void SetUp() override {
        QuilletE2E::SetUp();
        char path[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("QUILLET_READ_ONLY_PROGRAM", path, sizeof path))
            GTEST_SKIP() << "needs the program on a read-only mount: see read_only_program.sh";
        program = path;
        inProgramFolder = program.substr(0, program.rfind('\\') + 1) + "Quillet.qld";
        char documents[MAX_PATH] = {};
        ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents));
        inDocuments = std::string(documents) + "\\Quillet.qld";
        DeleteFileA(inDocuments.c_str());
    }
    void TearDown() override {
        if (!inDocuments.empty()) DeleteFileA(inDocuments.c_str());
        QuilletE2E::TearDown();
    }
    // Expects the first-use dialog and cancels it: the program ends.
    void CancelFirstUse(tQuilletProcess& quillet) {
        tForeignDialog dialog;
        ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, kFirstUseTitle));
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(0u, quillet.WaitForExit());
    }
    void ExpectBox(tQuilletProcess& quillet, const std::string& text, int answer) {
        tForeignDialog box;
        ASSERT_TRUE(WaitForDialog(quillet.id(), box, "Quillet"));
        EXPECT_EQ(text, box.text);
        PressButton(box, answer);
    }
    std::string program, inProgramFolder, inDocuments;
};

TEST_F(ReadOnlyProgramFolder, FirstUseSuggestsDocumentsAndMakesTheFileThere) {
    tQuilletProcess quillet("", program);
    tForeignDialog dialog;
    ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, kFirstUseTitle));
    PressButton(dialog, IDOK);  // the suggestion as it stands
    tForeignDialog question;
    ASSERT_TRUE(WaitForDialog(quillet.id(), question, "Quillet"));
    EXPECT_EQ(0u, question.text.find("Do you want to make this file your default file?"));
    PressButton(question, IDYES);
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_TRUE(ReadNoteOnDisk(inDocuments).ok);
    EXPECT_STRCASEEQ(inDocuments.c_str(), StoredDefaultFile().c_str());
}

TEST_F(ReadOnlyProgramFolder, AFileThatCannotBeMadeIsNeverTheDefault) {
    const std::string failed = "Failed to open file: " + inProgramFolder;
    {
        tQuilletProcess quillet("", program);
        tForeignDialog dialog;
        ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, kFirstUseTitle));
        ChooseFile(dialog, inProgramFolder);
        ExpectBox(quillet, failed, IDOK);
        CancelFirstUse(quillet);  // asked again; Cancel ends as ever
    }
    EXPECT_EQ("", StoredDefaultFile());

    // A stored default that cannot be made: the first-use dialog instead of the same question at every start.
    SetConfigString(kConfig, "DefaultFile", inProgramFolder.c_str());
    SetConfigDword(kConfig, "NotFirstRun", 1);
    {
        tQuilletProcess quillet("", program);
        ExpectBox(quillet, "Do you want to create default file " + inProgramFolder, IDYES);
        ExpectBox(quillet, failed, IDOK);
        CancelFirstUse(quillet);
    }
    EXPECT_EQ("", StoredDefaultFile());
    {
        tQuilletProcess next("", program);
        CancelFirstUse(next);
    }

    // A file chosen there opens without the default-file question, which says it comes only once.
    SetConfigString(kConfig, "DefaultFile", inProgramFolder.c_str());
    tQuilletProcess quillet("", program);
    ExpectBox(quillet, "Do you want to create default file " + inProgramFolder, IDYES);
    ExpectBox(quillet, failed, IDOK);
    tForeignDialog dialog;
    ASSERT_TRUE(WaitForDialog(quillet.id(), dialog, kFirstUseTitle));
    ChooseFile(dialog, inDocuments);
    ASSERT_TRUE(quillet.WaitForMainWindow());
    EXPECT_TRUE(Dialogs(quillet.id()).empty());
    quillet.Command(CM_SHUTDOWN);
    EXPECT_EQ(0u, quillet.WaitForExit());
    EXPECT_EQ("", StoredDefaultFile());
    EXPECT_TRUE(ReadNoteOnDisk(inDocuments).ok);
}

}  // namespace
