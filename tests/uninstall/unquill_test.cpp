#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include "base/names.h"
#include "base/handles.h"
#include "base/settings.h"
#include "support/dialog_answerer.h"
#include "support/quillet_process.h"
#include "support/temp_dir.h"
#include "uninstall/unquill.h"
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelperName = "unquill_chain_helper.exe";
constexpr size_t kMaxBoxes = 10;
const std::string kChainKey = std::string(kInstallerKey) + "\\" + kInstallerUninstallSection;

std::string ModuleFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteMachineValue(const std::string& path, const char* name, DWORD type, const void* data,
                       DWORD size) {
    tRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

void SetChain(const std::string& commandLine) {
    WriteMachineValue(kChainKey, kChainValueName, REG_SZ, commandLine.c_str(),
                      DWORD(commandLine.size() + 1));
}

// The chain helpers still running, whoever started them.
std::vector<DWORD> RunningHelpers() {
    std::vector<DWORD> ids;
    tFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, kHelperName) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

HICON WarningIcon() { return LoadIconA(nullptr, IDI_EXCLAMATION); }
HICON ErrorIcon() { return LoadIconA(nullptr, IDI_HAND); }

// ---- The command-line rule ----

struct tSkipCase {
    const char* commandLine;
    const char* rest;
};

TEST(UnquillCommandLine, TextAfterProgramName) {
    const tSkipCase cases[] = {
        {"Unquill.exe DoUninstall", "DoUninstall"},
        {"Unquill.exe \t  DoUninstall", "DoUninstall"},
        {"\"C:\\Program Files\\Quillet\\Unquill.exe\" DoUninstall", "DoUninstall"},
        {"\"C:\\Program Files\\Quillet\\Unquill.exe\"DoUninstall", "DoUninstall"},
        {"\"\" DoUninstall", "DoUninstall"},
        {"Unquill.exe DoUninstall ", "DoUninstall "},
        {"Unquill.exe x DoUninstall", "x DoUninstall"},
        // An unquoted program name ends at its first blank.
        {"C:\\Program Files\\Quillet\\Unquill.exe DoUninstall",
         "Files\\Quillet\\Unquill.exe DoUninstall"},
        {"Unquill.exe", ""},
        {"Unquill.exe   ", ""},
        {"\"C:\\Program Files\\Quillet\\Unquill.exe DoUninstall", ""},
        {"", ""},
    };
    for (const tSkipCase& c : cases) EXPECT_STREQ(c.rest, SkipProgramName(c.commandLine)) << c.commandLine;
    EXPECT_STREQ("", SkipProgramName(nullptr));
}

bool KnownProgram(const std::string& name) {
    return name == "C:\\Program Files\\Q\\uninst.exe" || name == "C:\\Tools\\un inst" ||
           name == "C:\\Short";
}

TEST(UnquillCommandLine, ChainSplitIntoProgramAndParameters) {
    const struct {
        const char* commandLine;
        const char* program;
        const char* parameters;
    } cases[] = {
        {"\"C:\\Program Files\\Q\\uninst.exe\" /S _?=C:\\Q", "C:\\Program Files\\Q\\uninst.exe",
         "/S _?=C:\\Q"},
        {"\"C:\\a b\\u.exe\"/S", "C:\\a b\\u.exe", "/S"},
        {"\"C:\\unclosed /S", "C:\\unclosed /S", ""},
        {"\"\"", "", ""},
        // Unquoted: the first blank at which a program is found ends the name.
        {"C:\\Program Files\\Q\\uninst.exe /S", "C:\\Program Files\\Q\\uninst.exe", "/S"},
        {"C:\\Program Files\\Q\\uninst.exe", "C:\\Program Files\\Q\\uninst.exe", ""},
        {"C:\\Tools\\un inst", "C:\\Tools\\un inst", ""},
        {"C:\\Short Files\\x.exe /S", "C:\\Short", "Files\\x.exe /S"},
        {"C:\\uninst.exe \t /S  /D", "C:\\uninst.exe", "/S  /D"},
        {"C:\\nothing here /S", "C:\\nothing", "here /S"},
        {"u.exe", "u.exe", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        tCommandParts parts = SplitCommandLine(c.commandLine, KnownProgram);
        EXPECT_EQ(c.program, parts.program) << c.commandLine;
        EXPECT_EQ(c.parameters, parts.parameters) << c.commandLine;
    }
}

TEST(UnquillCommandLine, OnlyTheExactWord) {
    EXPECT_TRUE(IsUninstallCommand("DoUninstall"));
    const char* others[] = {"",           "douninstall",   "DOUNINSTALL",    "DoUninstall ",
                            " DoUninstall", "DoUninstall\t", "x DoUninstall",  "DoUninstal",
                            "DoUninstalll", "/DoUninstall",  "\"DoUninstall\"", "DoUninstall now"};
    for (const char* text : others) EXPECT_FALSE(IsUninstallCommand(text)) << '"' << text << '"';
    EXPECT_FALSE(IsUninstallCommand(nullptr));
}

// ---- The program, with its boxes answered ----

class Unquill : public testing::Test {
protected:
    void SetUp() override {
        Clean();
        eventName_ = "QuilletTestChainRelease-" + std::to_string(GetCurrentProcessId());
        release_.reset(CreateEventA(nullptr, TRUE, FALSE, eventName_.c_str()));
        ASSERT_TRUE(release_);
        marker_ = temp_.File("chain marker.txt");
    }

    void TearDown() override {
        // Let every helper go and wait for it, so the temporary folder can go too.
        SetEvent(release_.get());
        for (DWORD id : RunningHelpers()) {
            tHandle helper(OpenProcess(SYNCHRONIZE, FALSE, id));
            if (helper) WaitForSingleObject(helper.get(), 10000);
        }
        Clean();
    }

    static void Clean() {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Larkspur Software");
        DeleteRunValue();
    }

    std::string HelperCommand(const std::string& helper, const std::string& extra = "") const {
        std::string command = "\"" + helper + "\" \"" + marker_ + "\" " + eventName_;
        return extra.empty() ? command : command + " " + extra;
    }
    std::string HelperCommand() const { return HelperCommand(ModuleFolder() + "\\" + kHelperName); }

    // Runs Unquill in this process on the given command text, answering its boxes.
    std::vector<tSeenDialog> Run(const char* commandText, tDialogAnswerer::tDecide decide) {
        // A box that keeps coming back is cancelled in the end rather than hang the test.
        auto limited = [&decide](const tSeenDialog& box, size_t index) {
            return index < kMaxBoxes ? decide(box, index) : IDCANCEL;
        };
        tDialogAnswerer answerer(GetCurrentProcessId(), kUninstallCaption, limited);
        EXPECT_EQ(0, RunUnquill(commandText));
        return answerer.Seen();
    }
    static int AlwaysOk(const tSeenDialog&, size_t) { return IDOK; }
    static int OkThenCancel(const tSeenDialog&, size_t index) {
        return index == 0 ? IDOK : IDCANCEL;
    }

    // The helper started by the chain said it started with these arguments.
    bool HelperStarted() const {
        return WaitUntil([&] { return ReadFile(marker_).find("started") == 0; }, 10000);
    }

    tTempDir temp_;
    std::string eventName_;
    std::string marker_;
    tHandle release_;
};

TEST_F(Unquill, WrongCommandLineShowsNothingAndStartsNothing) {
    SetChain(HelperCommand());
    SetRunValue("C:\\Quillet\\Quillet.exe");
    const char* commands[] = {
        "",
        SkipProgramName("Unquill.exe"),
        "douninstall",
        "DOUNINSTALL",
        "DoUninstall ",
        "x DoUninstall",
        SkipProgramName("\"C:\\Program Files\\Quillet\\Unquill.exe\""),
        SkipProgramName("\"C:\\Program Files\\Quillet\\Unquill.exe\" doUninstall"),
        SkipProgramName("C:\\Program Files\\Quillet\\Unquill.exe DoUninstall"),
    };
    for (const char* command : commands) {
        std::vector<tSeenDialog> seen = Run(command, AlwaysOk);
        EXPECT_TRUE(seen.empty()) << '"' << command << '"';
    }
    EXPECT_EQ("C:\\Quillet\\Quillet.exe", GetRunValue());
    EXPECT_TRUE(RunningHelpers().empty());
    EXPECT_EQ("", ReadFile(marker_));
}

TEST_F(Unquill, IntroThenChainStartedAndLeftRunning) {
    SetChain(HelperCommand());
    std::vector<tSeenDialog> seen = Run("DoUninstall", AlwaysOk);
    // Unquill has returned while the helper still waits for its release.
    EXPECT_EQ(1u, RunningHelpers().size());
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(kIntroText, seen[0].text);
    EXPECT_EQ(WarningIcon(), seen[0].icon);
    EXPECT_FALSE(seen[0].hasCancel);

    ASSERT_TRUE(HelperStarted());
    EXPECT_EQ("started|" + marker_ + "|" + eventName_ + "\n", ReadFile(marker_));
    SetEvent(release_.get());
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(marker_).find("released") != std::string::npos; },
                          10000));
}

