#include "app/frame.h"
#include "app/globals.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/settings.h"
#include "client/client.h"
#include "client/guard.h"
#include "dialogs/about.h"
#include "dialogs/help.h"
#include "dialogs/note_file_dialog.h"
#include "dialogs/options.h"
#include "print/print_job.h"
#include "resources/resource.h"
#include "storage/notefile.h"
#include <commctrl.h>

namespace {

void CreateToolbar(tQuilletWindow& window) {
    TBBUTTON own[7] = {};
    const int ownImages[7] = {-1, 0, 1, -1, 2, 3, -1};
    const int ownCommands[7] = {0, CM_TOPIC_ADD, CM_TOPIC_DELETE, 0, CM_TOPIC_MOVE_LEFT,
                                CM_TOPIC_MOVE_RIGHT, 0};
    for (int i = 0; i < 7; ++i) {
        own[i].iBitmap = ownImages[i] < 0 ? 0 : ownImages[i];
        own[i].idCommand = ownCommands[i];
        own[i].fsState = TBSTATE_ENABLED;
        own[i].fsStyle = ownImages[i] < 0 ? TBSTYLE_SEP : TBSTYLE_BUTTON;
    }
    window.toolbar = CreateToolbarEx(window.hwnd,
                                     WS_CHILD | WS_VISIBLE | CCS_TOP | CCS_NODIVIDER |
                                         TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE,
                                     2, 4, app.hInstance, IDB_TOOLBAR, own, 7, 16, 16, 0, 0,
                                     sizeof(TBBUTTON));
    Check(window.toolbar != nullptr);

    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    LRESULT first = SendMessageA(window.toolbar, TB_ADDBITMAP, 15,
                                 reinterpret_cast<LPARAM>(&standard));
    Check(first != -1);
    const int b = int(first);
    struct { int image; int command; BYTE style; } more[11] = {
        {b + STD_PRINT, CM_PRINT, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_CUT, CM_EDIT_CUT, TBSTYLE_BUTTON}, {b + STD_COPY, CM_EDIT_COPY, TBSTYLE_BUTTON},
        {b + STD_PASTE, CM_EDIT_PASTE, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_UNDO, CM_EDIT_UNDO, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_DELETE, CM_EDIT_DELETE, TBSTYLE_BUTTON}, {0, 0, TBSTYLE_SEP},
        {b + STD_HELP, CM_CONTEXT_HELP, TBSTYLE_CHECK},
    };
    TBBUTTON buttons[11] = {};
    for (int i = 0; i < 11; ++i) {
        buttons[i].iBitmap = more[i].image;
        buttons[i].idCommand = more[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = more[i].style;
    }
    SendMessageA(window.toolbar, TB_ADDBUTTONSA, 11, reinterpret_cast<LPARAM>(buttons));
}

}  // namespace

tQuilletWindow::tQuilletWindow(HWND frame) : hwnd(frame) {
    CreateToolbar(*this);

    printDlg.lStructSize = sizeof printDlg;
    printDlg.hwndOwner = hwnd;
    printDlg.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg.nCopies = 1;
    pageSetupDlg.lStructSize = sizeof pageSetupDlg;
    pageSetupDlg.hwndOwner = hwnd;
    pageSetupDlg.Flags = PSD_MARGINS;
    pageSetupDlg.rtMargin.left = LONG(GetConfigDword(kPrinting, "LeftMargin", 0));
    pageSetupDlg.rtMargin.top = LONG(GetConfigDword(kPrinting, "TopMargin", 0));
    pageSetupDlg.rtMargin.right = LONG(GetConfigDword(kPrinting, "RightMargin", 0));
    pageSetupDlg.rtMargin.bottom = LONG(GetConfigDword(kPrinting, "BottomMargin", 0));

    taskbarMenu.reset(LoadMenuA(app.hInstance, "TASKBAR_MENU"));
    Check(bool(taskbarMenu));
    taskbarPopup = GetSubMenu(taskbarMenu.get(), 0);
    Check(taskbarPopup != nullptr);
}

tQuilletWindow::~tQuilletWindow() {
    // A placement that cannot be stored is not worth ending the program over.
    try {
        SavePlacement(*this);
    } catch (...) {
    }
}

void SavePlacement(tQuilletWindow& window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window.hwnd, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    SetConfigDword(kConfig, "XPos", DWORD(r.left));
    SetConfigDword(kConfig, "YPos", DWORD(r.top));
    SetConfigDword(kConfig, "Width", DWORD(r.right - r.left));
    SetConfigDword(kConfig, "Height", DWORD(r.bottom - r.top));
}

std::string FileTitleOf(const std::string& path) {
    char title[kPathBufferSize] = {};
    if (GetFileTitleA(path.c_str(), title, kPathBufferSize) == 0) return title;
    // The system refuses some names it opens without complaint (brackets,
    // for one): the last part of the path stands in.
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SetFileTitle(tQuilletWindow& window, const std::string& path) {
    app.titleText = FileTitleOf(path) + " - Quillet";
    SetWindowTextA(window.hwnd, app.titleText.c_str());
    if (app.client) app.client->SetTitle(app.titleText);
}

void tQuilletWindow::Print() {
    printDlg.Flags = PD_RETURNDC | PD_NOPAGENUMS;
    printDlg.nCopies = 1;
    // The dialog may free and replace the printer settings it is given.
    printDlg.hDevMode = devMode.release();
    printDlg.hDevNames = devNames.release();
    printDlg.hDC = nullptr;
    BOOL chosen = PrintDlgA(&printDlg);
    devMode.reset(printDlg.hDevMode);
    devNames.reset(printDlg.hDevNames);
    printDlg.hDevMode = nullptr;
    printDlg.hDevNames = nullptr;
    tDC printer(printDlg.hDC);
    printDlg.hDC = nullptr;
    if (!chosen || !printer || !app.client) return;

    const int dpiX = GetDeviceCaps(printer.get(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(printer.get(), LOGPIXELSY);
    RECT margins = MarginsInPixels(pageSetupDlg.rtMargin, pageSetupDlg.Flags, LocaleIsMetric(),
                                   dpiX, dpiY);
    // Otherwise the text would come out a character or two a line over
    // page after page.
    if (!MarginsLeaveRoom(GetDeviceCaps(printer.get(), HORZRES),
                          GetDeviceCaps(printer.get(), VERTRES), margins, dpiX, dpiY)) {
        MessageBoxA(hwnd, kMarginsTooLarge, kPrintTerminatedCaption, MB_ICONWARNING);
        return;
    }
    tPrintRequest request = RequestFromDialog(printDlg);
    bool printed;
    {
        struct tPrinting {
            tPrinting() { app.printing = true; }
            ~tPrinting() { app.printing = false; }
        } printing;
        printed = app.client->PrintTopics(printer.get(), request.copies, request.collate,
                                          request.selectionOnly, margins, app.titleText);
    }
    if (app.endAfterPrinting) {
        // The job was cancelled for Shut Down: carry it out now.
        app.endAfterPrinting = false;
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(CM_SHUTDOWN, 0), 0);
        return;
    }
    if (!printed) {
        DWORD code = GetLastError();
        MessageBoxA(hwnd, PrintErrorText(code, PrintBox().cancelled), kPrintTerminatedCaption,
                    MB_ICONWARNING);
    }
}

void tQuilletWindow::PageSetup() {
    pageSetupDlg.hDevMode = devMode.release();
    pageSetupDlg.hDevNames = devNames.release();
    PageSetupDlgA(&pageSetupDlg);
    devMode.reset(pageSetupDlg.hDevMode);
    devNames.reset(pageSetupDlg.hDevNames);
    pageSetupDlg.hDevMode = nullptr;
    pageSetupDlg.hDevNames = nullptr;
    // Stored as the dialog gives them, also after a cancel (then unchanged).
    SetConfigDword(kPrinting, "TopMargin", DWORD(pageSetupDlg.rtMargin.top));
    SetConfigDword(kPrinting, "BottomMargin", DWORD(pageSetupDlg.rtMargin.bottom));
    SetConfigDword(kPrinting, "LeftMargin", DWORD(pageSetupDlg.rtMargin.left));
    SetConfigDword(kPrinting, "RightMargin", DWORD(pageSetupDlg.rtMargin.right));
}

bool OpenFileInClient(tQuilletClient& client, const std::string& path, bool isDefault) {
    // The open file's changes must be on disk before another file replaces it.
    if (!client.FlushChanges()) {
        client.reportPending = false;
        client.ReportWriteRefused();
        return false;
    }
    std::string opened = path;
    tNoteFile file;
    if (!OpenNoteFileFor(app.frameWnd, opened, isDefault, client.Appearance(), file)) return false;
    client.TakeOver(std::move(file));
    app.filePath = opened;
    app.isDefaultFile = isDefault;
    return true;
}

bool OpenNoteFileFor(HWND owner, std::string& path, bool& isDefault,
                     const tAppearanceRecord& current, tNoteFile& file) {
    for (;;) {
        switch (OpenNoteFile(path, current, file)) {
        case tReadResult::read:
            return true;
        case tReadResult::unusable: {
            std::string message =
                path + " is not a Quillet file, is already open, or cannot be accessed.";
            MessageBoxA(app.frameWnd, message.c_str(), kAppCaption, MB_ICONHAND);
            return false;
        }
        case tReadResult::notFound:
            break;
        }
        bool create = true;
        if (isDefault && app.notFirstRun) {
            std::string question = "Do you want to create default file " + path;
            create = MessageBoxA(owner, question.c_str(), kAppCaption,
                                 MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
        }
        if (!create) {
            std::string chosen;
            switch (AskForNoteFile(owner, "Select existing or new file to open/create:",
                                   OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "", chosen)) {
            case tFileDialogResult::failed:
                ShowFileNewError(owner);
                return false;
            case tFileDialogResult::cancelled:
                return false;
            case tFileDialogResult::chosen:
                path = chosen;
                isDefault = false;
                SetConfigString(kConfig, "DefaultFile", "");
                continue;  // the chosen file may not exist either: it is then created
            }
        }
        if (!CreateNoteFile(path, current, file)) {
            std::string message = "Failed to open file: " + path;
            MessageBoxA(nullptr, message.c_str(), kAppCaption, MB_ICONHAND);
            return false;
        }
        return true;
    }
}

void CheckHelpButton(tQuilletWindow& window, bool on) {
    if (window.toolbar) SendMessageA(window.toolbar, TB_CHECKBUTTON, CM_CONTEXT_HELP, MAKELONG(on, 0));
}

namespace {

LRESULT OnCreate(HWND wnd) {
    app.window = std::make_unique<tQuilletWindow>(wnd);
    return 0;
}

void OnDestroy() {
    DeleteClient(app.clientWnd);
    app.client = nullptr;
    app.window.reset();
    PostQuitMessage(0);
}

void OnSize(int width, int height) {
    int toolbarHeight = 0;
    if (app.window && app.window->toolbar) {
        SendMessageA(app.window->toolbar, TB_AUTOSIZE, 0, 0);
        RECT r;
        Check(GetWindowRect(app.window->toolbar, &r) != 0);
        toolbarHeight = r.bottom - r.top;
    }
    if (!app.clientWnd) return;
    // The client gets one pixel more than the space below the toolbar.
    WORD clientHeight = WORD(height - toolbarHeight + 1);
    Check(MoveWindow(app.clientWnd, 0, toolbarHeight, width, clientHeight, TRUE) != 0);
}

// Ends the program, unless a print job runs: its "Print" box and the pages
// still to come belong to the frame, so the job is cancelled first and the
// program ends when it has stopped.
void ShutDown(HWND wnd) {
    if (app.printing) {
        app.endAfterPrinting = true;
        if (HWND box = PrintBox().box) SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    Check(DestroyWindow(wnd) != 0);
}

void OnClose(HWND wnd) {
    if (app.noTray)
        ShutDown(wnd);
    else
        ShowWindow(wnd, SW_HIDE);
}

void OnEndSession() {
    if (app.window) SavePlacement(*app.window);
    if (app.client) app.client->FlushOrRescue();
}

const char* ToolTipText(UINT_PTR id) {
    switch (id) {
    case CM_TOPIC_ADD: return "Add new topic";
    case CM_TOPIC_DELETE: return "Delete current topic";
    case CM_EDIT_CUT: return "Cut";
    case CM_EDIT_COPY: return "Copy";
    case CM_EDIT_PASTE: return "Paste";
    case CM_EDIT_UNDO: return "Undo";
    case CM_EDIT_DELETE: return "Delete";
    case CM_TOPIC_MOVE_LEFT: return "Move current topic left";
    case CM_TOPIC_MOVE_RIGHT: return "Move current topic right";
    case CM_PRINT: return "Print";
    case CM_CONTEXT_HELP: return "Help on ...";
    default: return "";
    }
}

// True when the notification was answered in result.
bool OnNotify(NMHDR* header, LRESULT& result) {
    if (!header) return false;  // a notification without data is no one's
    if (header->code == TTN_NEEDTEXTA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        lstrcpynA(info->szText, ToolTipText(header->idFrom), sizeof info->szText);
        return false;
    }
    if (header->code != NM_CUSTOMDRAW || !app.window || header->hwndFrom != app.window->toolbar)
        return false;
    // The toolbar asks before it erases (TBSTYLE_CUSTOMERASE): its background gets the button
    // face here. Wine's toolbar would leave it unpainted, and the frame erases nothing.
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    result = CDRF_DODEFAULT;
    if (draw->dwDrawStage == CDDS_PREERASE) {
        RECT area;
        GetClientRect(header->hwndFrom, &area);
        FillRect(draw->hdc, &area, GetSysColorBrush(COLOR_BTNFACE));
        result = CDRF_SKIPDEFAULT;
    }
    return true;
}

void OnInitMenuPopup(HMENU menu, int position) {
    tQuilletClient* client = app.client;
    if (!client) return;
    switch (position) {
    case 0:
        if (menu != (app.window ? app.window->taskbarPopup : nullptr) && menu != client->editMenu &&
            menu != client->urlMenu)
            client->UpdateFileMenu(menu);
        break;
    case 1: client->PrepareEditMenu(menu); break;
    case 2: client->PrepareTopicMenu(menu); break;
    }
}

void OnTrayCallback(HWND wnd, UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
        ShowWindow(wnd, SW_SHOWNORMAL);
        SetForegroundWindow(wnd);
        break;
    case WM_RBUTTONUP: {
        POINT at;
        GetCursorPos(&at);
        SetForegroundWindow(wnd);
        if (app.window)
            TrackPopupMenu(app.window->taskbarPopup, TPM_RIGHTBUTTON, at.x, at.y, 0, wnd, nullptr);
        PostMessageA(wnd, WM_TRAY_MENU_DONE, 0, 0);
        break;
    }
    }
}

// File Open and File New: another note file, keeping the old one when the new
// one cannot be used.
void OpenOtherFile(HWND wnd, bool create) {
    std::string path;
    DWORD flags = create ? OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
                         : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    const char* title = create ? kNewFileDialogTitle : nullptr;
    tFileDialogResult result = AskForNoteFile(wnd, title, flags, std::string(), path);
    if (result != tFileDialogResult::chosen) {
        if (result == tFileDialogResult::failed) {
            if (create)
                ShowFileNewError(wnd);
            else
                MessageBoxA(wnd, "Error with file open", kAppCaption, MB_ICONERROR);
        }
        return;
    }
    tQuilletClient* client = app.client;
    if (!client || !OpenFileInClient(*client, path, false)) return;
    client->PresentFile();
    if (app.window) SetFileTitle(*app.window, app.filePath);
    client->UpdateTrayIcon(false);
}

// The Options sheet changes the client's settings and the program's own.
class tOptionsOfProgram : public tOptionsOwner {
public:
    explicit tOptionsOfProgram(tQuilletClient& client) : client_(client) {}
    bool AutoWrap() const override { return client_.autoWrap; }
    void SetAutoWrap(bool wrap) override { client_.SetAutoWrap(wrap); }
    void ChooseTextFont(HWND page) override { client_.ChooseTextFont(page); }
    void ChooseBackgroundColour(HWND page) override { client_.ChooseBackgroundColour(page); }
    void ChooseTextColour(HWND page) override { client_.ChooseTextColour(page); }
    void ChooseTabFont(HWND page) override { client_.ChooseTabFont(page); }
    bool IsDefaultFile() const override { return app.isDefaultFile; }
    void SetDefaultFile(bool on) override {
        bool wasDefault = app.isDefaultFile;
        app.isDefaultFile = on;
        if (on)
            SetConfigString(kConfig, "DefaultFile", app.filePath.c_str());
        else if (wasDefault)
            SetConfigString(kConfig, "DefaultFile", "");
    }
    bool LaptopMode() const override { return client_.laptopMode; }
    unsigned LaptopSavePeriod() const override { return client_.laptopSavePeriod; }
    void SetLaptopOptions(bool mode, unsigned period) override {
        client_.SetLaptopOptions(mode, period);
    }
    bool SmartContextMenus() const override { return client_.useSmartContextMenus; }
    void SetSmartContextMenus(bool on) override { client_.SetSmartContextMenus(on); }
    bool RunAtStartup() const override { return app.runAtStartup; }
    void SetRunAtStartup(bool on) override {
        app.runAtStartup = on;
        if (on)
            SetRunValue(app.programPath);
        else
            DeleteRunValue();
    }

private:
    tQuilletClient& client_;
};

void ShowOptions(tQuilletClient& client) {
    tOptionsOfProgram options(client);
    RunOptionsSheet(client.wnd, options);
}

void SetHelpMode(bool on) {
    app.helpMode = on;
    if (app.window) CheckHelpButton(*app.window, on);
    if (on) {
        if (app.helpCursor) SetCursor(app.helpCursor);
    } else {
        SetCursor(app.arrowCursor);
    }
}

// Commands the client carries out; false when the id is not one of them.
bool ClientCommand(tQuilletClient& client, int id) {
    switch (id) {
    case CM_TOPIC_ADD: client.AddTopic(); return true;
    case CM_TOPIC_DELETE: client.DeleteTopic(); return true;
    case CM_TOPIC_RENAME: client.RenameTopic(); return true;
    case CM_TOPIC_NEXT: client.NextTopic(); return true;
    case CM_TOPIC_PREVIOUS: client.PreviousTopic(); return true;
    case CM_TOPIC_MOVE_LEFT: client.MoveTopicLeft(); return true;
    case CM_TOPIC_MOVE_RIGHT: client.MoveTopicRight(); return true;
    case CM_TOPIC_UNDO_DELETE: client.UndoDeleteTopic(); return true;
    case CM_SAVE: client.SaveTopics(true); return true;
    case CM_EDIT_UNDO: client.Undo(); return true;
    case CM_EDIT_CUT: client.Cut(); return true;
    case CM_EDIT_COPY: client.Copy(); return true;
    case CM_EDIT_PASTE: client.Paste(); return true;
    case CM_EDIT_DELETE: client.Clear(); return true;
    case CM_EDIT_SELECT_ALL: client.SelectAll(); return true;
    case CM_FIND: client.ShowFindDialog(); return true;
    case CM_FIND_NEXT: client.FindNext(); return true;
    case CM_REPLACE: client.ShowReplaceDialog(); return true;
    case CM_FIND_ALL: client.ShowFindAllDialog(); return true;
    case CM_OPEN_URL: client.OpenUrl(); return true;
    case CM_OPTIONS: ShowOptions(client); return true;
    default: return false;
    }
}

// Returns true when the command was carried out.
bool OnCommand(HWND wnd, int id) {
    if (app.helpMode && id != CM_CONTEXT_HELP) {
        ShowCommandHelp(wnd, id);
        SetHelpMode(false);
        return false;
    }
    switch (id) {
    case CM_SHUTDOWN: ShutDown(wnd); return true;
    case CM_FILE_CLOSE: SendMessageA(wnd, WM_CLOSE, 0, 0); return true;
    case CM_TRAY_OPEN: ShowWindow(wnd, SW_SHOWNORMAL); return true;
    case CM_FILE_OPEN: OpenOtherFile(wnd, false); return true;
    case CM_FILE_NEW: OpenOtherFile(wnd, true); return true;
    case CM_HELP_TOPICS: ShowHelpContents(wnd); return true;
    case CM_ABOUT: ShowAboutBox(wnd); return true;
    case CM_CONTEXT_HELP: SetHelpMode(!app.helpMode); return true;
    case CM_PRINT: if (app.window) app.window->Print(); return true;
    case CM_PAGE_SETUP: if (app.window) app.window->PageSetup(); return true;
    case CM_ESCAPE:
        if (!app.helpMode) return false;
        SetHelpMode(false);
        return true;
    default:
        return app.client && ClientCommand(*app.client, id);
    }
}

// Handles one message; false sends it on to the default procedure.
bool Dispatch(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE: result = OnCreate(wnd); return true;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return true;
    case WM_SETFOCUS: SetFocus(app.clientWnd); return true;
    case WM_CLOSE: OnClose(wnd); return true;
    case WM_ENDSESSION: OnEndSession(); return true;
    case WM_SETCURSOR:
        if (!app.helpMode) return false;
        if (app.helpCursor) SetCursor(app.helpCursor);
        result = TRUE;
        return true;
    case WM_ERASEBKGND: result = 1; return true;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_COMMAND: return OnCommand(wnd, LOWORD(wParam));
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) != 0 || LOWORD(lParam) > 2) return false;
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
        return true;
    case WM_TRAY_CALLBACK: OnTrayCallback(wnd, UINT(lParam)); return true;
    default:
        // The taskbar was (re)started: the notification-area icon must be added again.
        if (message == TaskbarCreatedMessage() && app.client) app.client->UpdateTrayIcon(true);
        return false;
    }
}

}  // namespace

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleGuarded(Dispatch, app.clientWnd, wnd, message, wParam, lParam);
}
