#include "support/dialog_answerer.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;   // the static text of a message box
constexpr int kFileNameCombo = 0x47C;    // cmb13: file name of the explorer-style dialog
constexpr int kFileNameEdit = 0x480;     // edt1: file name of the older dialog
constexpr DWORD kPollMs = 20;
constexpr UINT kSendTimeoutMs = 5000;

struct tSearch {
    DWORD process;
    HWND skip;    // the dialog answered last, while it is still shown
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND wnd, LPARAM param) {
    tSearch* search = reinterpret_cast<tSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process != search->process || wnd == search->skip || !IsWindowVisible(wnd)) return TRUE;
    char className[16] = {};
    GetClassNameA(wnd, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0) return TRUE;
    search->found = wnd;
    return FALSE;
}

HWND FindDialog(HWND skip) {
    tSearch search = {GetCurrentProcessId(), skip, nullptr};
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// WM_GETTEXT goes to the thread that shows the dialog, which runs its modal loop.
std::string TextOf(HWND wnd) {
    if (!wnd) return std::string();
    char text[1024] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        kSendTimeoutMs, &result);
    return text;
}

void Send(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wnd, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
}

void Press(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button)
        Send(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

HWND FileNameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, kFileNameCombo);
    return field ? field : GetDlgItem(dialog, kFileNameEdit);
}

}  // namespace

tDialogAnswerer::tDialogAnswerer(std::vector<tDialogAnswer> answers, DWORD timeoutMs)
    : answers_(std::move(answers)), timeoutMs_(timeoutMs), thread_([this] { Run(); }) {}

tDialogAnswerer::~tDialogAnswerer() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    thread_.join();
}

std::vector<tSeenDialog> tDialogAnswerer::Seen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
}

bool tDialogAnswerer::Done() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_.size() == answers_.size();
}

void tDialogAnswerer::Run() {
    HWND last = nullptr;
    size_t next = 0;
    DWORD waitingSince = GetTickCount();
    while (next < answers_.size()) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stop_) return;
        }
        if (GetTickCount() - waitingSince > timeoutMs_) return;
        if (last && (!IsWindow(last) || !IsWindowVisible(last))) last = nullptr;
        HWND dialog = FindDialog(last);
        if (!dialog) {
            Sleep(kPollMs);
            continue;
        }

        tSeenDialog seen;
        seen.caption = TextOf(dialog);
        HWND fileName = FileNameField(dialog);
        seen.fileDialog = fileName != nullptr && GetDlgItem(dialog, kMessageTextId) == nullptr;
        if (!seen.fileDialog) seen.text = TextOf(GetDlgItem(dialog, kMessageTextId));
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen_.push_back(seen);
        }

        const tDialogAnswer& answer = answers_[next++];
        if (seen.fileDialog && !answer.path.empty()) {
            // Once its thread answers, the dialog has filled its own fields.
            Send(dialog, WM_NULL, 0, 0);
            Send(fileName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.path.c_str()));
        }
        if (answer.field != 0)
            Send(GetDlgItem(dialog, answer.field), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(answer.text.c_str()));
        Press(dialog, answer.button);
        last = dialog;
        waitingSince = GetTickCount();
    }
}
