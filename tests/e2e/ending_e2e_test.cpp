// Ending the program while each of its modal loops runs: Shut Down (as the
// tray menu sends it) and the end of the session. Run by support/olefile_check.sh,
// which reads the note files again with olefile.
#include "e2e_support.h"
#include "support/olefile_check.h"
#include <commctrl.h>
#include <prsht.h>
#include <fstream>
#include <tuple>

namespace {

constexpr int kApply = 0x3021;     // the property sheet's Apply button
constexpr int kFindWhat = 0x480;   // the Find dialog's text field (edt1)

void Post(HWND wnd, int id) {
    PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(wnd, id)));
}

// The page of the Options sheet that holds control id.
HWND PageWith(HWND sheet, int id) {
    for (HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr); page;
         page = FindWindowExA(sheet, page, "#32770", nullptr))
        if (GetDlgItem(page, id)) return page;
    return nullptr;
}

bool Shows(tQuilletProcess& quillet, const char* caption, tForeignDialog* seen = nullptr) {
    tForeignDialog dialog;
    bool shown = WaitForDialog(quillet.id(), dialog, caption);
    if (seen) *seen = dialog;
    return shown;
}

bool Opens(tQuilletProcess& quillet, int command, const char* caption) {
    quillet.PostCommand(command);
    return Shows(quillet, caption);
}

bool BoxSays(tQuilletProcess& quillet, const std::string& text) {
    tForeignDialog box;
    return Shows(quillet, "Quillet", &box) && box.text == text;
}

// The Options sheet, then what one of its Appearance buttons opens.
bool OptionsWith(tQuilletProcess& quillet, int button, const char* caption) {
    tForeignDialog sheet;
    quillet.PostCommand(CM_OPTIONS);
    if (!Shows(quillet, "Quillet Options", &sheet)) return false;
    Post(PageWith(sheet.wnd, button), button);
    return Shows(quillet, caption);
}

// Boxes shown from inside another modal loop or a modeless dialog.
bool TopicNameRefusal(tQuilletProcess& quillet, const std::string&) {
    tForeignDialog dialog;
    quillet.PostCommand(CM_TOPIC_ADD);
    if (!Shows(quillet, "Topic Name", &dialog)) return false;
    SetDialogItemText(dialog, IDC_TOPIC_NAME, "Notes");
    Post(dialog.wnd, IDOK);
    return BoxSays(quillet, "Topic name already exists.");
}

