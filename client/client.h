#pragma once
// The notebook client: owns the open note file, the topics in tab order and
// the controls that show them.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <string>
#include <vector>
#include <functional>
#include <memory>
#include "base/handles.h"
#include "client/find_all.h"
#include "client/find_replace.h"
#include "client/notebook.h"
#include "client/tab_strip.h"
#include "dialogs/topic_name.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage/topic.h"

constexpr UINT kEditControlId = 1;
constexpr UINT kSaveTimerId = 1;
constexpr UINT kSaveTimerPeriod = 5000;
constexpr unsigned kRetryTicks = 3;  // a refused write is tried again after 15 s
constexpr UINT kWriteRefusedMessage = WM_APP + 1;
constexpr UINT kFindAllMessage = WM_APP + 2;  // the Find in All Topics dialog's requests

// What the client needs from the program around it.
struct tClientSettings {
    HWND frame = nullptr;      // owner of the tray icon and the menus
    bool noTray = false;
    std::string programPath;   // what "run at log-on" starts
    std::string helpPath;
};

class tQuilletClient {
public:
    // Takes over file, already read or created.
    tQuilletClient(HWND window, bool autoWrap, const tClientSettings& settings, tNoteFile&& file);
    // Tests only (defined with the tests): no windows and no file.
    struct tForTests {};
    explicit tQuilletClient(tForTests);
    ~tQuilletClient();
    tQuilletClient(const tQuilletClient&) = delete;
    tQuilletClient& operator=(const tQuilletClient&) = delete;

    // Makes this client the one told of every write to a note file and the
    // one the fatal path saves (done when it is made).
    void InstallHooks();

    // Note file
    // Takes over another note file, already read or created, in place of the open one.
    void TakeOver(tNoteFile&& file);
    tAppearanceRecord Appearance() const;
    void WriteIndex(tRootStorage& root);
    void WriteAppearance();

    // Saving
    void SaveTopics(bool force);
    // False when the file could not take the changes (see OnWriteRefused).
    bool Commit();
    // Saves with force and commits; false when the changes are still only in
    // memory because the medium refused them.
    bool FlushChanges();
    // The same before the file is closed: changes the medium refuses are
    // offered to another file (the emergency save), never dropped.
    void FlushOrRescue();
    // A write or commit failed for the medium (full disk, drive gone): the
    // changes stay in memory, the user is told once, a retry follows.
    void OnWriteRefused();
    void ReportWriteRefused();
    void OnTextChanged();
    void OnSaveTimer();
    void SetLaptopOptions(bool mode, unsigned period);
    void UpdateFileMenu(HMENU menu);
    void EmergencySave();

    // Notification-area icon
    void FillTrayData();
    void UpdateTrayIcon(bool adding);
    // The frame's title, which the tray icon's tip shows.
    void SetTitle(const std::string& title);
    void RemoveTrayIcon();

    // Topics on screen
    void PresentFile();
    void Layout();
    void RebuildTabs();
    void ShowTopic(int index);
    void ShowSelectedTopic();
    void PrepareTopicMenu(HMENU menu);
    void NextTopic();
    void PreviousTopic();
    void MoveTopicLeft();
    void MoveTopicRight();
    void AddTopic();
    void DeleteTopic();
    void RenameTopic();
    void UndoDeleteTopic();
    bool TopicNameExists(const std::string& name) const;
    std::string CurrentTopicName() const;
    // What the Topic Name dialog checks a name against.
    tExistingTopics ExistingTopics() const;

    // Saves, commits and stops the timer; called before the client is deleted,
    // so that a failure takes the fatal path while the client still exists.
    void FlushBeforeClose();

    // Edit control
    void CreateEditControl();
    void OnMaxText();
    void Undo();
    void Cut();
    void Copy();
    void Paste();
    void Clear();
    void SelectAll();
    void PrepareEditMenu(HMENU menu);
    void SetAutoWrap(bool wrap);

    // Find and replace
    void ShowFindDialog();
    void ShowReplaceDialog();
    void FindNext();
    void Replace();
    void ReplaceAll();
    void OnFindReplaceMessage(LPARAM request);

    // Find in All Topics
    void ShowFindAllDialog();
    void OnFindAllRequest(WPARAM request, LPARAM row);
    // A topic's text, name, order or existence changed: earlier results are out of date.
    void TopicsChanged();
    HWND FindAllDialogWindow() const;

