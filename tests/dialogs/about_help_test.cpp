#include <gtest/gtest.h>
#include "dialogs/about.h"
#include "support/dialog_driver.h"
#include "dialogs/help.h"
#include "dialogs/help_viewer.h"
#include "resources/resource.h"
#include <atomic>
#include <map>
#include <set>

namespace {

using tDriver = tDialogDriver;

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "Quillet test owner", WS_POPUP, 0, 0, 200, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override {
        QuitHelpViewer();
        DestroyWindow(owner);
    }

    HWND owner = nullptr;
};

}  // namespace

using AboutBox = DialogTest;

TEST_F(AboutBox, ShowsTheNameVersionAndIcon) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("About Quillet");
        bool version = false, icon = false;
        for (HWND child : Children(dialog)) {
            if (TextOf(child) == "Quillet v1.00 Beta 3") version = true;
            if (SendMessageA(child, STM_GETICON, 0, 0) != 0) icon = true;
        }
        d.Expect(version, "no version line");
        d.Expect(icon, "no icon");
        d.Expect(ItemText(dialog, IDOK) == "OK", "no OK button");
        d.Expect(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)) == IDOK, "OK is not the default");
        Click(dialog, IDOK);
        d.Expect(WaitUntilClosed(dialog), "OK did not close the About box");
    });
    ShowAboutBox(owner);
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(AboutBox, EscAndTheCloseBoxCloseIt) {
    for (bool closeBox : {false, true}) {
        tDriver driver([closeBox](tDriver& d) {
            HWND dialog = d.WaitForDialog("About Quillet");
            if (closeBox)
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                Click(dialog, IDCANCEL);  // what Esc sends
            d.Expect(WaitUntilClosed(dialog), "the About box stayed open");
        });
        ShowAboutBox(owner);
        for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
    }
}

TEST(HelpContexts, FollowTheCommandTable) {
    const std::map<int, int> expected = {
        {CM_SHUTDOWN, 4},          {CM_TRAY_OPEN, 6},         {CM_ABOUT, 7},
        {CM_TOPIC_ADD, 8},         {CM_TOPIC_DELETE, 9},      {CM_EDIT_CUT, 14},
        {CM_EDIT_COPY, 15},        {CM_EDIT_PASTE, 16},       {CM_EDIT_UNDO, 17},
        {CM_EDIT_DELETE, 18},      {CM_EDIT_SELECT_ALL, 32},  {CM_FILE_CLOSE, 5},
        {CM_FILE_OPEN, 2},         {CM_FILE_NEW, 3},          {CM_TOPIC_RENAME, 20},
        {CM_TOPIC_NEXT, 21},       {CM_TOPIC_PREVIOUS, 22},   {CM_TOPIC_MOVE_LEFT, 23},
        {CM_TOPIC_MOVE_RIGHT, 24}, {CM_TOPIC_UNDO_DELETE, 25}, {CM_FIND, 26},
        {CM_FIND_NEXT, 27},        {CM_REPLACE, 28},          {CM_PRINT, 29},
        {CM_PAGE_SETUP, 30},       {CM_HELP_TOPICS, 31},      {CM_OPTIONS, 34},
        {CM_SAVE, 33},
    };
    for (const auto& entry : expected)
        EXPECT_EQ(entry.second, HelpContextForCommand(entry.first)) << "command " << entry.first;
    // Commands without popup help.
    for (int id : {CM_CONTEXT_HELP, CM_ESCAPE, CM_OPEN_URL})
        EXPECT_EQ(kNoHelpContext, HelpContextForCommand(id)) << "command " << id;
}

TEST(HelpContexts, OneNumberPerCommandAndNoOthers) {
    std::set<int> seen;
    for (int id = -10; id < 70000; ++id) {
        int context = HelpContextForCommand(id);
        if (context == kNoHelpContext) continue;
        EXPECT_TRUE(seen.insert(context).second) << "context " << context << " used twice";
    }
    std::set<int> expected;
    for (int n = 2; n <= 9; ++n) expected.insert(n);
    for (int n = 14; n <= 18; ++n) expected.insert(n);
    for (int n = 20; n <= 34; ++n) expected.insert(n);
    EXPECT_EQ(expected, seen);
}

using HelpRequests = DialogTest;

TEST_F(HelpRequests, CommandWithoutHelpAsksForNothing) {
    QuitHelpViewer();
    ASSERT_FALSE(HelpViewerRunning());
    EXPECT_FALSE(ShowCommandHelp(owner, CM_OPEN_URL));
    EXPECT_FALSE(ShowCommandHelp(owner, CM_CONTEXT_HELP));
    // Any request would have started the viewer.
    EXPECT_FALSE(HelpViewerRunning());
}

TEST_F(HelpRequests, MissingHelpFileHarmsNothing) {
    // The viewer may ask about the missing file in a box of its own; answer No.
    std::atomic<bool> done{false};
    std::vector<std::string> viewerBoxes;
    tDriver viewer([&](tDriver& d) {
        d.Expect(WaitUntil([&] {
            for (HWND box : TopWindows("#32770")) {
                if (ProcessOf(box) == GetCurrentProcessId()) continue;
                viewerBoxes.push_back(MessageText(box));
                Click(box, IDNO);
                WaitUntilClosed(box, 5000);
            }
            return done.load();
        }, 60000, 20), "a help request did not return");
    });

    DWORD started = GetTickCount();
    ShowHelpContents(owner);
    EXPECT_TRUE(ShowCommandHelp(owner, CM_EDIT_CUT));
    const DWORD table[] = {IDC_TOPIC_NAME, 1, 0, 0};
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDC_TOPIC_NAME;
    info.hItemHandle = owner;
    ShowDialogItemHelp(&info, table);
    ShowDialogItemHelp(nullptr, table);
    ShowDialogContextHelp(owner, table);
    done = true;
    for (const std::string& failure : viewer.Finish()) ADD_FAILURE() << failure;
    RecordProperty("viewerBoxes", int(viewerBoxes.size()));
    RecordProperty("helpMs", int(GetTickCount() - started));

    // The program goes on: its windows work and its dialogs still run.
    EXPECT_TRUE(IsWindow(owner));
    EXPECT_TRUE(IsWindowEnabled(owner));
    tDriver about([](tDriver& d) {
        HWND dialog = d.WaitForDialog("About Quillet");
        Click(dialog, IDOK);
        d.Expect(WaitUntilClosed(dialog), "OK did not close the About box");
    });
    ShowAboutBox(owner);
    for (const std::string& failure : about.Finish()) ADD_FAILURE() << failure;
}