bool PeriodWarning(tQuilletProcess& quillet, const std::string&) {
    tForeignDialog sheet;
    quillet.PostCommand(CM_OPTIONS);
    if (!Shows(quillet, "Quillet Options", &sheet)) return false;
    SendMessageA(sheet.wnd, PSM_SETCURSEL, 1, 0);
    HWND page = PageWith(sheet.wnd, IDC_CONFIG_PERIOD);
    SendMessageA(GetDlgItem(page, IDC_CONFIG_LAPTOP_MODE), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(page, IDC_CONFIG_PERIOD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0"));
    Post(sheet.wnd, kApply);
    return BoxSays(quillet, "Save timeout must be between 1 minute and 60 minutes.");
}

bool NoMatchFound(tQuilletProcess& quillet, const std::string&) {
    tForeignDialog find;
    quillet.PostCommand(CM_FIND);
    if (!Shows(quillet, "Find", &find)) return false;
    SetDialogItemText(find, kFindWhat, "nowhere in the topic");
    Post(find.wnd, IDOK);
    return BoxSays(quillet, "No match found");
}

bool NotANoteFile(tQuilletProcess& quillet, const std::string& folder) {
    const std::string text = folder + "\\plain.txt";
    std::ofstream(text) << "not a note file";
    tForeignDialog open;
    quillet.PostCommand(CM_FILE_OPEN);
    if (!Shows(quillet, "Open", &open)) return false;
    ChooseFile(open, text);
    return BoxSays(quillet,
                   text + " is not a Quillet file, is already open, or cannot be accessed.");
}

bool DeleteTopicQuestion(tQuilletProcess& quillet, const std::string&) {
    quillet.PostCommand(CM_TOPIC_DELETE);
    return BoxSays(quillet, "Really delete topic To-do?\n");
}

bool TrayMenu(tQuilletProcess& quillet, const std::string&) {
    PostMessageA(quillet.frame(), WM_TRAY_CALLBACK, 0, WM_RBUTTONUP);
    return WaitForMenu(quillet.id());
}

bool ContextMenu(tQuilletProcess& quillet, const std::string&) {
    PostMessageA(quillet.edit(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    return WaitForMenu(quillet.id());
}

// Opens a modal loop and waits until it shows; false when it did not.
using tOpener = bool (*)(tQuilletProcess&, const std::string& folder);

// A loop the command opens, showing a dialog with the caption (any caption:
// null), or one the opener opens; with a button, what that Appearance button
// of the Options sheet opens.
struct tModalLoop {
    const char* name;
    bool disablesFrame;  // modal over the frame, or beside it (modeless, menus)
    int command;
    const char* caption;
    tOpener open;
    int optionsButton;

    bool Open(tQuilletProcess& quillet, const std::string& folder) const {
        if (open) return open(quillet, folder);
        if (optionsButton) return OptionsWith(quillet, optionsButton, caption);
        return Opens(quillet, command, caption);
    }
};

const tModalLoop kLoops[] = {
    {"TopicNameAdd", true, CM_TOPIC_ADD, "Topic Name", nullptr, 0},
    {"TopicNameRename", true, CM_TOPIC_RENAME, "Topic Name", nullptr, 0},
    {"TopicNameRefusal", true, 0, nullptr, TopicNameRefusal, 0},
    {"GoToTopic", true, CM_TOPIC_GO_TO, "Go to Topic", nullptr, 0},
    {"Options", true, CM_OPTIONS, "Quillet Options", nullptr, 0},
    {"OptionsTextFont", true, 0, "Font", nullptr, IDC_APPEARANCE_TEXT_FONT},
    {"OptionsTabFont", true, 0, "Font", nullptr, IDC_APPEARANCE_TAB_FONT},
    {"OptionsBackgroundColour", true, 0, "Color", nullptr, IDC_APPEARANCE_BACKGROUND},
    {"OptionsTextColour", true, 0, "Color", nullptr, IDC_APPEARANCE_TEXT_COLOUR},
    {"OptionsPeriodWarning", true, 0, nullptr, PeriodWarning, 0},
    {"Find", false, CM_FIND, "Find", nullptr, 0},
    {"Replace", false, CM_REPLACE, "Replace", nullptr, 0},
    {"NoMatchFound", true, 0, nullptr, NoMatchFound, 0},
    {"FileOpen", true, CM_FILE_OPEN, "Open", nullptr, 0},
    {"FileNew", true, CM_FILE_NEW, "Choose name and location for new file", nullptr, 0},
    {"NotANoteFile", true, 0, nullptr, NotANoteFile, 0},
    // Whatever the system shows, with or without a printer.
    {"PageSetup", true, CM_PAGE_SETUP, nullptr, nullptr, 0},
    {"Print", true, CM_PRINT, nullptr, nullptr, 0},
    {"About", true, CM_ABOUT, "About Quillet", nullptr, 0},
    {"DeleteTopicQuestion", true, 0, nullptr, DeleteTopicQuestion, 0},
    {"TrayMenu", false, 0, nullptr, TrayMenu, 0},
    {"ContextMenu", false, 0, nullptr, ContextMenu, 0},
};

enum class tEnd { shutDown, sessionEnd };

class EndingDuringModalLoop : public QuilletE2E,
                              public testing::WithParamInterface<std::tuple<tModalLoop, tEnd>> {};

TEST_P(EndingDuringModalLoop, SavesTheTypingAndEndsCleanly) {
    if (!GetEnvironmentVariableA("QUILLET_OLEFILE_OUT", nullptr, 0))
        GTEST_SKIP() << "run by olefile_check.sh, which reads the files with olefile";
    const tModalLoop& loop = std::get<0>(GetParam());
    const tEnd end = std::get<1>(GetParam());
    const std::string name =
        std::string(loop.name) + (end == tEnd::shutDown ? "-shutdown" : "-logoff");
    const std::string path = dir.File(name + ".qld");
    const std::string typed = "typed before " + name;
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type(typed);
    ASSERT_TRUE(loop.Open(quillet, dir.path())) << loop.name << " did not show";
    EXPECT_EQ(loop.disablesFrame, !IsWindowEnabled(quillet.frame()));

    if (end == tEnd::shutDown) {
        quillet.PostCommand(CM_SHUTDOWN);
    } else {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(quillet.frame(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                        SMTO_NORMAL, 10000, &answer));
        EXPECT_NE(0u, answer);
        ASSERT_TRUE(SendMessageTimeoutA(quillet.frame(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                        SMTO_NORMAL, 10000, &answer));
    }
    const DWORD code = quillet.WaitForExit();
    tForeignDialog left;
    if (code == STILL_ACTIVE && WaitForDialog(quillet.id(), left, nullptr, 0))
        ADD_FAILURE() << "still shown: \"" << left.caption << "\" " << left.text;
    ASSERT_EQ(0u, code);
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_TRUE(note.ok);
    ASSERT_EQ((std::vector<std::string>{"To-do", "Notes"}), note.names);
    EXPECT_EQ(typed, note.texts[0]);
    KeepForOlefileCheck(path, name, {"To-do", "Notes"}, {typed, ""});
}

INSTANTIATE_TEST_SUITE_P(
    EveryLoop, EndingDuringModalLoop,
    testing::Combine(testing::ValuesIn(kLoops), testing::Values(tEnd::shutDown, tEnd::sessionEnd)),
    [](const testing::TestParamInfo<std::tuple<tModalLoop, tEnd>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == tEnd::shutDown ? "_ShutDown" : "_SessionEnd");
    });

// Another program may post the quit message itself, here while the Topic Name
// dialog runs: the dialog adds nothing, and the program still closes its file.
TEST_F(QuilletE2E, AQuitMessageFromOutsideStillSavesTheTyping) {
    const std::string path = dir.File("quit.qld");
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type("typed before the quit");
    ASSERT_TRUE(Opens(quillet, CM_TOPIC_ADD, "Topic Name"));
    PostThreadMessageA(GetWindowThreadProcessId(quillet.frame(), nullptr), WM_QUIT, 0, 0);
    EXPECT_EQ(0u, quillet.WaitForExit());
    tNoteOnDisk note = ReadNoteOnDisk(path);
    ASSERT_EQ((std::vector<std::string>{"To-do", "Notes"}), note.names);
    EXPECT_EQ("typed before the quit", note.texts[0]);
}

}  // namespace
