#pragma once
// The notebook on screen: the row of topic tabs and the one edit control that
// shows the current topic, in the note file's colours and fonts. The edit
// control alone holds the current topic's live text; it is taken back into
// the topic before any other topic is shown.
#include <windows.h>
#include "client/appearance.h"
#include "client/notebook.h"
#include "client/tab_strip.h"

constexpr UINT kEditControlId = 1;

class tNotebookView {
public:
    explicit tNotebookView(tNotebook& notebook) : notebook_(notebook) {}
    ~tNotebookView() { Destroy(); }
    tNotebookView(const tNotebookView&) = delete;
    tNotebookView& operator=(const tNotebookView&) = delete;

    // Makes the tab and edit controls in the client window.
    void Create(HWND client, bool autoWrap);
    // Destroys the controls (the edit control with its own procedure back).
    void Destroy();
    HWND Tabs() const { return tabs_; }
    HWND Edit() const { return edit_; }
    WNDPROC EditDefaultProc() const { return editDefaultProc_; }
    bool AutoWrap() const { return autoWrap_; }
    tAppearance& Appearance() { return appearance_; }

    // A file just read: its appearance, its tabs, the first topic shown.
    void Present(const tAppearanceRecord& record, const tFontRecords& fonts);
    void Layout();

    // The edit control's first visible line and selection, and its text when
    // the topic was changed, into the current topic.
    void CaptureCurrentTopic();
    // Puts topic index into the edit control as it was last seen and makes it current.
    void ShowTopic(int index);
    // The topic of the selected tab; the caller has taken in the one it replaces.
    void ShowSelectedTopic() { ShowTopic(tabs_ ? tabStrip_.Selected() : -1); }
    void SelectTab(int index);
    // The tabs after the notebook changed, the tab of the topic to show selected.
    void TabsFollow(const tTopicChange& change);

    // Makes the edit control again, with or without wrapping, showing the same topic.
    void SetAutoWrap(bool wrap);

    // The Appearance page's choices, shown at once; true when the user chose.
    bool ChooseBackground(HWND owner);
    bool ChooseTextColour(HWND owner);
    bool ChooseTextFont(HWND owner);
    bool ChooseTabFont(HWND owner);

    // The maximum-length question was answered Yes: the change that hit the
    // limit is taken back once the control has made it.
    bool takeBackCutChange = false;

private:
    void CreateEditControl();
    void ApplyFonts();

    tNotebook& notebook_;  // borrowed from the client
    HWND client_ = nullptr;
    HWND tabs_ = nullptr;
    HWND edit_ = nullptr;
    WNDPROC editDefaultProc_ = nullptr;
    bool autoWrap_ = false;
    tTabStrip tabStrip_;  // every change of the tab control goes through it
    tAppearance appearance_;  // released after the controls that use it
};
