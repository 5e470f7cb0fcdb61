// Ending the program while each of its modal loops runs: Shut Down (as the
// tray menu sends it) and the end of the session. Run by ending_olefile.sh,
// which reads the note files again with olefile.
#include "e2e_support.h"
#include <commctrl.h>
#include <prsht.h>
#include <fstream>
#include <tuple>

namespace {

constexpr int kApply = 0x3021;     // the property sheet's Apply button
constexpr int kFindWhat = 0x480;   // the Find dialog's text field (edt1)

void Post(HWND wnd, int id) {
    PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(wnd, id)));
}

// The page of the Options sheet that holds control id.
HWND PageWith(HWND sheet, int id) {
    for (HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr); page;
         page = FindWindowExA(sheet, page, "#32770", nullptr))
        if (GetDlgItem(page, id)) return page;
    return nullptr;
}

// Opens a modal loop and waits until it shows; false when it did not.
using tOpener = bool (*)(tQuilletProcess&, const std::string& folder);

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

bool OptionsWith(tQuilletProcess& quillet, int button, const char* caption) {
    tForeignDialog sheet;
    quillet.PostCommand(CM_OPTIONS);
    if (!Shows(quillet, "Quillet Options", &sheet)) return false;
    Post(PageWith(sheet.wnd, button), button);
    return Shows(quillet, caption);
}

bool BoxSays(tQuilletProcess& quillet, const std::string& text) {
    tForeignDialog box;
    return Shows(quillet, "Quillet", &box) && box.text == text;
}

struct tModalLoop {
    const char* name;
    tOpener open;
    bool disablesFrame;  // modal over the frame, or beside it (modeless, menus)
};

