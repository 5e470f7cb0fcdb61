#include "support/quillet_process.h"
#include <commctrl.h>
#include <cstddef>
#include <functional>
#include <thread>

namespace {

constexpr const char* kFrameClass = "QuilletWndClass";

// The frame of the process, hidden too (it may live in the notification area).
HWND FrameOf(DWORD processId) {
    std::vector<HWND> frames = TopWindows(kFrameClass, processId, true);
    return frames.empty() ? nullptr : frames[0];
}

// Sends a message whose lParam points at memory in the window's process: data
// goes there first and comes back after; fill may point it at itself there.
bool AskThroughMemory(DWORD processId, HWND wnd, UINT message, WPARAM wParam, void* data,
                      size_t size, const std::function<void(char* remote)>& fill = nullptr) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 processId);
    char* remote = process ? static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT,
                                                               PAGE_READWRITE))
                           : nullptr;
    if (remote && fill) fill(remote);
    bool done = remote && WriteProcessMemory(process, remote, data, size, nullptr) &&
                Ask(wnd, message, wParam, reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(process, remote, data, size, nullptr);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process) CloseHandle(process);
    return done;
}

}  // namespace

std::string QuilletExePath() { return QUILLET_EXE; }

tProcess::tProcess(std::string commandLine, const std::string& program) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessA(program.empty() ? nullptr : program.c_str(), &commandLine[0], nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
        info_ = {};
}

tProcess::~tProcess() {
    if (WaitForExit(0) == STILL_ACTIVE) Kill();
    if (info_.hProcess) CloseHandle(info_.hProcess);
    if (info_.hThread) CloseHandle(info_.hThread);
}

DWORD tProcess::WaitForExit(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void tProcess::Kill() {
    if (info_.hProcess && TerminateProcess(info_.hProcess, 99))
        WaitForSingleObject(info_.hProcess, 10000);
}

tQuilletProcess::tQuilletProcess(const std::string& arguments, const std::string& program)
    : tProcess("\"" + (program.empty() ? QuilletExePath() : program) + "\" " + arguments) {}

tQuilletProcess::tQuilletProcess(tRunning, const std::string& captionStart, DWORD timeoutMs) {
    WaitUntil([&] {
        for (HWND frame : TopWindows(kFrameClass, kAnyProcess, true))
            if (CaptionOf(frame).compare(0, captionStart.size(), captionStart) == 0)
                info_.dwProcessId = ProcessOf(frame);
        return info_.dwProcessId != 0;
    }, timeoutMs, 20);
    info_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, info_.dwProcessId);  // none for 0
}

bool tQuilletProcess::WaitForMainWindow(DWORD timeoutMs) {
    bool shown = info_.hProcess && WaitUntil([&] {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) return true;
        if (!(frame_ = FrameOf(info_.dwProcessId))) return false;
        client_ = FindWindowExA(frame_, nullptr, "QuilletClientWndClass", nullptr);
        tabs_ = FindWindowExA(client_, nullptr, WC_TABCONTROLA, nullptr);
        edit_ = GetDlgItem(client_, 1);
        return client_ && tabs_ && edit_ && IsWindowVisible(frame_);
    }, timeoutMs, 50) && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
    if (shown) Sync();
    return shown;
}

void tQuilletProcess::Command(int id) { Ask(frame_, WM_COMMAND, WPARAM(id), 0); }

void tQuilletProcess::PostCommand(int id) { PostMessageA(frame_, WM_COMMAND, WPARAM(id), 0); }

std::shared_ptr<std::atomic<bool>> tQuilletProcess::SendCommand(int id, DWORD limitMs) {
    auto carried = std::make_shared<std::atomic<bool>>(false);
    std::thread([carried, frame = frame_, id, limitMs] {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(frame, WM_COMMAND, WPARAM(id), 0, SMTO_NORMAL, limitMs, &ignored);
        *carried = true;
    }).detach();
    return carried;
}

void tQuilletProcess::Sync() { Ask(frame_, WM_NULL); }

void tQuilletProcess::Settle() {
    // A marker posted behind whatever the program posted itself: once it is
    // handled, so is everything before it. The edit control's modified flag
    // is that marker: nothing else in the program reads or sets it.
    Ask(edit_, EM_SETMODIFY, FALSE, 0);
    PostMessageA(edit_, EM_SETMODIFY, TRUE, 0);
    if (!WaitUntil([&] { return Ask(edit_, EM_GETMODIFY) != 0; }, kAnswerLimitMs, 5))
        ReportFailure("Quillet did not take a posted message");
}

