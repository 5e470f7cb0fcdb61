#include "client/client.h"
#include <commctrl.h>
#include "base/errors.h"
#include "base/fatal.h"
#include "base/guard.h"
#include "base/names.h"
#include "base/settings.h"
#include "client/edit.h"
#include "print/print_job.h"
#include "resources/resource.h"

namespace {

HWND CreateClientWindow(tQuilletClient* client, HWND frame, const RECT& area) {
    HWND wnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClientClassName, kAppCaption, WS_CHILD | WS_VISIBLE,
                               area.left, area.top, area.right - area.left, area.bottom - area.top,
                               frame, nullptr, GetModuleHandleA(nullptr), client);
    Check(wnd != nullptr);
    return wnd;
}

}  // namespace

tQuilletClient::tQuilletClient(const tClientSettings& settings, tNoteFile&& file, const RECT& area)
    : wnd_(CreateClientWindow(this, settings.frame, area)),
      settings_(settings),
      saver_(wnd_, notebook_, view_, !settings.noTray),
      findDialog_(wnd_) {
    try {
        view_.Create(wnd_, GetConfigDword(kConfig, "AutoWrap", 0) != 0);
        TakeOver(std::move(file));
        if (!settings_.noTray) tray_ = std::make_unique<tTrayIcon>(settings_.frame);
        // The fatal path saves this client's topics.
        SetEmergencySave([this] { saver_.EmergencySave(); });
        ready_ = true;
    } catch (...) {
        SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
        DestroyWindow(wnd_);
        throw;
    }
}

// The controls first, then the window; the icon, the dialogs, the file and
// the fonts go with their owners.
tQuilletClient::~tQuilletClient() {
    SetEmergencySave(nullptr);
    ready_ = false;
    view_.Destroy();
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
    DestroyWindow(wnd_);
}

void tQuilletClient::TakeOver(tNoteFile&& file) {
    notebook_.TakeOver(std::move(file.content.topics));
    TopicsChanged();
    saver_.TakeOver(std::move(file.file), file.content.indexOutdated);
    view_.Present(file.content.appearance, file.content.fonts);
}

void tQuilletClient::FlushBeforeClose(tRescue rescue) {
    findAll_.reset();
    FlushForEnd(rescue);
}

void tQuilletClient::FlushForEnd(tRescue rescue) {
    if (rescue == tRescue::offer)
        saver_.FlushOrRescue();
    else
        saver_.FlushChanges();
}

bool tQuilletClient::ReplaceFile(const tFileOpener& open) {
    // The open file's changes must be on disk before another file replaces it.
    if (!saver_.FlushChanges()) {
        saver_.TellRefusal();
        return false;
    }
    tNoteFile file;
    if (!open(view_.Appearance().Record(), file)) return false;
    TakeOver(std::move(file));
    return true;
}

void tQuilletClient::AfterMessage() { saver_.Commit(); }

tFileState tQuilletClient::FileState() const {
    return saver_.File() ? saver_.File()->State() : tFileState::clean;
}

bool tQuilletClient::PassToModelessDialogs(MSG& msg) const {
    HWND find = findDialog_.Window();
    if (find && IsDialogMessageA(find, &msg)) return true;
    HWND findAll = FindAllDialogWindow();
    return findAll && IsDialogMessageA(findAll, &msg);
}

void tQuilletClient::ShowTrayIcon(const std::string& title, tTrayShow how) {
    title_ = title;
    if (tray_) tray_->Show(view_.Appearance().Brush(), title_, how);
}

bool tQuilletClient::Command(int id) {
    HWND edit = view_.Edit();
    switch (id) {
    case CM_TOPIC_ADD: AddTopic(); return true;
    case CM_TOPIC_DELETE: DeleteTopic(); return true;
    case CM_TOPIC_RENAME: RenameTopic(); return true;
    case CM_TOPIC_NEXT: NextTopic(); return true;
    case CM_TOPIC_PREVIOUS: PreviousTopic(); return true;
    case CM_TOPIC_MOVE_LEFT: MoveTopic(true); return true;
    case CM_TOPIC_MOVE_RIGHT: MoveTopic(false); return true;
    case CM_TOPIC_UNDO_DELETE: UndoDeleteTopic(); return true;
    case CM_TOPIC_GO_TO: GoToTopic(); return true;
    case CM_SAVE: saver_.SaveTopics(tSave::forced); return true;
    case CM_EDIT_UNDO: UndoEdit(edit); return true;
    case CM_EDIT_CUT: CutSelection(edit); return true;
    case CM_EDIT_COPY: CopySelection(edit); return true;
    case CM_EDIT_PASTE: PasteText(edit); return true;
    case CM_EDIT_DELETE: ClearSelection(edit); return true;
    case CM_EDIT_SELECT_ALL: SelectAllText(edit); return true;
    case CM_FIND: findDialog_.ShowFind(); return true;
    case CM_FIND_NEXT: findDialog_.FindNext(edit); return true;
    case CM_REPLACE: findDialog_.ShowReplace(); return true;
    case CM_FIND_ALL: ShowFindAllDialog(); return true;
    case CM_OPEN_URL: menus_.OpenUrl(wnd_); return true;
    default: return false;
    }
}