const tModalLoop kLoops[] = {
    {"TopicNameAdd", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_TOPIC_ADD, "Topic Name"); }, true},
    {"TopicNameRename", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_TOPIC_RENAME, "Topic Name"); }, true},
    {"TopicNameRefusal", [](tQuilletProcess& q, const std::string&) {
         tForeignDialog dialog;
         q.PostCommand(CM_TOPIC_ADD);
         if (!Shows(q, "Topic Name", &dialog)) return false;
         SetDialogItemText(dialog, IDC_TOPIC_NAME, "Notes");
         Post(dialog.wnd, IDOK);
         return BoxSays(q, "Topic name already exists.");
     }, true},
    {"Options", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_OPTIONS, "Quillet Options"); }, true},
    {"OptionsTextFont", [](tQuilletProcess& q, const std::string&) { return OptionsWith(q, IDC_APPEARANCE_TEXT_FONT, "Font"); }, true},
    {"OptionsTabFont", [](tQuilletProcess& q, const std::string&) { return OptionsWith(q, IDC_APPEARANCE_TAB_FONT, "Font"); }, true},
    {"OptionsBackgroundColour", [](tQuilletProcess& q, const std::string&) { return OptionsWith(q, IDC_APPEARANCE_BACKGROUND, "Color"); }, true},
    {"OptionsTextColour", [](tQuilletProcess& q, const std::string&) { return OptionsWith(q, IDC_APPEARANCE_TEXT_COLOUR, "Color"); }, true},
    {"OptionsPeriodWarning", [](tQuilletProcess& q, const std::string&) {
         tForeignDialog sheet;
         q.PostCommand(CM_OPTIONS);
         if (!Shows(q, "Quillet Options", &sheet)) return false;
         SendMessageA(sheet.wnd, PSM_SETCURSEL, 1, 0);
         HWND page = PageWith(sheet.wnd, IDC_CONFIG_PERIOD);
         SendMessageA(GetDlgItem(page, IDC_CONFIG_LAPTOP_MODE), BM_SETCHECK, BST_CHECKED, 0);
         SendMessageA(GetDlgItem(page, IDC_CONFIG_PERIOD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0"));
         Post(sheet.wnd, kApply);
         return BoxSays(q, "Save timeout must be between 1 minute and 60 minutes.");
     }, true},
    {"Find", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_FIND, "Find"); }, false},
    {"Replace", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_REPLACE, "Replace"); }, false},
    {"NoMatchFound", [](tQuilletProcess& q, const std::string&) {
         tForeignDialog find;
         q.PostCommand(CM_FIND);
         if (!Shows(q, "Find", &find)) return false;
         SetDialogItemText(find, kFindWhat, "nowhere in the topic");
         Post(find.wnd, IDOK);
         return BoxSays(q, "No match found");
     }, true},
    {"FileOpen", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_FILE_OPEN, "Open"); }, true},
    {"FileNew", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_FILE_NEW, "Choose name and location for new file"); }, true},
    {"NotANoteFile", [](tQuilletProcess& q, const std::string& folder) {
         const std::string text = folder + "\\plain.txt";
         std::ofstream(text) << "not a note file";
         tForeignDialog open;
         q.PostCommand(CM_FILE_OPEN);
         if (!Shows(q, "Open", &open)) return false;
         ChooseFile(open, text);
         return BoxSays(q, text + " is not a Quillet file, is already open, or cannot be accessed.");
     }, true},
    {"PageSetup", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_PAGE_SETUP, nullptr); }, true},
    {"Print", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_PRINT, nullptr); }, true},
    {"About", [](tQuilletProcess& q, const std::string&) { return Opens(q, CM_ABOUT, "About Quillet"); }, true},
    {"DeleteTopicQuestion", [](tQuilletProcess& q, const std::string&) {
         q.PostCommand(CM_TOPIC_DELETE);
         return BoxSays(q, "Really delete topic To-do?\n");
     }, true},
    {"TrayMenu", [](tQuilletProcess& q, const std::string&) {
         PostMessageA(q.frame(), WM_TRAY_CALLBACK, 0, WM_RBUTTONUP);
         return WaitForMenu(q.id());
     }, false},
    {"ContextMenu", [](tQuilletProcess& q, const std::string&) {
         PostMessageA(q.edit(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
         return WaitForMenu(q.id());
     }, false},
};

enum class tEnd { shutDown, sessionEnd };

class EndingDuringModalLoop : public QuilletE2E,
                              public testing::WithParamInterface<std::tuple<tModalLoop, tEnd>> {};

// Keeps the file for olefile, with the topics it must hold.
void KeepForOlefile(const std::string& path, const std::string& name, const std::string& typed) {
    char out[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QUILLET_OLEFILE_OUT", out, sizeof out)) return;
    const std::string kept = std::string(out) + "\\" + name;
    CopyFileA(path.c_str(), (kept + ".qld").c_str(), FALSE);
    std::ofstream(kept + ".expected", std::ios::binary) << "To-do\t" << typed << "\nNotes\t\n";
}

TEST_P(EndingDuringModalLoop, SavesTheTypingAndEndsCleanly) {
    if (!GetEnvironmentVariableA("QUILLET_OLEFILE_OUT", nullptr, 0))
        GTEST_SKIP() << "run by ending_olefile.sh, which reads the files with olefile";
    const tModalLoop& loop = std::get<0>(GetParam());
    const tEnd end = std::get<1>(GetParam());
    const std::string name = std::string(loop.name) + (end == tEnd::shutDown ? "-shutdown" : "-logoff");
    const std::string path = dir.File(name + ".qld");
    const std::string typed = "typed before " + name;
    tQuilletProcess quillet("/visible " + Quoted(path));
    ASSERT_TRUE(quillet.WaitForMainWindow());
    quillet.Type(typed);
    ASSERT_TRUE(loop.open(quillet, dir.path())) << loop.name << " did not show";
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
    EXPECT_EQ((std::vector<std::string>{"To-do", "Notes"}), note.names);
    EXPECT_EQ(typed, note.texts[0]);
    KeepForOlefile(path, name, typed);
}

INSTANTIATE_TEST_SUITE_P(
    EveryLoop, EndingDuringModalLoop,
    testing::Combine(testing::ValuesIn(kLoops), testing::Values(tEnd::shutDown, tEnd::sessionEnd)),
    [](const testing::TestParamInfo<std::tuple<tModalLoop, tEnd>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == tEnd::shutDown ? "_ShutDown" : "_SessionEnd");
    });

}  // namespace
