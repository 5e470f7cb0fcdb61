// The Topic Name dialog itself, run modally on this thread and driven from another.
#include <gtest/gtest.h>
#include "dialogs/existing_topics.h"
#include "base/errors.h"
#include "support/dialog_driver.h"
#include "dialogs/help_viewer.h"
#include "dialogs/help.h"
#include "dialogs/topic_name.h"
#include "resources/resource.h"
#include <cstring>

namespace {

using tDriver = tDialogDriver;

std::string Shown(const std::string& text) {
    std::string shown;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x80) {
            char hex[8];
            wsprintfA(hex, "\\x%02X", byte);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return "\"" + shown + "\"";
}

// Types text, presses OK, and expects the warning with this message; the
// dialog must stay open with the text as it was typed.
void ExpectRefused(tDriver& d, HWND dialog, const std::string& text, const std::string& message) {
    SetDialogItemText(dialog, IDC_TOPIC_NAME, text);
    d.Expect(ItemText(dialog, IDC_TOPIC_NAME) == text, "the field did not take " + Shown(text));
    Click(dialog, IDOK);
    HWND box = d.WaitForOwnedDialog(dialog);
    d.Expect(TextOf(box) == "Quillet", "caption of the box for " + Shown(text));
    std::string shown = MessageText(box);
    d.Expect(shown == message, "for " + Shown(text) + " the box said " + Shown(shown));
    Click(box, IDOK);
    if (!WaitUntilClosed(box)) d.Abort("the box for " + Shown(text) + " did not close");
    if (!StaysOpen(dialog)) d.Abort("the dialog closed after refusing " + Shown(text));
    d.Expect(ItemText(dialog, IDC_TOPIC_NAME) == text, "the text changed after " + Shown(text));
}

void Accept(tDriver& d, HWND dialog, const std::string& text) {
    SetDialogItemText(dialog, IDC_TOPIC_NAME, text);
    Click(dialog, IDOK);
    d.Expect(WaitUntilClosed(dialog), "the dialog stayed open after " + Shown(text));
}

class TopicNameDialog : public testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "Topic name test owner", WS_POPUP, 0, 0, 200, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
        name = "before";
    }
    void TearDown() override { DestroyWindow(owner); }

    HWND owner = nullptr;
    std::string name;  // what the dialog gives back
};

}  // namespace

TEST_F(TopicNameDialog, StartsEmptyWithTheFieldFocused) {
    DWORD thread = GetCurrentThreadId();
    tDriver driver([thread](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        HWND field = GetDlgItem(dialog, IDC_TOPIC_NAME);
        d.Expect(field != nullptr, "no name field");
        d.Expect(ItemText(dialog, IDC_TOPIC_NAME).empty(), "the field is not empty");
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread, &info);
        d.Expect(info.hwndFocus == field, "the focus is not in the name field");
        d.Expect(TextOf(GetWindow(dialog, GW_CHILD)) == "Enter a name for the topic:",
                 "prompt text");
        d.Expect(ItemText(dialog, IDOK) == "OK" && ItemText(dialog, IDCANCEL) == "Cancel",
                 "button texts");
        d.Expect(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)) == IDOK, "OK is not the default");
        d.Expect((GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0 ||
                     (GetWindowLongPtrA(dialog, GWL_STYLE) & DS_CONTEXTHELP) != 0,
                 "no context help");
        LONG_PTR style = GetWindowLongPtrA(field, GWL_STYLE);
        d.Expect((style & ES_AUTOHSCROLL) && (style & WS_TABSTOP), "field style");
        d.Expect(SendMessageA(field, EM_GETLIMITTEXT, 0, 0) > 1000, "the field limits its length");
        Click(dialog, IDCANCEL);
        d.Expect(WaitUntilClosed(dialog), "Cancel did not close the dialog");
    });
    EXPECT_FALSE(RunTopicNameDialog(owner, Topics({}), name));
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialog, AcceptsTwentyCharacters) {
    tDriver driver([](tDriver& d) { Accept(d, d.WaitForDialog("Topic Name"), "abcdefghij KLMNOPQRS"); });
    EXPECT_TRUE(RunTopicNameDialog(owner, Topics({"Notes"}), name));
    EXPECT_STREQ("abcdefghij KLMNOPQRS", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialog, RefusesEachBadNameAndStaysOpen) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        ExpectRefused(d, dialog, "abcdefghijklmnopqrstu", "Topic name too long.");
        ExpectRefused(d, dialog, std::string(300, 'z'), "Topic name too long.");
        ExpectRefused(d, dialog, "", "Please enter topic name.");
        ExpectRefused(d, dialog, "To.do", "'.'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "Hurray!", "'!'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "a\\b", "'\\'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "a/b", "'/'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "Time: 10", "':'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "a\tb", "'\t'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "Caf\xE9", "'\xE9'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "a:b.c", "':'  is an illegal character in a topic name");
        ExpectRefused(d, dialog, "NOTES", "Topic name already exists.");
        ExpectRefused(d, dialog, "notes", "Topic name already exists.");
        // A name of spaces only is a name.
        Accept(d, dialog, "   ");
    });
    EXPECT_TRUE(RunTopicNameDialog(owner, Topics({"Notes", "Ideas"}), name));
    EXPECT_STREQ("   ", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialog, CancelReturnsFalseAndKeepsTheBuffer) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        SetDialogItemText(dialog, IDC_TOPIC_NAME, "Typed");
        Click(dialog, IDCANCEL);
        d.Expect(WaitUntilClosed(dialog), "Cancel did not close the dialog");
    });
    EXPECT_FALSE(RunTopicNameDialog(owner, Topics({}), name));
    EXPECT_STREQ("before", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialog, CancelAfterARefusalReturnsFalse) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        ExpectRefused(d, dialog, "Notes", "Topic name already exists.");
        // The close box and Esc send Cancel too.
        SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, nullptr);
        d.Expect(WaitUntilClosed(dialog), "closing did not end the dialog");
    });
    EXPECT_FALSE(RunTopicNameDialog(owner, Topics({"Notes"}), name));
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialog, HelpRequestsLeaveTheDialogAsItWas) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        HWND field = GetDlgItem(dialog, IDC_TOPIC_NAME);
        SetDialogItemText(dialog, IDC_TOPIC_NAME, "Half typed");
        HELPINFO info = {};
        info.cbSize = sizeof info;
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = IDC_TOPIC_NAME;
        info.hItemHandle = field;
        SendMessageTimeoutA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL,
                            20000, nullptr);
        SendMessageTimeoutA(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dialog),
                            MAKELPARAM(10, 10), SMTO_NORMAL, 20000, nullptr);
        if (!StaysOpen(dialog)) d.Abort("a help request closed the dialog");
        d.Expect(ItemText(dialog, IDC_TOPIC_NAME) == "Half typed", "a help request changed the text");
        Accept(d, dialog, "Plans");
    });
    EXPECT_TRUE(RunTopicNameDialog(owner, Topics({}), name));
    EXPECT_STREQ("Plans", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
    QuitHelpViewer();
}

