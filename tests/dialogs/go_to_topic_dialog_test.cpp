// The Go to Topic dialog, run modally on this thread over a notebook as the
// client keeps it, and driven from another thread as a user would: typing,
// the arrows in the field, Enter, Esc and a double-click.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "client/notebook.h"
#include "dialogs/go_to_topic.h"
#include "resources/resource.h"
#include "support/dialog_driver.h"
#include "support/quillet_process.h"
#include <functional>

namespace {

// The notebook as a file opens: these topics, the first one current.
tNotebook Opened() {
    std::vector<tTopic> topics;
    for (const char* name : {"To-do", "Notes", "Ideas", "Shopping", "Old notes", "Diary", "notebook"}) {
        topics.emplace_back();
        topics.back().name = name;
    }
    tNotebook notebook;
    notebook.TakeOver(std::move(topics));
    notebook.Select(0);
    return notebook;
}

// Made current as a tab click makes it.
void Show(tNotebook& notebook, const char* name) {
    for (size_t i = 0; i < notebook.Count(); ++i)
        if (notebook.Topics()[i].name == name) notebook.Select(int(i));
}

// What the Topic commands leave: Delete shows the first topic, Undo Delete the last.
void DeleteCurrent(tNotebook& notebook) {
    ASSERT_TRUE(notebook.Delete());
    notebook.Select(0);
}

void UndoDelete(tNotebook& notebook) {
    ASSERT_TRUE(notebook.UndoDelete());
    notebook.Select(int(notebook.Count()) - 1);
}

tGoToTopicChoices ChoicesOf(const tNotebook& notebook) {
    tGoToTopicChoices choices;
    for (const tTopic& topic : notebook.Topics()) choices.names.push_back(topic.name);
    choices.recent = notebook.RecentOrder();
    return choices;
}

struct tGoToCase {
    const char* what;
    std::function<void(tNotebook&)> before;
    std::string typed;  // '\b' takes back a character
    std::vector<std::string> rows;
    // Keys, in turn: v Down, ^ Up, n Page Down, p Page Up in the field (the
    // focus must stay there), d a double-click on the selected row, \r Enter,
    // e Esc, 0 nothing more.
    std::string keys;
    const char* chosen;  // the topic gone to; null: none
};

const tGoToCase kCases[] = {
    {"an empty field lists the recent topics first, and Enter alone goes back",
     [](tNotebook& n) { Show(n, "Ideas"); Show(n, "Old notes"); }, "",
     {"Old notes", "Ideas", "To-do", "Notes", "Shopping", "Diary", "notebook"}, "\r", "Ideas"},
    {"typing filters without regard to case, the names that start with it first",
     nullptr, "NOTE", {"Notes", "notebook", "Old notes"}, "\r", "Notes"},
    {"Down and Up move in the list and stop at its ends", nullptr, "note",
     {"Notes", "notebook", "Old notes"}, "vvvv^\r", "notebook"},
    {"Page Down goes no further than the last row", nullptr, "o",
     {"Old notes", "To-do", "Notes", "Shopping", "notebook"}, "n^\r", "Shopping"},
    {"Page Up goes no further than the first row", nullptr, "o",
     {"Old notes", "To-do", "Notes", "Shopping", "notebook"}, "vvp\r", "Old notes"},
    {"a double-click goes to its row", nullptr, "i", {"Ideas", "Shopping", "Diary"}, "vd", "Shopping"},
    {"Esc closes and goes nowhere", nullptr, "Ideas", {"Ideas"}, "e", nullptr},
    {"with no match Enter goes nowhere and the dialog stays", nullptr, "xyz", {}, "\re", nullptr},
    {"taking the typing back lists the recent topics again", [](tNotebook& n) { Show(n, "Diary"); },
     "zz\b\b", {"Diary", "To-do", "Notes", "Ideas", "Shopping", "Old notes", "notebook"}, "\r", "To-do"},
    {"a deleted topic leaves the list, a renamed one keeps its place",
     [](tNotebook& n) {
         Show(n, "Ideas"); Show(n, "Shopping"); Show(n, "Diary");
         DeleteCurrent(n);  // Diary; To-do is shown
         Show(n, "Shopping");
         ASSERT_TRUE(n.Rename("Market"));
         Show(n, "Ideas");
     },
     "", {"Ideas", "Market", "To-do", "Notes", "Old notes", "notebook"}, "\r", "Market"},
    {"a topic brought back by Undo Delete and moved is found at its new place",
     [](tNotebook& n) {
         Show(n, "Shopping");
         DeleteCurrent(n);
         UndoDelete(n);  // Shopping, now the last
         n.MoveLeft();
         Show(n, "Notes");
     },
     "", {"Notes", "Shopping", "To-do", "Ideas", "Old notes", "Diary", "notebook"}, "\r", "Shopping"},
};

void PrintTo(const tGoToCase& c, std::ostream* out) { *out << c.what; }

// Posted: the dialog manager sees the key as it would a typed one.
void PostKey(HWND field, WPARAM key) { PostMessageA(field, WM_KEYDOWN, key, 0); }

// Waits until the dialog has handled what was posted to its field: the
// field's modified flag, cleared and then set by a posted message, is the marker.
bool Settle(HWND field) {
    Ask(field, EM_SETMODIFY, FALSE, 0);
    PostMessageA(field, EM_SETMODIFY, TRUE, 0);
    return WaitUntil([&] { return !IsWindow(field) || Ask(field, EM_GETMODIFY) != 0; }, kAnswerLimitMs, 5);
}

int SelectedRow(HWND list) { return int(Ask(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }

void Drive(tDialogDriver& d, const tGoToCase& c, DWORD thread) {
    HWND dialog = d.WaitForDialog("Go to Topic");
    HWND field = GetDlgItem(dialog, IDC_GO_TO_TEXT);
    HWND list = GetDlgItem(dialog, IDC_GO_TO_LIST);
    for (char ch : c.typed) Ask(field, WM_CHAR, WPARAM(BYTE(ch)), 0);
    d.Expect(ListRows(list, 1) == c.rows, "the rows shown");
    for (char key : c.keys) {
        switch (key) {
        case 'v': Ask(field, WM_KEYDOWN, VK_DOWN, 0); break;
        case '^': Ask(field, WM_KEYDOWN, VK_UP, 0); break;
        case 'n': Ask(field, WM_KEYDOWN, VK_NEXT, 0); break;
        case 'p': Ask(field, WM_KEYDOWN, VK_PRIOR, 0); break;
        case 'd': {
            POINT at;
            if (!ListRowCentre(list, SelectedRow(list), at)) d.Abort("no row to double-click");
            Ask(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
            Ask(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
            break;
        }
        case '\r': PostKey(field, VK_RETURN); break;
        case 'e': PostKey(field, VK_ESCAPE); break;
        }
        if (key == 'v' || key == '^' || key == 'n' || key == 'p') {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(thread, &info);
            d.Expect(info.hwndFocus == field, "the focus left the field");
        }
        if (key == '\r' && !c.chosen) {
            Settle(field);
            d.Expect(Shown(dialog), "Enter closed the dialog with nothing to go to");
        }
    }
    d.Expect(WaitUntilClosed(dialog), "the dialog stayed open");
}

class GoToTopicDialog : public testing::TestWithParam<tGoToCase> {};

TEST_P(GoToTopicDialog, ListsChoosesAndGoes) {
    const tGoToCase& c = GetParam();
    SCOPED_TRACE(c.what);
    tNotebook notebook = Opened();
    if (c.before) c.before(notebook);
    HWND owner = CreateWindowExA(0, "STATIC", "Go to Topic test owner", WS_POPUP, 0, 0, 200, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    DWORD thread = GetCurrentThreadId();
    tDialogDriver driver([&c, thread](tDialogDriver& d) { Drive(d, c, thread); });
    tGoToTopicChoices choices = ChoicesOf(notebook);
    int chosen = RunGoToTopicDialog(owner, choices);
    for (const std::string& failure : driver.Finish()) ADD_FAILURE() << failure;
    DestroyWindow(owner);
    if (!c.chosen)
        EXPECT_EQ(-1, chosen);
    else if (chosen < 0 || size_t(chosen) >= choices.names.size())
        ADD_FAILURE() << "went to no topic";
    else
        EXPECT_EQ(c.chosen, choices.names[size_t(chosen)]);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoToTopicDialog, testing::ValuesIn(kCases));

// Identity, not name or place: a topic keeps its own through renames and moves,
// comes back with it from Undo Delete, and a deleted topic's names no topic.
TEST(TopicIdentity, FollowsTheTopicNotItsNameOrPlace) {
    tNotebook notebook = Opened();
    Show(notebook, "Ideas");
    const unsigned long ideas = notebook.IdentityOf(notebook.CurrentIndex());
    ASSERT_NE(0u, ideas);
    EXPECT_TRUE(notebook.Rename("Plans"));
    notebook.MoveLeft();
    EXPECT_EQ(notebook.CurrentIndex(), notebook.IndexOf(ideas));
    EXPECT_EQ(1, notebook.IndexOf(ideas));
    DeleteCurrent(notebook);
    EXPECT_EQ(-1, notebook.IndexOf(ideas));
    notebook.Add("Ideas");  // the same name again is another topic
    EXPECT_EQ(-1, notebook.IndexOf(ideas));
    EXPECT_NE(ideas, notebook.IdentityOf(int(notebook.Count()) - 1));
    UndoDelete(notebook);
    EXPECT_EQ(int(notebook.Count()) - 1, notebook.IndexOf(ideas));
}

}  // namespace