    class tBusyMarker {
    public:
        tBusyMarker();
        ~tBusyMarker();
        tBusyMarker(const tBusyMarker&) = delete;
        tBusyMarker& operator=(const tBusyMarker&) = delete;
    };

    // Smart context menus
    void ShowContextMenu(int x, int y);
    bool ShowShellContextMenu(int x, int y, const std::string& path);
    void OpenUrl();
    void SetSmartContextMenus(bool on);

    // Appearance
    HBRUSH OnCtlColorEdit(HDC dc);
    void ChooseTextFont(HWND owner);
    void ChooseBackgroundColour(HWND owner);
    void ChooseTextColour(HWND owner);
    void ChooseTabFont(HWND owner);

    // Printing: all topics in tab order, or only the current one.
    bool PrintTopics(HDC hdc, int copies, bool collate, bool selectionOnly, const RECT& margins,
                     const std::string& documentName);

    // The modeless Find or Replace dialog, when one is open (for the message loop).
    HWND FindDialogWindow() const;

    class tRenamingMarker {
    public:
        explicit tRenamingMarker(tQuilletClient& c) : c_(c) { c_.renaming = true; }
        ~tRenamingMarker() { c_.renaming = false; }
        tRenamingMarker(const tRenamingMarker&) = delete;
        tRenamingMarker& operator=(const tRenamingMarker&) = delete;
    private:
        tQuilletClient& c_;
    };

    bool useSmartContextMenus = false;
    bool saveItemInserted = false;
    HWND wnd = nullptr;
    HWND tabWnd = nullptr;
    HWND editWnd = nullptr;
    tMenu contextMenu;
    HMENU editMenu = nullptr;     // borrowed from contextMenu
    HMENU urlMenu = nullptr;      // borrowed from contextMenu
    bool laptopMode = false;
    unsigned laptopSavePeriod = 1;
    unsigned laptopTicks = 0;
    NOTIFYICONDATAA trayData = {};
    COLORREF backgroundColour = kDefaultBackground;
    COLORREF textColour = kDefaultTextColour;
    tBrush backgroundBrush;
    tFont textFont;
    LOGFONTA textLogFont = {};
    tFont tabFont;
    LOGFONTA tabLogFont = {};
    COLORREF customColours[16] = {};
    tNotebook notebook;
    bool uncommitted = false;
    bool indexOutdated = false;  // topics renamed at load: the Index is written at the next save
    bool writeRefused = false;     // the medium refused the last write: changes wait in memory
    bool refusalReported = false;  // the user has been told of the refusal
    bool reportPending = false;    // ... or is about to be
    unsigned retryTicks = 0;
    unsigned saveTimer = 0;
    unsigned idleTicks = 0;
    bool autoWrap = false;
    std::unique_ptr<tRootStorage> root;
    std::unique_ptr<tFindReplaceDlg> findDialog;
    bool searchDone = false;
    std::unique_ptr<tFindAllSession> findAll;
    unsigned long topicsRevision = 0;  // counts the changes TopicsChanged is told of
    tIcon trayIcon;  // the drawn icon; none: the program's own icon is shown
    std::string selectedUrl;
    WNDPROC editDefaultProc = nullptr;
    // Set when the maximum-length question is answered Yes; the edit control's subclass then
    // takes back what the change that hit the limit inserted.
    bool takeBackCutChange = false;
    bool renaming = false;

    tClientSettings settings;
    std::string titleText;

private:
    void Create(tNoteFile&& file);
    void SelectTab(int index);
    void AfterMove(std::pair<int, int> swapped);
    void ShowNewLastTopic();
    void NoMatchFound(UINT icon);
    void RunFindAll(const tFindAllQuery& query);
    void GoToFoundHit(size_t row);
    void ChooseFontFor(HWND owner, HWND control, LOGFONTA& description, tFont& font);

    tTabStrip tabStrip;  // every change of the tab control goes through it
};

// The client window's creation parameter (lpCreateParams).
struct tClientCreation {
    tClientSettings settings;
    std::string titleText;
    tNoteFile* file = nullptr;  // taken over by the new client
};

LRESULT CALLBACK ClientWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

// Saves, commits and ends the client of a client window, if it has one.
void DeleteClient(HWND clientWnd);

// The client shown in a client window; null before its creation and after its end.
tQuilletClient* ClientOfWindow(HWND clientWnd);