TEST_F(TopicNameDialog, FailureInsideTheDialogIsThrownAfterItCloses) {
    tExistingTopics topics;
    topics.nameExists = [](const std::string&) -> bool { throw tQuilletError{}; };
    HWND seen = nullptr;
    tDriver driver([&seen](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        seen = dialog;
        SetDialogItemText(dialog, IDC_TOPIC_NAME, "Plans");
        Click(dialog, IDOK);
        d.Expect(WaitUntilClosed(dialog), "the dialog stayed open after the failure");
    });
    EXPECT_THROW(RunTopicNameDialog(owner, topics, name), tQuilletError);
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_TRUE(IsWindowEnabled(owner));
}

// The same dialog checking against the topics of a notebook.
class TopicNameDialogWithTopics : public TopicNameDialog {
protected:
    const std::vector<std::string> names{"Notes", "ideas", "a[1]"};
};

TEST_F(TopicNameDialogWithTopics, AddingRefusesNamesTakenInAnyLetterCase) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        ExpectRefused(d, dialog, "NOTES", "Topic name already exists.");
        ExpectRefused(d, dialog, "Ideas", "Topic name already exists.");
        ExpectRefused(d, dialog, "A[1]", "Topic name already exists.");
        Accept(d, dialog, "a{1}");  // only a-z fold: { is not [
    });
    EXPECT_TRUE(RunTopicNameDialog(owner, Topics(names), name));
    EXPECT_STREQ("a{1}", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialogWithTopics, RenamingAcceptsTheOwnNameInCapitals) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        d.Expect(ItemText(dialog, IDC_TOPIC_NAME).empty(), "rename does not start empty");
        ExpectRefused(d, dialog, "IDEAS", "Topic name already exists.");
        Accept(d, dialog, "NOTES");
    });
    EXPECT_TRUE(RunTopicNameDialog(owner, Topics(names, true, "Notes"), name));
    EXPECT_STREQ("NOTES", name.c_str());
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}

TEST_F(TopicNameDialogWithTopics, AddingRefusesTheCurrentTopicsName) {
    tDriver driver([](tDriver& d) {
        HWND dialog = d.WaitForDialog("Topic Name");
        ExpectRefused(d, dialog, "IDEAS", "Topic name already exists.");
        Click(dialog, IDCANCEL);
        d.Expect(WaitUntilClosed(dialog), "Cancel did not close the dialog");
    });
    EXPECT_FALSE(RunTopicNameDialog(owner, Topics(names, false, "ideas"), name));
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
}
