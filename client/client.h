#pragma once
// The notebook client: the child window of the frame that shows the open note
// file. It owns the topics (tNotebook), the controls that show them
// (tNotebookView), their saving into the file (tNoteSaver), the find dialogs,
// the context menus and the notification-area icon, and carries out the
// commands that concern them.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include "client/context_menu.h"
#include "client/find_all.h"
#include "client/find_replace.h"
#include "client/note_saver.h"
#include "client/notebook.h"
#include "client/notebook_view.h"
#include "client/tray.h"
#include "dialogs/topic_name.h"
#include "print/print_job.h"
#include "storage/notefile.h"

// What the client needs from the program around it.
struct tClientSettings {
    HWND frame = nullptr;  // the parent, owner of the icon and of the menus' commands
    bool noTray = false;   // no notification-area icon: closing the frame ends the program
};

class tQuilletClient {
public:
    // Makes the client window over area of the frame, showing file, already
    // read or created.
    tQuilletClient(const tClientSettings& settings, tNoteFile&& file, const RECT& area);
    ~tQuilletClient();
    tQuilletClient(const tQuilletClient&) = delete;
    tQuilletClient& operator=(const tQuilletClient&) = delete;

    HWND Window() const { return wnd_; }
    // Constructed: until then its window passes every message on.
    bool Ready() const { return ready_; }
    const tNotebook& Notebook() const { return notebook_; }
    tNotebookView& View() { return view_; }
    tNoteSaver& Saver() { return saver_; }
    tFindReplaceDlg& FindDialog() { return findDialog_; }
    // The message loop's part for the modeless dialogs (Find or Replace, and
    // Find in All Topics): true when one of them took msg.
    bool PassToModelessDialogs(MSG& msg) const;
    // The Find in All Topics dialog, when it is open.
    HWND FindAllDialogWindow() const;

    // Another note file, already read or created, in place of the open one.
    void TakeOver(tNoteFile&& file);
    // Opens another note file in place of the open one: the open file's changes
    // reach the disk first (or the user is told they cannot, and nothing is
    // replaced); open reads or creates the other file, given the appearance
    // shown now, and returns false when there is none.
    using tFileOpener = std::function<bool(const tAppearanceRecord& current, tNoteFile& file)>;
    bool ReplaceFile(const tFileOpener& open);
    // Whether what was written is on disk.
    tFileState FileState() const;
    // The end of every message of the frame and the client: commits the note file.
    void AfterMessage();
    // Before the client goes: saves and commits, or offers the emergency save
    // (unless the end of the session offered it already), so that a failure
    // takes the fatal path while the client still exists.
    enum class tRescue { offer, offeredAlready };
    void FlushBeforeClose(tRescue rescue);
    // The same when the session ends, the client staying.
    void FlushForEnd(tRescue rescue);

    // A command of the menus, keys, toolbar or context menus; false when it
    // is not one of the client's.
    bool Command(int id);
    // Readies the File (position 0), Edit (1) or Topic (2) pop-up, or a
    // context menu (position 0 too, never the File menu's items).
    void PrepareMenu(HMENU menu, int position);
    bool OwnsMenu(HMENU menu) const { return menus_.Owns(menu); }

    // The Options sheet's settings.
    bool AutoWrap() const { return view_.AutoWrap(); }
    void SetAutoWrap(bool wrap);
    bool LaptopMode() const { return saver_.LaptopMode(); }
    unsigned LaptopSavePeriod() const { return saver_.LaptopSavePeriod(); }
    void SetLaptopOptions(bool mode, unsigned period) { saver_.SetLaptopOptions(mode, period); }
    void ChooseTextFont(HWND page);
    void ChooseBackground(HWND page);
    void ChooseTextColour(HWND page);
    void ChooseTabFont(HWND page);
    bool SmartContextMenus() const { return menus_.Smart(); }
    void SetSmartContextMenus(bool on) { menus_.SetSmart(on); }

    // The notification-area icon, with the frame's caption as its tip.
    void ShowTrayIcon(const std::string& title, tTrayShow how);

    // Prints all topics in tab order, or only the current one.
    tPrintOutcome PrintTopics(HDC hdc, int copies, bool collate, bool selectionOnly, const RECT& margins,
                     const std::string& documentName);

    // Messages of the client window.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The edit control's right button.
    void ShowContextMenu(int x, int y);

private:
    // The Topic menu.
    void NextTopic();
    void PreviousTopic();
    void MoveTopic(bool left);
    void AddTopic();
    void DeleteTopic();
    void RenameTopic();
    void UndoDeleteTopic();
    void GoToTopic();
    // After the notebook changed: Find in All Topics' results, the tabs, the
    // file and the topic shown follow, in that order; a refused change is nothing.
    void Apply(const tTopicChange& change);
    // A tab was chosen: the topic left is saved, the chosen one shown.
    void ShowSelectedTopic();
    // What the Topic Name dialog checks a name against.
    enum class tNaming { newTopic, rename };
    tExistingTopics ExistingTopics(tNaming naming) const;
    bool TopicNameExists(const std::string& name) const;
    void OnMaxText();
    void OnEditNotification(UINT code);
    // Find in All Topics.
    void ShowFindAllDialog();
    void RunFindAll(const tFindAllQuery& query);
    void GoToFoundHit(size_t row);
    // A topic's text, name, order or existence changed: found results are out of date.
    void TopicsChanged();

    bool ready_ = false;  // constructed: messages before it go to the default procedure
    HWND wnd_;
    tClientSettings settings_;
    std::string title_;
    tNotebook notebook_;
    tNotebookView view_{notebook_};
    tNoteSaver saver_;
    tFindReplaceDlg findDialog_;
    tContextMenus menus_;
    std::unique_ptr<tTrayIcon> tray_;  // none with "/nosystray"
    std::unique_ptr<tFindAllSession> findAll_;  // from the first Find in All Topics on
    unsigned long topicsRevision_ = 0;          // counts the changes TopicsChanged is told of
};

LRESULT CALLBACK ClientWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

// The client shown in a client window; null before its creation and after its end.
tQuilletClient* ClientOfWindow(HWND clientWnd);
