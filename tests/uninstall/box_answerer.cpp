#include "uninstall/box_answerer.h"
#include "uninstall/window_text.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 20;

struct tSearch {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND wnd, LPARAM param) {
    tSearch* search = reinterpret_cast<tSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != search->processId || !IsWindowVisible(wnd) || ClassName(wnd) != "#32770")
        return TRUE;
    char caption[256] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    if (*search->caption != caption) return TRUE;
    search->found = wnd;
    return FALSE;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
    if (ClassName(child) == "Static" &&
        (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
        *reinterpret_cast<HICON*>(param) = reinterpret_cast<HICON>(icon);
        return FALSE;
    }
    return TRUE;
}

tSeenBox Describe(HWND box) {
    tSeenBox seen;
    seen.text = TextOf(GetDlgItem(box, kMessageTextId));
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen.icon));
    // Unused buttons are removed from a message box, not just hidden.
    HWND cancel = GetDlgItem(box, IDCANCEL);
    seen.hasCancel = cancel && IsWindowVisible(cancel);
    return seen;
}

}  // namespace

tBoxAnswerer::tBoxAnswerer(DWORD processId, const char* caption, tDecide decide)
    : processId_(processId), caption_(caption), decide_(std::move(decide)),
      thread_([this] { Run(); }) {}

tBoxAnswerer::~tBoxAnswerer() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    thread_.join();
}

std::vector<tSeenBox> tBoxAnswerer::Seen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
}

bool tBoxAnswerer::WaitForCount(size_t count, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    while (Seen().size() < count) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

HWND tBoxAnswerer::FindBox() const {
    tSearch search{processId_, &caption_, nullptr};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void tBoxAnswerer::Run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stop_) return;
        }
        HWND box = FindBox();
        if (!box) {
            Sleep(kPollMs);
            continue;
        }
        // Answered once the box's thread has finished setting it up.
        DWORD_PTR ready = 0;
        SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ready);
        tSeenBox seen = Describe(box);
        size_t index = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            index = seen_.size();
        }
        int button = decide_(seen, index);
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen_.push_back(seen);
        }
        // A button the box lacks still closes it, as Escape would.
        DWORD_PTR result = 0;
        if (HWND pressed = GetDlgItem(box, button))
            SendMessageTimeoutA(pressed, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        else
            SendMessageTimeoutA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0,
                                SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        // The same window must not be answered twice.
        DWORD start = GetTickCount();
        while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < kSendTimeoutMs)
            Sleep(kPollMs);
    }
}