TEST_F(Unquill, ChainedProgramPathWithBlanks) {
    std::string folder = temp_.File("Program Files");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string helper = folder + "\\" + kHelperName;
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "\\" + kHelperName).c_str(), helper.c_str(), FALSE));
    SetChain(HelperCommand(helper));
    EXPECT_EQ(1u, Run("DoUninstall", AlwaysOk).size());
    EXPECT_EQ(1u, RunningHelpers().size());
    EXPECT_TRUE(HelperStarted());
}

TEST_F(Unquill, RunningBoxRepeatsUntilQuilletEnds) {
    SetChain(HelperCommand());
    HANDLE quillet = CreateMutexA(nullptr, FALSE, kUninstallMutexName);
    ASSERT_TRUE(quillet);
    std::vector<tSeenDialog> seen = Run("DoUninstall", [&](const tSeenDialog&, size_t index) {
        if (index == 3) CloseHandle(quillet);  // Quillet ends while the third running box shows
        return IDOK;
    });
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(kIntroText, seen[0].text);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(kRunningText, seen[i].text);
        EXPECT_EQ(WarningIcon(), seen[i].icon);
        EXPECT_TRUE(seen[i].hasCancel);
    }
    EXPECT_EQ(1u, RunningHelpers().size());
    EXPECT_TRUE(HelperStarted());
}

