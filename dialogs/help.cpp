#include "dialogs/help.h"
#include "base/names.h"
#include "resources/resource.h"

namespace {

struct tCommandHelp {
    int commandId;
    int context;
};

// Context numbers of the help file, one per command that has popup help.
constexpr tCommandHelp kCommandHelp[] = {
    {CM_FILE_OPEN, 2},         {CM_FILE_NEW, 3},           {CM_SHUTDOWN, 4},
    {CM_FILE_CLOSE, 5},        {CM_TRAY_OPEN, 6},          {CM_ABOUT, 7},
    {CM_TOPIC_ADD, 8},         {CM_TOPIC_DELETE, 9},       {CM_EDIT_CUT, 14},
    {CM_EDIT_COPY, 15},        {CM_EDIT_PASTE, 16},        {CM_EDIT_UNDO, 17},
    {CM_EDIT_DELETE, 18},      {CM_TOPIC_RENAME, 20},      {CM_TOPIC_NEXT, 21},
    {CM_TOPIC_PREVIOUS, 22},   {CM_TOPIC_MOVE_LEFT, 23},   {CM_TOPIC_MOVE_RIGHT, 24},
    {CM_TOPIC_UNDO_DELETE, 25}, {CM_FIND, 26},             {CM_FIND_NEXT, 27},
    {CM_REPLACE, 28},          {CM_PRINT, 29},             {CM_PAGE_SETUP, 30},
    {CM_HELP_TOPICS, 31},      {CM_EDIT_SELECT_ALL, 32},   {CM_SAVE, 33},
    {CM_OPTIONS, 34},
};

// The help file lies beside the program.
std::string HelpFilePath() {
    char module[kPathBufferSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, module, kPathBufferSize);
    std::string path(module, length < DWORD(kPathBufferSize) ? length : 0);
    return path.substr(0, path.rfind('\\') + 1) + kHelpFileName;
}

void AskHelpFile(HWND window, UINT command, ULONG_PTR data) {
    WinHelpA(window, HelpFilePath().c_str(), command, data);
}

}  // namespace


int HelpContextForCommand(int commandId) {
    for (const tCommandHelp& entry : kCommandHelp)
        if (entry.commandId == commandId) return entry.context;
    return kNoHelpContext;
}

void ShowHelpContents(HWND frame) {
    AskHelpFile(frame, HELP_FINDER, 0);
}

bool ShowCommandHelp(HWND frame, int commandId) {
    int context = HelpContextForCommand(commandId);
    if (context == kNoHelpContext) return false;
    AskHelpFile(frame, HELP_CONTEXTPOPUP, ULONG_PTR(context));
    return true;
}

void ShowDialogItemHelp(const HELPINFO* info, const DWORD* helpTable) {
    if (!info) return;
    AskHelpFile(static_cast<HWND>(info->hItemHandle), HELP_WM_HELP,
                reinterpret_cast<ULONG_PTR>(helpTable));
}

void ShowDialogContextHelp(HWND window, const DWORD* helpTable) {
    AskHelpFile(window, HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(helpTable));
}
