#include "support/dialog_answerer.h"

namespace {

BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
    LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if (ClassOf(child) != "Static" || (style & SS_TYPEMASK) != SS_ICON) return TRUE;
    *reinterpret_cast<HICON*>(param) = reinterpret_cast<HICON>(Ask(child, STM_GETICON));
    return FALSE;
}

tSeenDialog Describe(HWND dialog) {
    tSeenDialog seen;
    seen.caption = TextOf(dialog);
    seen.text = MessageText(dialog);
    seen.fileDialog = FileNameField(dialog) != nullptr;
    EnumChildWindows(dialog, FindIcon, reinterpret_cast<LPARAM>(&seen.icon));
    // A message box removes the buttons it does not use, rather than hiding them.
    seen.hasCancel = Shown(GetDlgItem(dialog, IDCANCEL));
    seen.owner = GetWindow(dialog, GW_OWNER);
    return seen;
}

}  // namespace

tDialogAnswerer::tDialogAnswerer(std::vector<tDialogAnswer> answers, DWORD timeoutMs)
    : processId_(GetCurrentProcessId()), answers_(std::move(answers)), idleMs_(timeoutMs),
      thread_([this] { Run(); }) {}

tDialogAnswerer::tDialogAnswerer(DWORD processId, const char* caption, tDecide decide)
    : processId_(processId), caption_(caption), decide_(std::move(decide)),
      thread_([this] { Run(); }) {}

tDialogAnswerer::~tDialogAnswerer() {
    stop_ = true;
    thread_.join();
}

std::vector<tSeenDialog> tDialogAnswerer::Seen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
}

void tDialogAnswerer::Run() {
    HWND last = nullptr;  // answered, but maybe still shown: not answered twice
    for (size_t index = 0; decide_ || index < answers_.size(); ++index) {
        HWND dialog = nullptr;
        bool found = WaitUntil([&] {
            if (!Shown(last)) last = nullptr;
            for (HWND wnd : TopWindows("#32770", processId_))
                if (wnd != last && (caption_.empty() || CaptionOf(wnd) == caption_)) {
                    dialog = wnd;
                    return true;
                }
            return stop_.load();
        }, idleMs_, 20);
        if (!found || stop_) return;
        Ask(dialog, WM_NULL);  // its thread has finished setting it up
        tSeenDialog seen = Describe(dialog);
        tDialogAnswer answer =
            decide_ ? tDialogAnswer::Button(decide_(seen, index)) : answers_[index];
        {
            std::lock_guard<std::mutex> guard(lock_);
            seen_.push_back(seen);
        }
        if (answer.field != 0) SetDialogItemText(dialog, answer.field, answer.text);
        if (!answer.path.empty())
            ChooseFile(dialog, answer.path);
        else
            Click(dialog, answer.button);
        last = dialog;
    }
}
