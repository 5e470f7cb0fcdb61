#include "support/window_driver.h"
#include <cstdio>

namespace {

void (*gReport)(const std::string&) = nullptr;
DWORD gReportingThread = 0;

constexpr int kMessageTextId = 0xFFFF;
constexpr int kFileNameCombo = 0x47C;  // cmb13: the explorer-style file dialog's name
constexpr int kFileNameEdit = 0x480;   // edt1: the older file dialog's name

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs) {
    for (DWORD start = GetTickCount();; Sleep(pollMs)) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
    }
}

void SetFailureReporter(void (*report)(const std::string&)) {
    gReport = report;
    gReportingThread = GetCurrentThreadId();
}

void ReportFailure(const std::string& what) {
    if (gReport && GetCurrentThreadId() == gReportingThread) return gReport(what);
    std::fprintf(stderr, "%s\n", what.c_str());
}

LRESULT Ask(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(wnd, message, wParam, lParam, SMTO_NORMAL, kAnswerLimitMs, &result))
        return LRESULT(result);
    ReportFailure("no answer to message " + std::to_string(message) + " within 10 s");
    return 0;
}

bool Shown(HWND wnd) { return wnd && IsWindow(wnd) && IsWindowVisible(wnd); }

bool WaitUntilClosed(HWND wnd, DWORD timeoutMs) {
    return WaitUntil([wnd] { return !Shown(wnd); }, timeoutMs);
}

bool StaysOpen(HWND wnd) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerLimitMs, &ignored) &&
           Shown(wnd);
}

std::string ClassOf(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND wnd) {
    if (!wnd) return std::string();
    int length = int(Ask(wnd, WM_GETTEXTLENGTH));
    std::string text(size_t(length) + 1, '\0');
    LRESULT got = Ask(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(got > 0 && got <= length ? got : 0));
    return text;
}

std::string CaptionOf(HWND wnd) {
    char caption[512] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    return caption;
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? TextOf(item) : std::string("<no control>");
}

std::string MessageText(HWND box) { return TextOf(GetDlgItem(box, kMessageTextId)); }

void SetDialogItemText(HWND dialog, int id, const std::string& text) {
    Ask(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

DWORD ProcessOf(HWND wnd) {
    DWORD processId = 0;
    GetWindowThreadProcessId(wnd, &processId);
    return processId;
}

std::vector<HWND> TopWindows(const char* className, DWORD processId, bool hiddenToo) {
    std::vector<HWND> found;
    for (HWND wnd = FindWindowExA(nullptr, nullptr, className, nullptr); wnd;
         wnd = FindWindowExA(nullptr, wnd, className, nullptr))
        if ((processId == kAnyProcess || ProcessOf(wnd) == processId) &&
            (hiddenToo || IsWindowVisible(wnd)))
            found.push_back(wnd);
    return found;
}

std::vector<HWND> Dialogs(DWORD processId, const char* caption) {
    std::vector<HWND> dialogs;
    for (HWND wnd : TopWindows("#32770", processId))
        if (!caption || CaptionOf(wnd) == caption) dialogs.push_back(wnd);
    return dialogs;
}

bool DialogShown(DWORD processId, const char* caption, tForeignDialog& seen) {
    std::vector<HWND> dialogs = Dialogs(processId, caption);
    if (dialogs.empty()) return false;
    seen.wnd = dialogs[0];
    seen.caption = CaptionOf(seen.wnd);
    seen.text = MessageText(seen.wnd);
    return true;
}

bool WaitForDialog(DWORD processId, tForeignDialog& seen, const char* caption, DWORD timeoutMs) {
    return WaitUntil([&] { return DialogShown(processId, caption, seen); }, timeoutMs, 20);
}

bool WaitForMenu(DWORD processId, DWORD timeoutMs) {
    return WaitUntil([&] { return !TopWindows("#32768", processId).empty(); }, timeoutMs, 20);
}

void Click(HWND dialog, int id) {
    if (HWND button = GetDlgItem(dialog, id))
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

bool PressButton(HWND dialog, int id) {
    Click(dialog, id);
    return WaitUntilClosed(dialog, 10000);
}

HWND FileNameField(HWND dialog) {
    HWND name = GetDlgItem(dialog, kFileNameCombo);
    if (!name) name = GetDlgItem(dialog, kFileNameEdit);
    return GetDlgItem(dialog, kMessageTextId) ? nullptr : name;
}

bool ChooseFile(HWND dialog, const std::string& path) {
    HWND name = FileNameField(dialog);
    if (!name) {
        ReportFailure("not a file dialog: " + TextOf(dialog));
        return false;
    }
    Ask(dialog, WM_NULL);  // the dialog has filled its own fields
    Ask(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return PressButton(dialog, IDOK);
}