TEST_F(Unquill, CancelWhileRunningAbandonsAndKeepsRunValue) {
    SetChain(HelperCommand());
    SetRunValue("C:\\Quillet\\Quillet.exe");
    tHandle quillet(CreateMutexA(nullptr, FALSE, kUninstallMutexName));
    ASSERT_TRUE(quillet);
    std::vector<tSeenDialog> seen = Run("DoUninstall", OkThenCancel);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kRunningText, seen[1].text);
    EXPECT_EQ("C:\\Quillet\\Quillet.exe", GetRunValue());
    EXPECT_TRUE(RunningHelpers().empty());
}

TEST_F(Unquill, RunValueOkDeletesItAndGoesOn) {
    SetChain(HelperCommand());
    SetRunValue("C:\\Quillet\\Quillet.exe");
    std::vector<tSeenDialog> seen = Run("DoUninstall", AlwaysOk);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kIntroText, seen[0].text);
    EXPECT_EQ(kRunAtStartupText, seen[1].text);
    EXPECT_EQ(WarningIcon(), seen[1].icon);
    EXPECT_TRUE(seen[1].hasCancel);
    EXPECT_EQ("", GetRunValue());
    EXPECT_EQ(1u, RunningHelpers().size());
}

TEST_F(Unquill, RunValueCancelKeepsIt) {
    SetChain(HelperCommand());
    SetRunValue("C:\\Quillet\\Quillet.exe");
    std::vector<tSeenDialog> seen = Run("DoUninstall", OkThenCancel);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kRunAtStartupText, seen[1].text);
    EXPECT_EQ("C:\\Quillet\\Quillet.exe", GetRunValue());
    EXPECT_TRUE(RunningHelpers().empty());
}

TEST_F(Unquill, AnyRunTextCountsAsSet) {
    SetChain(HelperCommand());
    const std::string values[] = {"C:\\Other\\Program.exe /startup", "x", " ",
                                  std::string(400, 'q')};
    for (const std::string& value : values) {
        SetRunValue(value);
        std::vector<tSeenDialog> seen = Run("DoUninstall", AlwaysOk);
        ASSERT_EQ(2u, seen.size()) << value;
        EXPECT_EQ(kRunAtStartupText, seen[1].text);
        EXPECT_EQ("", GetRunValue());
    }
}

TEST_F(Unquill, QuilletStartedAfterTheRunningCheckDoesNotStopTheChain) {
    SetChain(HelperCommand());
    SetRunValue("C:\\Quillet\\Quillet.exe");
    tHandle quillet;
    std::vector<tSeenDialog> seen = Run("DoUninstall", [&](const tSeenDialog& box, size_t) {
        if (box.text == kRunAtStartupText)
            quillet.reset(CreateMutexA(nullptr, FALSE, kUninstallMutexName));
        return IDOK;
    });
    ASSERT_TRUE(quillet);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kRunAtStartupText, seen[1].text);
    EXPECT_EQ(1u, RunningHelpers().size());
}