void tQuilletClient::PrepareMenu(HMENU menu, int position) {
    switch (position) {
    case 0:
        if (!menus_.Owns(menu)) saver_.UpdateFileMenu(menu);
        break;
    case 1: PrepareEditMenu(menu, view_.Edit(), findDialog_.SearchDone()); break;
    case 2:
        EnableMenuItem(menu, CM_TOPIC_UNDO_DELETE,
                       MF_BYCOMMAND | (notebook_.CanUndoDelete() ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(menu, CM_TOPIC_GO_TO, MF_BYCOMMAND | (notebook_.Empty() ? MF_GRAYED : MF_ENABLED));
        break;
    }
}

void tQuilletClient::ShowContextMenu(int x, int y) {
    menus_.Show(view_.Edit(), x, y, settings_.frame, [&](HMENU menu) {
        PrepareEditMenu(menu, view_.Edit(), findDialog_.SearchDone());
    });
}

void tQuilletClient::SetAutoWrap(bool wrap) {
    if (wrap == view_.AutoWrap()) return;
    saver_.SaveTopics(tSave::forced);
    view_.SetAutoWrap(wrap);
    SetConfigDword(kConfig, "AutoWrap", wrap ? 1 : 0);
}

void tQuilletClient::ChooseTextFont(HWND page) {
    if (view_.ChooseTextFont(page)) saver_.AppearanceChanged();
}

void tQuilletClient::ChooseBackground(HWND page) {
    if (!view_.ChooseBackground(page)) return;
    saver_.AppearanceChanged();
    ShowTrayIcon(title_, tTrayShow::change);  // the icon is drawn in the note colour
}

void tQuilletClient::ChooseTextColour(HWND page) {
    if (view_.ChooseTextColour(page)) saver_.AppearanceChanged();
}

void tQuilletClient::ChooseTabFont(HWND page) {
    if (view_.ChooseTabFont(page)) saver_.AppearanceChanged();
}

tPrintOutcome tQuilletClient::PrintTopics(HDC hdc, int copies, bool collate, bool selectionOnly,
                                          const RECT& margins, const std::string& documentName) {
    saver_.SaveTopics(tSave::forced);  // the printout shows what is on the screen
    const tAppearance& appearance = view_.Appearance();
    const LOGFONTA* text = appearance.TextFont() ? &appearance.Record().textLogFont : nullptr;
    const LOGFONTA* titles = appearance.TabFont() ? &appearance.Record().tabLogFont : nullptr;
    std::vector<tPrintTopic> printed;
    if (!selectionOnly) {
        printed.reserve(notebook_.Count());
        for (const tTopic& topic : notebook_.Topics()) printed.push_back({topic.name, topic.text});
    } else if (const tTopic* current = notebook_.Current()) {
        printed.push_back({current->name, current->text});
    }
    return PrintJob(settings_.frame, hdc, documentName, printed, copies, collate, text, titles,
                    margins);
}

void tQuilletClient::OnMaxText() {
    // Yes takes back the change that hit the limit, and only that. WM_UNDO cannot: after a
    // refused keystroke the control inserted nothing and its undo buffer still holds the user's
    // previous typing, and Wine asks before it inserts the shortened text. The edit control's
    // subclass undoes the change once the control has finished it.
    if (MessageBoxA(wnd_, "The requested change caused the topic text to exceed the maximum length - Undo?",
                    kAppCaption, MB_ICONWARNING | MB_YESNO) == IDYES)
        view_.takeBackCutChange = true;
}

void tQuilletClient::OnEditNotification(UINT code) {
    switch (code) {
    case EN_KILLFOCUS: saver_.SaveTopics(tSave::unlessHeldBack); break;
    case EN_CHANGE:
        saver_.OnTextChanged();
        TopicsChanged();
        break;
    case EN_MAXTEXT: OnMaxText(); break;
    }
}

bool tQuilletClient::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_SIZE: view_.Layout(); return true;
    case WM_SETFOCUS: SetFocus(view_.Edit()); return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == view_.Tabs() && header->code == TCN_SELCHANGE)
            ShowSelectedTopic();
        return false;
    }
    case WM_COMMAND:
        if (lParam && LOWORD(wParam) == kEditControlId) OnEditNotification(HIWORD(wParam));
        return false;
    case WM_TIMER: saver_.OnTick(); return true;
    case kWriteRefusedMessage: saver_.OnRefusalMessage(); return true;
    case WM_CTLCOLOREDIT:
        result = reinterpret_cast<LRESULT>(view_.Appearance().ColoursFor(reinterpret_cast<HDC>(wParam)));
        return true;
    default:
        if (!findDialog_.IsItsMessage(message)) return false;
        findDialog_.OnRequest(lParam, view_.Edit());
        return true;
    }
}

tQuilletClient* ClientOfWindow(HWND clientWnd) {
    return clientWnd ? reinterpret_cast<tQuilletClient*>(GetWindowLongPtrA(clientWnd, GWLP_USERDATA))
                     : nullptr;
}

LRESULT CALLBACK ClientWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    tQuilletClient* client = ClientOfWindow(wnd);
    if (!client || !client->Ready()) return DefWindowProcA(wnd, message, wParam, lParam);
    return HandleGuarded(
        [&](LRESULT& result) { return client->HandleMessage(message, wParam, lParam, result); },
        [&] { client->AfterMessage(); }, wnd, message, wParam, lParam);
}
