#include "quillet_process.h"
#include <commctrl.h>
#include <cstdio>
#if __has_include(<gtest/gtest.h>)
#include <gtest/gtest.h>
#define QUILLET_REPORT_FAILURE(text) ADD_FAILURE() << (text)
#else  // the benchmarks drive the program with the same code
#define QUILLET_REPORT_FAILURE(text) std::fprintf(stderr, "%s\n", (text).c_str())
#endif

namespace {

constexpr UINT kAnswerLimitMs = 10000;

// Every message to the program is bounded: a program that stops answering
// fails the test instead of hanging it.
LRESULT Ask(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(wnd, message, wParam, lParam, SMTO_NORMAL, kAnswerLimitMs, &result)) {
        char text[96];
        std::snprintf(text, sizeof text, "Quillet did not answer message 0x%X within %u ms",
                      message, kAnswerLimitMs);
        QUILLET_REPORT_FAILURE(std::string(text));
        return 0;
    }
    return LRESULT(result);
}

struct tSearch {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND found;
    int count;
};

BOOL CALLBACK FindTopWindow(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<tSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != search->processId || !IsWindowVisible(wnd)) return TRUE;
    char name[256] = {};
    GetClassNameA(wnd, name, sizeof name);
    if (lstrcmpA(name, search->className) != 0) return TRUE;
    if (search->caption) {
        char caption[512] = {};
        GetWindowTextA(wnd, caption, sizeof caption);
        if (lstrcmpA(caption, search->caption) != 0) return TRUE;
    }
    if (!search->found) search->found = wnd;
    ++search->count;
    return TRUE;
}

// The first (topmost) of the matching windows; count counts them all.
HWND FindVisible(DWORD processId, const char* className, const char* caption, int* count = nullptr) {
    tSearch search = {processId, className, caption, nullptr, 0};
    EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&search));
    if (count) *count = search.count;
    return search.found;
}

// A buffer inside the program, for messages whose data must live there.
class tRemoteBuffer {
public:
    tRemoteBuffer(DWORD processId, SIZE_T size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId)) {
        if (process_)
            at_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~tRemoteBuffer() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    tRemoteBuffer(const tRemoteBuffer&) = delete;
    tRemoteBuffer& operator=(const tRemoteBuffer&) = delete;
    char* at() const { return at_; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        return at_ && WriteProcessMemory(process_, at_ + offset, data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        return at_ && ReadProcessMemory(process_, at_ + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    char* at_ = nullptr;
};

std::string WindowText(HWND wnd) {
    int length = int(Ask(wnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(size_t(length) + 1, '\0');
    LRESULT got = Ask(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(got > 0 && got <= length ? got : 0));
    return text;
}

}  // namespace

std::string QuilletExePath() {
    return QUILLET_EXE;
}

tQuilletProcess::tQuilletProcess(const std::string& arguments, const std::string& program) {
    std::string line = "\"" + (program.empty() ? QuilletExePath() : program) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_))
        info_ = {};
}

tQuilletProcess::tQuilletProcess(tRunning, const std::string& captionStart, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        for (HWND frame = FindWindowExA(nullptr, nullptr, "QuilletWndClass", nullptr); frame;
             frame = FindWindowExA(nullptr, frame, "QuilletWndClass", nullptr)) {
            char caption[512] = {};
            GetWindowTextA(frame, caption, sizeof caption);
            if (std::string(caption).compare(0, captionStart.size(), captionStart) != 0) continue;
            GetWindowThreadProcessId(frame, &info_.dwProcessId);
            info_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, info_.dwProcessId);
            return;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
}

tQuilletProcess::~tQuilletProcess() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) Kill();
        CloseHandle(info_.hProcess);
        if (info_.hThread) CloseHandle(info_.hThread);
    }
}

bool tQuilletProcess::WaitForMainWindow(DWORD timeoutMs) {
    if (!info_.hProcess) return false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        tSearch search = {info_.dwProcessId, "QuilletWndClass", nullptr, nullptr, 0};
        // The frame may be hidden (living in the notification area): search all.
        for (HWND wnd = FindWindowExA(nullptr, nullptr, "QuilletWndClass", nullptr); wnd;
             wnd = FindWindowExA(nullptr, wnd, "QuilletWndClass", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(wnd, &owner);
            if (owner == search.processId) search.found = wnd;
        }
        if (search.found) {
            frame_ = search.found;
            client_ = FindWindowExA(frame_, nullptr, "QuilletClientWndClass", nullptr);
            if (client_) {
                tabs_ = FindWindowExA(client_, nullptr, WC_TABCONTROLA, nullptr);
                edit_ = GetDlgItem(client_, 1);
                if (tabs_ && edit_ && IsWindowVisible(frame_)) {
                    Sync();
                    return true;
                }
            }
        }
        if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0) return false;
    }
    return false;
}