TEST_F(Unquill, ChainOfAtMost260CharactersIsStarted) {
    std::string command = HelperCommand();
    command += " " + std::string(260 - command.size() - 1, 'p');
    ASSERT_EQ(260u, command.size());
    SetChain(command);
    EXPECT_EQ(1u, Run("DoUninstall", AlwaysOk).size());
    EXPECT_EQ(1u, RunningHelpers().size());
}

// Every way the chained command line can be unusable ends in the same box.
TEST_F(Unquill, CannotChain) {
    struct tCase {
        const char* name;
        std::function<void()> arrange;
    };
    const std::string helper = HelperCommand();
    const tCase cases[] = {
        {"no installer key", [] {}},
        {"no Chain value",
         [] { WriteMachineValue(kChainKey, "Other", REG_SZ, "x", 2); }},
        {"empty Chain", [] { SetChain(""); }},
        {"blank Chain", [] { SetChain("   "); }},
        {"Chain of another type",
         [&] {
             WriteMachineValue(kChainKey, kChainValueName, REG_EXPAND_SZ, helper.c_str(),
                               DWORD(helper.size() + 1));
         }},
        {"Chain as a number",
         [] {
             DWORD number = 1;
             WriteMachineValue(kChainKey, kChainValueName, REG_DWORD, &number, sizeof number);
         }},
        {"Chain of 261 characters",
         [&] { SetChain(helper + " " + std::string(261 - helper.size() - 1, 'p')); }},
        {"Chain naming a missing program",
         [&] { SetChain("\"" + temp_.File("missing.exe") + "\" DoUninstall"); }},
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Larkspur Software");
        c.arrange();
        std::vector<tSeenDialog> seen = Run("DoUninstall", AlwaysOk);
        ASSERT_EQ(2u, seen.size());
        EXPECT_EQ(kIntroText, seen[0].text);
        EXPECT_EQ(kCannotChainText, seen[1].text);
        EXPECT_EQ(ErrorIcon(), seen[1].icon);
        EXPECT_FALSE(seen[1].hasCancel);
        EXPECT_TRUE(RunningHelpers().empty());
    }
}

// ---- The built program, started the way the system starts it ----

class UnquillProgram : public Unquill {
protected:
    void SetUp() override {
        Unquill::SetUp();
        // Installed under a folder with a blank, as in Program Files.
        std::string folder = temp_.File("Program Files");
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        program_ = folder + "\\Unquill.exe";
        char built[MAX_PATH] = {};
        GetFullPathNameA((ModuleFolder() + "\\..\\..\\Unquill.exe").c_str(), MAX_PATH, built,
                         nullptr);
        ASSERT_TRUE(CopyFileA(built, program_.c_str(), FALSE)) << built;
    }

    // Starts the program with this command line, answering its boxes.
    // Returns its exit code.
    DWORD Start(const std::string& commandLine, std::vector<tSeenDialog>* seen) {
        tProcess unquill(commandLine, program_);
        if (!unquill.id()) return DWORD(-1);
        tDialogAnswerer answerer(unquill.id(), kUninstallCaption, AlwaysOk);
        DWORD code = unquill.WaitForExit(20000);
        if (code == STILL_ACTIVE) unquill.Kill();
        *seen = answerer.Seen();
        return code == STILL_ACTIVE ? DWORD(-1) : code;
    }

    std::string program_;
};

TEST_F(UnquillProgram, QuotedPathWithTheWordRunsTheUninstall) {
    SetChain(HelperCommand());
    std::vector<tSeenDialog> seen;
    EXPECT_EQ(0u, Start("\"" + program_ + "\" DoUninstall", &seen));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(kIntroText, seen[0].text);
    EXPECT_EQ(1u, RunningHelpers().size());
    EXPECT_TRUE(HelperStarted());
}

TEST_F(UnquillProgram, OtherCommandLinesEndSilently) {
    SetChain(HelperCommand());
    const std::string quoted = "\"" + program_ + "\"";
    const std::string commandLines[] = {quoted, quoted + " douninstall", quoted + " DoUninstall ",
                                        quoted + " /DoUninstall", program_ + " DoUninstall"};
    for (const std::string& commandLine : commandLines) {
        std::vector<tSeenDialog> seen;
        EXPECT_EQ(0u, Start(commandLine, &seen)) << commandLine;
        EXPECT_TRUE(seen.empty()) << commandLine;
        EXPECT_TRUE(RunningHelpers().empty()) << commandLine;
    }
}

TEST_F(UnquillProgram, CannotChainStillEndsWithZero) {
    std::vector<tSeenDialog> seen;
    EXPECT_EQ(0u, Start("\"" + program_ + "\" DoUninstall", &seen));
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(kCannotChainText, seen[1].text);
}

}  // namespace