void tQuilletProcess::Type(const std::string& text) {
    for (char c : text) Ask(edit_, WM_CHAR, c == '\n' ? '\r' : WPARAM(BYTE(c)), 0);
}

void tQuilletProcess::PressCtrl(WORD key, bool shift) {
    SetForegroundWindow(frame_);
    std::vector<WORD> down = {VK_CONTROL};
    if (shift) down.push_back(VK_SHIFT);
    down.push_back(key);
    std::vector<INPUT> keys(down.size() * 2);
    for (size_t i = 0; i < down.size(); ++i) {
        keys[i].type = keys[keys.size() - 1 - i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = keys[keys.size() - 1 - i].ki.wVk = down[i];
        keys[keys.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
}

void tQuilletProcess::Insert(const std::string& text) {
    Ask(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string tQuilletProcess::EditText() const { return TextOf(edit_); }

std::vector<std::string> tQuilletProcess::TabNames() const {
    struct tTab {
        TCITEMA item;
        char text[256];
    } tab;
    std::vector<std::string> names;
    int count = int(Ask(tabs_, TCM_GETITEMCOUNT));
    for (int i = 0; i < count; ++i) {
        // The tab texts live in the other process: read them through memory there.
        tab = tTab();
        tab.item.mask = TCIF_TEXT;
        tab.item.cchTextMax = sizeof tab.text;
        AskThroughMemory(id(), tabs_, TCM_GETITEMA, WPARAM(i), &tab, sizeof tab, [&](char* remote) {
            tab.item.pszText = remote + offsetof(tTab, text);
        });
        tab.text[sizeof tab.text - 1] = '\0';
        names.push_back(tab.text);
    }
    return names;
}

int tQuilletProcess::SelectedTab() const { return int(Ask(tabs_, TCM_GETCURSEL)); }

RECT tQuilletProcess::TabRect(int index) const {
    RECT rect = {};  // stays empty when the tab control does not answer
    AskThroughMemory(id(), tabs_, TCM_GETITEMRECT, WPARAM(index), &rect, sizeof rect);
    return rect;
}

std::vector<std::string> ListRows(HWND list, int columns) {
    struct tCell {
        LVITEMA item;
        char text[512];
    } cell;
    std::vector<std::string> rows;
    int count = int(Ask(list, LVM_GETITEMCOUNT));
    for (int row = 0; row < count; ++row) {
        std::string cells;
        for (int column = 0; column < columns; ++column) {
            cell = tCell();
            cell.item.iSubItem = column;
            cell.item.cchTextMax = sizeof cell.text;
            AskThroughMemory(ProcessOf(list), list, LVM_GETITEMTEXTA, WPARAM(row), &cell, sizeof cell,
                             [&](char* remote) { cell.item.pszText = remote + offsetof(tCell, text); });
            cell.text[sizeof cell.text - 1] = '\0';
            cells += (column ? "|" : "") + std::string(cell.text);
        }
        rows.push_back(cells);
    }
    return rows;
}

bool ListRowCentre(HWND list, int row, POINT& centre) {
    Ask(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    if (!AskThroughMemory(ProcessOf(list), list, LVM_GETITEMRECT, WPARAM(row), &rect, sizeof rect))
        return false;
    // The middle of the first column: full-row selection or not, that is the row.
    centre = {rect.left + 10, (rect.top + rect.bottom) / 2};
    return true;
}

bool DoubleClickListRow(HWND list, int row) {
    POINT centre;
    if (!ListRowCentre(list, row, centre)) return false;
    LPARAM at = MAKELPARAM(centre.x, centre.y);
    Ask(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Ask(list, WM_LBUTTONUP, 0, at);
    Ask(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    Ask(list, WM_LBUTTONUP, 0, at);
    return true;
}

std::vector<std::string> tQuilletProcess::ListRows(HWND list, int columns) const {
    return ::ListRows(list, columns);
}

bool tQuilletProcess::ListRowCentre(HWND list, int row, POINT& centre) const {
    return ::ListRowCentre(list, row, centre);
}

bool tQuilletProcess::DoubleClickListRow(HWND list, int row) const { return ::DoubleClickListRow(list, row); }
