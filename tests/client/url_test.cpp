#include <gtest/gtest.h>
#include <fstream>
#include "client/url.h"
#include "client_fixture.h"
#include "support/window_driver.h"
#include "resources/resource.h"

namespace {

TEST(SelectionCandidate, TrimsMenuWhitespaceOnBothEnds) {
    std::string text = "see \t http://a.b/c\r\n next";
    size_t start = 3, end = text.find("next");
    EXPECT_EQ("http://a.b/c", SelectionCandidate(text, start, end));
    EXPECT_EQ("", SelectionCandidate(" \r\n\v\f\t ", 0, 7));
    EXPECT_EQ("", SelectionCandidate("abc", 2, 2));
    EXPECT_EQ("bc", SelectionCandidate("abc", 1, 99));
    EXPECT_EQ("\xA0x\xA0", SelectionCandidate("\xA0x\xA0", 0, 3));  // 0xA0 is not whitespace
}

TEST(UrlPrefix, EachPrefixAndItsProgramKind) {
    EXPECT_STREQ("Web browser", UrlProgramKind("http://example.com"));
    EXPECT_STREQ("ftp program", UrlProgramKind("ftp://host"));
    EXPECT_STREQ("email program", UrlProgramKind("mailto:me@host"));
    EXPECT_STREQ("gopher program", UrlProgramKind("gopher://old"));
    EXPECT_STREQ("news reader", UrlProgramKind("news:comp.lang.c"));
    // The colon (and slashes) count: otherwise these reach the shell as relative paths.
    for (const char* text : {"news\\..\\..\\Windows\\System32\\calc.exe", "newsreader",
                             "newsletter", "news", "mailto", "mailtox:me", "mailto\\..\\x.exe",
                             "ftp:/x", "gopher:/x", "http:\\\\x"})
        EXPECT_EQ(nullptr, UrlProgramKind(text)) << text;
    // Byte-exact and case-sensitive, as in the table of prefixes.
    for (const char* text : {"NEWS:x", "News:x", "MAILTO:me", "Ftp://x"})
        EXPECT_EQ(nullptr, UrlProgramKind(text)) << text;
    EXPECT_EQ(nullptr, UrlProgramKind("HTTP://example.com"));
    EXPECT_EQ(nullptr, UrlProgramKind("https://example.com"));
    EXPECT_EQ(nullptr, UrlProgramKind("http:/"));
    EXPECT_EQ(nullptr, UrlProgramKind("new"));
    EXPECT_EQ(nullptr, UrlProgramKind(""));
}

TEST(UrlPrefix, WhitespaceInside) {
    EXPECT_TRUE(HasWhitespace("http://a b"));
    EXPECT_FALSE(HasWhitespace("http://a\xA0" "b"));
}

TEST(FullPath, DriveAndNetworkNamesOnly) {
    EXPECT_TRUE(LooksLikeFullPath("C:\\notes.txt"));
    EXPECT_TRUE(LooksLikeFullPath("\\\\server\\share"));
    EXPECT_FALSE(LooksLikeFullPath("notes.txt"));
    EXPECT_FALSE(LooksLikeFullPath("\\single"));
    EXPECT_FALSE(LooksLikeFullPath("C"));
}

// The pop-up the owner was asked to show; the menu is closed as soon as it waits for input.
HMENU shownMenu = nullptr;
WNDPROC ownerDefaultProc = nullptr;
LRESULT CALLBACK MenuOwnerProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITMENUPOPUP) shownMenu = reinterpret_cast<HMENU>(wParam);
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) EndMenu();
    return CallWindowProcA(ownerDefaultProc, wnd, message, wParam, lParam);
}

JOBOBJECT_BASIC_ACCOUNTING_INFORMATION JobCounts(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    EXPECT_TRUE(QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info,
                                          sizeof info, nullptr));
    return info;
}
ULONG ProcessesStarted(HANDLE job) { return JobCounts(job).TotalProcesses; }
// True once only this process is left in the job (a started program may start helpers).
bool OthersEnded(HANDLE job) {
    return WaitUntil([job] { return JobCounts(job).ActiveProcesses == 1; }, 20000, 20);
}

class SmartMenu : public ClientWindowTest {
protected:
    void SetUp() override {
        ClientWindowTest::SetUp();
        Open("menu.qld");
        ownerDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuOwnerProc)));
    }
    // Whether the menu shown for the selected text is the URL menu.
    bool UrlMenuFor(const std::string& text) {
        SetWindowTextA(Edit(), text.c_str());
        SendMessageA(Edit(), EM_SETSEL, 0, -1);
        shownMenu = nullptr;
        SendMessageA(Edit(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_NE(nullptr, shownMenu) << text;
        return shownMenu && GetMenuState(shownMenu, CM_OPEN_URL, MF_BYCOMMAND) != UINT(-1);
    }
};

TEST_F(SmartMenu, HostileSelectionsAreNotOfferedAndStartNothing) {
    // A program that would run if the shell were handed these texts as paths.
    std::ofstream(dir.File("probe.cmd")) << "@exit\r\n";
    char oldDir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    // Every process started from here on, by anyone in this process, is counted.
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    ASSERT_TRUE(AssignProcessToJobObject(job, GetCurrentProcess()));
    ULONG before = ProcessesStarted(job);
    ASSERT_GT(INT_PTR(ShellExecuteA(nullptr, "open", "news\\..\\probe.cmd", nullptr, nullptr,
                                    SW_HIDE)), 32);
    ASSERT_GT(ProcessesStarted(job), before) << "the count must see a started program";
    ASSERT_TRUE(OthersEnded(job));
    before = ProcessesStarted(job);

    EXPECT_TRUE(UrlMenuFor(" news:comp.lang.c\r\n"));
    {
        tDialogAnswerer answerer({tDialogAnswer::Button(IDOK)}, 1000);
        for (const char* text : {"news\\..\\probe.cmd", "mailto\\..\\probe.cmd",
                                 "newsreader\\..\\probe.cmd", "NEWS:..\\probe.cmd"}) {
            EXPECT_FALSE(UrlMenuFor(text)) << text;
            client->Command(CM_OPEN_URL);  // a stray Open URL command opens nothing either
        }
        EXPECT_TRUE(answerer.Seen().empty());  // not even a failure box
    }
    EXPECT_EQ(before, ProcessesStarted(job));
    SetCurrentDirectoryA(oldDir);
    CloseHandle(job);
}

}  // namespace