void tQuilletProcess::Command(int id) {
    Ask(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void tQuilletProcess::PostCommand(int id) {
    PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void tQuilletProcess::Sync() {
    Ask(frame_, WM_NULL, 0, 0);
}

void tQuilletProcess::Settle() {
    // A marker posted behind whatever the program posted itself: once it is
    // handled, so is everything before it. The edit control's modified flag
    // is that marker: nothing else in the program reads or sets it.
    Ask(edit_, EM_SETMODIFY, FALSE, 0);
    PostMessageA(edit_, EM_SETMODIFY, TRUE, 0);
    DWORD start = GetTickCount();
    while (!Ask(edit_, EM_GETMODIFY, 0, 0)) {
        if (GetTickCount() - start > kAnswerLimitMs) {
            QUILLET_REPORT_FAILURE(std::string("Quillet did not take a posted message"));
            return;
        }
        Sleep(5);
    }
}

void tQuilletProcess::Type(const std::string& text) {
    for (char c : text) Ask(edit_, WM_CHAR, c == '\n' ? '\r' : WPARAM(BYTE(c)), 0);
}

void tQuilletProcess::Insert(const std::string& text) {
    Ask(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string tQuilletProcess::EditText() const { return WindowText(edit_); }

std::vector<std::string> tQuilletProcess::TabNames() const {
    std::vector<std::string> names;
    // The tab texts live in the other process: read them through a buffer there.
    char text[256] = {};
    tRemoteBuffer remote(info_.dwProcessId, sizeof(TCITEMA) + sizeof text);
    int count = int(Ask(tabs_, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count && remote.at(); ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = remote.at() + sizeof(TCITEMA);
        item.cchTextMax = sizeof text;
        text[0] = '\0';
        remote.Write(0, &item, sizeof item);
        Ask(tabs_, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(remote.at()));
        remote.Read(sizeof(TCITEMA), text, sizeof text);
        text[sizeof text - 1] = '\0';
        names.push_back(text);
    }
    return names;
}

int tQuilletProcess::SelectedTab() const {
    return int(Ask(tabs_, TCM_GETCURSEL, 0, 0));
}

std::vector<std::string> tQuilletProcess::ListRows(HWND list, int columns) const {
    std::vector<std::string> rows;
    char text[512] = {};
    tRemoteBuffer remote(info_.dwProcessId, sizeof(LVITEMA) + sizeof text);
    int count = int(Ask(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count && remote.at(); ++row) {
        std::string cells;
        for (int column = 0; column < columns; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = remote.at() + sizeof(LVITEMA);
            item.cchTextMax = sizeof text;
            text[0] = '\0';
            remote.Write(0, &item, sizeof item);
            Ask(list, LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(remote.at()));
            remote.Read(sizeof(LVITEMA), text, sizeof text);
            text[sizeof text - 1] = '\0';
            cells += (column ? "|" : "") + std::string(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

bool tQuilletProcess::ListRowCentre(HWND list, int row, POINT& centre) const {
    Ask(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    tRemoteBuffer remote(info_.dwProcessId, sizeof rect);
    if (!remote.Write(0, &rect, sizeof rect) ||
        !Ask(list, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(remote.at())) ||
        !remote.Read(0, &rect, sizeof rect))
        return false;
    // The middle of the first column: full-row selection or not, that is the row.
    centre = {rect.left + 10, (rect.top + rect.bottom) / 2};
    return true;
}

bool tQuilletProcess::DoubleClickListRow(HWND list, int row) const {
    POINT centre;
    if (!ListRowCentre(list, row, centre)) return false;
    LPARAM at = MAKELPARAM(centre.x, centre.y);
    Ask(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Ask(list, WM_LBUTTONUP, 0, at);
    Ask(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    Ask(list, WM_LBUTTONUP, 0, at);
    return true;
}

DWORD tQuilletProcess::WaitForExit(DWORD timeoutMs) {
    if (!info_.hProcess) return STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void tQuilletProcess::Kill() {
    if (!info_.hProcess) return;
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
}

bool WaitForDialog(DWORD processId, tForeignDialog& seen, const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        HWND wnd = FindVisible(processId, "#32770", caption);
        if (wnd) {
            seen.wnd = wnd;
            seen.caption = WindowText(wnd);
            HWND text = GetDlgItem(wnd, 0xFFFF);
            seen.text = text ? WindowText(text) : std::string();
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    } while (true);
}

bool WaitForMenu(DWORD processId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if (FindVisible(processId, "#32768", nullptr)) return true;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

int VisibleDialogCount(DWORD processId, const char* caption) {
    int count = 0;
    FindVisible(processId, "#32770", caption, &count);
    return count;
}

void PressButton(const tForeignDialog& dialog, int buttonId) {
    HWND button = GetDlgItem(dialog.wnd, buttonId);
    if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog.wnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    for (int i = 0; i < 500 && IsWindow(dialog.wnd) && IsWindowVisible(dialog.wnd); ++i) Sleep(10);
}

void SetDialogItemText(const tForeignDialog& dialog, int controlId, const std::string& text) {
    HWND item = GetDlgItem(dialog.wnd, controlId);
    Ask(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string DialogItemText(const tForeignDialog& dialog, int controlId) {
    return WindowText(GetDlgItem(dialog.wnd, controlId));
}

void ClickButton(const tForeignDialog& dialog, int buttonId) {
    Ask(GetDlgItem(dialog.wnd, buttonId), BM_CLICK, 0, 0);
}

void ChooseFile(const tForeignDialog& dialog, const std::string& path) {
    HWND name = GetDlgItem(dialog.wnd, 0x47C);  // cmb13
    if (!name) name = GetDlgItem(dialog.wnd, 0x480);  // edt1
    if (!name) {
        QUILLET_REPORT_FAILURE("not a file dialog: " + dialog.caption);
        return;
    }
    Ask(dialog.wnd, WM_NULL, 0, 0);  // the dialog has filled its own fields
    Ask(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PressButton(dialog, IDOK);
}

bool DialogShown(DWORD processId, const char* caption, tForeignDialog& seen) {
    return WaitForDialog(processId, seen, caption, 0);
}

bool NoDialogShown(DWORD processId) {
    return FindVisible(processId, "#32770", nullptr) == nullptr;
}
