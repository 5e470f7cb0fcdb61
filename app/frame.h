#pragma once
// The frame window: caption, menus, toolbar, the client below them, and the
// one place every command arrives. The frame object is found from its window
// and owns the client; it lives from start-up to the end of the program.
#include <windows.h>
#include <memory>
#include <string>
#include "app/printing.h"
#include "base/handles.h"
#include "client/tray.h"

class tQuilletClient;
struct tNoteFile;
struct tAppearanceRecord;

// The note file the frame shows: where it is and whether it is the default file.
struct tShownFile {
    std::string path;
    bool isDefault = false;
};

class tFrame {
public:
    // Makes the frame window, hidden, at place (position and size).
    explicit tFrame(const RECT& place);
    ~tFrame();
    tFrame(const tFrame&) = delete;
    tFrame& operator=(const tFrame&) = delete;

    HWND Handle() const { return hwnd_; }
    // The client showing file, below the toolbar; the frame then shows itself
    // with showCommand (or stays hidden, living in the notification area).
    void ShowNotes(tNoteFile&& file, const tShownFile& shown, int showCommand);
    tQuilletClient* Client() const { return client_.get(); }
    // The message loop's part for the client's modeless dialogs: true when one took msg.
    bool PassToModelessDialogs(MSG& msg) const;

    // Shut Down, Close without an icon and the end of the session: every dialog
    // and menu of the program is cancelled, the message loop ends, and only
    // then, with no handler left that uses them, is the frame destroyed and
    // with it the client (saving and closing the note file).
    void RequestEnd();
    bool EndRequested() const { return endRequested_; }
    // At the top of every turn of the message loop.
    void EndLoopIfRequested() const;
    // After the message loop, for whatever reason it ended.
    void CarryOutEnd();

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void AfterMessage();

private:
    friend LRESULT CALLBACK FrameWndProc(HWND, UINT, WPARAM, LPARAM);
    void OnCreate();
    void OnDestroy();
    void OnSize(int width, int height);
    void OnClose();
    void OnEndSession(bool ending);
    bool OnNotify(NMHDR* header, LRESULT& result);
    void OnInitMenuPopup(HMENU menu, int position);
    void OnTrayCallback(UINT mouseMessage);
    bool OnCommand(int id);
    void SetHelpMode(bool on);
    void SavePlacement();
    // File Open and File New: another note file, keeping the open one when
    // the new one cannot be used.
    void ChooseOtherFile(bool create);
    void ShowOptions();
    // The caption: the file's title, then " - Quillet"; the icon's tip too.
    void ShowTitle(tTrayShow icon);

    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    tMenu taskbarMenu_;
    HMENU taskbarPopup_ = nullptr;  // borrowed from taskbarMenu_
    std::unique_ptr<tPrinting> printing_;
    std::unique_ptr<tQuilletClient> client_;
    tShownFile shown_;
    std::string titleText_;
    bool helpMode_ = false;
    bool endRequested_ = false;
    bool rescueOffered_ = false;  // the end of the session offered the emergency save
};

LRESULT CALLBACK FrameWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

// The file's title as the system shows it, or the last part of the path when
// the system cannot make one.
std::string FileTitleOf(const std::string& path);

// Opens the note file at path for a window of the frame: asks whether to
// create a missing default file, lets the user choose another, creates or
// reads it, and says why not. On success path and isDefault name the file
// that was opened.
enum class tOpenOutcome { opened, notOpened, defaultNotCreated };
tOpenOutcome ReadOrCreateNoteFile(HWND owner, std::string& path, bool& isDefault,
                                  const tAppearanceRecord& current, tNoteFile& file);

// Saves and commits the client's open file (refusing when the file cannot
// take the changes), then opens path the same way and hands it to the client.
// On success shown names the file now shown; on failure nothing has changed.
bool ReplaceShownFile(tQuilletClient& client, HWND owner, tShownFile& shown);

// The shell's message announcing a (re)started taskbar.
UINT TaskbarCreatedMessage();
