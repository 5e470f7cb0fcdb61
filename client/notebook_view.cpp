#include "client/notebook_view.h"
#include <commctrl.h>
#include "base/errors.h"
#include "base/window_text.h"
#include "client/edit.h"

namespace {

DWORD EditStyle(bool wrap) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                  ES_AUTOVSCROLL | ES_NOHIDESEL;
    // Without horizontal scrolling the control wraps at its right edge.
    if (!wrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    return style;
}

void Repaint(HWND control) {
    Check(InvalidateRect(control, nullptr, TRUE) != 0);
    UpdateWindow(control);
}

}  // namespace

// The controls go before the fonts and the brush they use.
void tNotebookView::Destroy() {
    if (edit_) {
        SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc_));
        DestroyWindow(edit_);
        edit_ = nullptr;
    }
    if (tabs_) DestroyWindow(tabs_);
    tabs_ = nullptr;
}

void tNotebookView::Create(HWND client, bool autoWrap) {
    client_ = client;
    autoWrap_ = autoWrap;
    RECT area;
    GetClientRect(client_, &area);
    tabs_ = CreateWindowExA(0, WC_TABCONTROLA, "",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_MULTILINE,
                            0, 0, area.right, area.bottom, client_, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    Check(tabs_ != nullptr);
    tabStrip_.Attach(tabs_);
    CreateEditControl();
}

void tNotebookView::CreateEditControl() {
    edit_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", EditStyle(autoWrap_), 0, 0, CW_USEDEFAULT,
                            CW_USEDEFAULT, client_,
                            reinterpret_cast<HMENU>(UINT_PTR(kEditControlId)),
                            GetModuleHandleA(nullptr), nullptr);
    Check(edit_ != nullptr);
    editDefaultProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditControlWndProc)));
    Check(editDefaultProc_ != nullptr);
}

// Each control gets its new font, or none for the system's own, before the
// font it replaces is released.
void tNotebookView::ApplyFonts() {
    SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(appearance_.TextFont()), FALSE);
    SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(appearance_.TabFont()), FALSE);
}

void tNotebookView::Present(const tAppearanceRecord& record, const tFontRecords& fonts) {
    tAppearance::tRetired retired = appearance_.TakeOver(record, fonts);
    ApplyFonts();
    notebook_.Select(0);
    tabStrip_.Fill(notebook_.Topics());
    Layout();
    if (notebook_.Empty()) {
        // Nothing to show: an index with no names opens read-only until a topic is added.
        SetWindowTextA(edit_, "");
        EnableWindow(edit_, FALSE);
        return;
    }
    EnableWindow(edit_, TRUE);
    SetWindowTextA(edit_, notebook_.Topics()[0].text.c_str());
}

void tNotebookView::Layout() {
    if (!tabs_ || !edit_) return;  // messages that come while the controls are made
    RECT area;
    GetClientRect(client_, &area);
    RECT display = tabStrip_.Fit(area);
    Check(SetWindowPos(edit_, HWND_TOP, display.left, display.top, display.right - display.left,
                       display.bottom - display.top, SWP_NOACTIVATE) != 0);
}

void tNotebookView::CaptureCurrentTopic() {
    const tTopic* current = notebook_.Current();
    if (!edit_ || !current) return;
    tTopicView& view = *notebook_.CurrentView();
    view.firstVisibleLine = int(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0));
    size_t start = 0, end = 0;
    GetFullSelection(edit_, start, end);
    view.selStart = int(start);
    view.selEnd = int(end);
    if (current->modified) notebook_.TakeCurrentText(WindowText(edit_));
}

void tNotebookView::ShowTopic(int index) {
    if (!notebook_.Select(index)) return;
    const tTopicView& view = notebook_.ViewOf(index);
    EnableWindow(edit_, TRUE);
    SetWindowTextA(edit_, notebook_.Topics()[size_t(index)].text.c_str());
    SendMessageA(edit_, EM_LINESCROLL, 0, view.firstVisibleLine);
    SendMessageA(edit_, EM_SETSEL, WPARAM(view.selStart), LPARAM(view.selEnd));
    SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

void tNotebookView::SelectTab(int index) { Check(tabStrip_.Select(index)); }

void tNotebookView::TabsFollow(const tTopicChange& change) {
    using tKind = tTopicChange::tKind;
    const std::vector<tTopic>& topics = notebook_.Topics();
    switch (change.kind) {
    case tKind::added: tabStrip_.Append(topics[size_t(change.index)].name); break;
    case tKind::renamed: tabStrip_.Rename(change.index, topics[size_t(change.index)].name); break;
    case tKind::deleted: tabStrip_.Remove(change.index); break;
    case tKind::moved: tabStrip_.Swap(change.swapped.first, change.swapped.second); break;
    case tKind::none: return;
    }
    Layout();
    SelectTab(change.shown >= 0 ? change.shown : notebook_.CurrentIndex());
}

void tNotebookView::SetAutoWrap(bool wrap) {
    if (wrap == autoWrap_) return;
    SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc_));
    Check(DestroyWindow(edit_) != 0);
    edit_ = nullptr;
    autoWrap_ = wrap;
    CreateEditControl();
    ApplyFonts();
    Layout();
    if (notebook_.Empty())
        EnableWindow(edit_, FALSE);
    else
        ShowTopic(notebook_.CurrentIndex());
}

bool tNotebookView::ChooseBackground(HWND owner) {
    if (!appearance_.ChooseBackground(owner)) return false;
    Repaint(edit_);
    return true;
}

bool tNotebookView::ChooseTextColour(HWND owner) {
    if (!appearance_.ChooseTextColour(owner)) return false;
    Repaint(edit_);
    return true;
}

bool tNotebookView::ChooseTextFont(HWND owner) {
    tFont retired;
    if (!appearance_.ChooseTextFont(owner, retired)) return false;
    ApplyFonts();
    Repaint(edit_);
    return true;
}

bool tNotebookView::ChooseTabFont(HWND owner) {
    tFont retired;
    if (!appearance_.ChooseTabFont(owner, retired)) return false;
    ApplyFonts();
    Repaint(tabs_);
    Layout();
    return true;
}
