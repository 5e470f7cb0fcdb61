#pragma once
// The frame window: caption, menus, toolbar and the one place every command arrives.
#include <windows.h>
#include <commdlg.h>
#include <string>
#include "base/handles.h"

class tQuilletWindow {
public:
    explicit tQuilletWindow(HWND frame);
    ~tQuilletWindow();
    tQuilletWindow(const tQuilletWindow&) = delete;
    tQuilletWindow& operator=(const tQuilletWindow&) = delete;

    // The printing commands.
    void Print();
    void PageSetup();

    HWND hwnd = nullptr;
    HWND toolbar = nullptr;
    tMenu taskbarMenu;
    HMENU taskbarPopup = nullptr;  // borrowed from taskbarMenu
    PRINTDLGA printDlg = {};
    PAGESETUPDLGA pageSetupDlg = {};
    tGlobal devMode;
    tGlobal devNames;
};

LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

void SavePlacement(tQuilletWindow& window);
// The file's title as the system shows it, or the last part of the path when
// the system cannot make one.
std::string FileTitleOf(const std::string& path);
void SetFileTitle(tQuilletWindow& window, const std::string& path);
void CheckHelpButton(tQuilletWindow& window, bool on);

// Opens the note file at path for the frame: asks whether to create a missing
// default file, lets the user choose another, creates or reads it, and says
// why not. On success path and isDefault name the file that was opened.
struct tNoteFile;
struct tAppearanceRecord;
enum class tOpenOutcome { opened, notOpened, defaultNotCreated };
tOpenOutcome OpenNoteFileFor(HWND owner, std::string& path, bool& isDefault,
                             const tAppearanceRecord& current, tNoteFile& file);

// Saves and commits the client's open file (refusing when the medium does),
// then opens path (which may be
// the default file) the same way and hands it to the client. On success the
// program's file path and default flag name the file now open; on failure
// nothing has changed.
class tQuilletClient;
bool OpenFileInClient(tQuilletClient& client, const std::string& path, bool isDefault);

// The shell's message announcing a (re)started taskbar.
UINT TaskbarCreatedMessage();
