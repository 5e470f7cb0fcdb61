#include "dialogs/topic_name.h"
#include "app/cmdline.h"
#include "app/errors.h"
#include "app/globals.h"
#include "dialogs/help.h"
#include "resources/resource.h"
#include <cstring>
#include <exception>

namespace {

// F1 or a right click over the name field asks for help context 1.
const DWORD kTopicNameHelp[] = {IDC_TOPIC_NAME, 1, 0, 0};

// Kept in the dialog's user data while it runs.
struct tTopicNameDialogData {
    const tExistingTopics* topics;
    // Exceptions may not unwind through the system's dialog code: a failure
    // is kept here and thrown again once the dialog has closed.
    std::exception_ptr failure;
};

tTopicNameDialogData* DataOf(HWND dialog) {
    return reinterpret_cast<tTopicNameDialogData*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

std::string FieldText(HWND field) {
    LRESULT length = SendMessageA(field, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    LRESULT copied = SendMessageA(field, WM_GETTEXT, WPARAM(text.size()),
                                  reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(copied > 0 ? copied : 0));
    return text;
}

void OnOk(HWND dialog) {
    static const tExistingTopics noTopics;
    tTopicNameDialogData* data = DataOf(dialog);
    const tExistingTopics& topics = (data && data->topics) ? *data->topics : noTopics;

    std::string name = FieldText(GetDlgItem(dialog, IDC_TOPIC_NAME));
    // A name of the right length is copied out whether or not it is accepted.
    if (!name.empty() && name.size() <= kMaxTopicNameLength) {
        std::memset(app.topicNameBuffer, 0, sizeof app.topicNameBuffer);
        std::memcpy(app.topicNameBuffer, name.data(), name.size());
    }
    tNameVerdict verdict = CheckTopicName(name, topics);
    if (verdict.problem != tNameProblem::none) {
        MessageBoxA(dialog, TopicNameMessage(verdict).c_str(), kAppCaption, MB_ICONWARNING);
        return;
    }
    Check(EndDialog(dialog, 1) != 0);
}

void OnCancel(HWND dialog) {
    Check(EndDialog(dialog, 0) != 0);
}

INT_PTR OnInitDialog(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
    return TRUE;  // focus to the empty name field
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, lParam);
    case WM_HELP:
        ShowDialogItemHelp(reinterpret_cast<const HELPINFO*>(lParam), kTopicNameHelp);
        return FALSE;
    case WM_CONTEXTMENU:
        ShowDialogContextHelp(reinterpret_cast<HWND>(wParam), kTopicNameHelp);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: OnOk(dialog); return TRUE;
        case IDCANCEL: OnCancel(dialog); return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

bool IsIllegalInTopicName(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte >= 0x80 || std::strchr(".!\\/:", c) != nullptr;
}

tNameVerdict CheckTopicName(const std::string& name, const tExistingTopics& topics) {
    tNameVerdict verdict;
    if (name.size() > kMaxTopicNameLength) {
        verdict.problem = tNameProblem::tooLong;
        return verdict;
    }
    if (name.empty()) {
        verdict.problem = tNameProblem::empty;
        return verdict;
    }
    for (char c : name) {
        if (IsIllegalInTopicName(c)) {
            verdict.problem = tNameProblem::illegalCharacter;
            verdict.character = c;
            return verdict;
        }
    }
    // A topic may be given its own name again, in any letter case.
    if (topics.renaming && SameTextIgnoringCase(name, topics.currentName)) return verdict;
    if (topics.nameExists && topics.nameExists(name)) verdict.problem = tNameProblem::alreadyExists;
    return verdict;
}

std::string TopicNameMessage(const tNameVerdict& verdict) {
    switch (verdict.problem) {
    case tNameProblem::none: return std::string();
    case tNameProblem::tooLong: return "Topic name too long.";
    case tNameProblem::empty: return "Please enter topic name.";
    case tNameProblem::illegalCharacter: {
        std::string text = "' '  is an illegal character in a topic name";
        text[1] = verdict.character;
        return text;
    }
    case tNameProblem::alreadyExists: return "Topic name already exists.";
    }
    return std::string();
}

INT_PTR CALLBACK TopicNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        tTopicNameDialogData* data = DataOf(dialog);
        if (!data) std::terminate();  // nowhere to keep it; cannot happen after WM_INITDIALOG
        if (!data->failure) data->failure = std::current_exception();
        // Closing may be what failed; destroying the window also ends the dialog loop.
        if (!EndDialog(dialog, 0)) DestroyWindow(dialog);
        return TRUE;
    }
}

bool RunTopicNameDialog(HWND owner, const tExistingTopics& topics) {
    tTopicNameDialogData data{&topics, nullptr};
    INT_PTR result = DialogBoxParamA(app.hInstance, MAKEINTRESOURCEA(IDD_TOPIC_NAME), owner,
                                     TopicNameDlgProc, reinterpret_cast<LPARAM>(&data));
    if (data.failure) std::rethrow_exception(data.failure);
    // A dialog that could not be shown is treated like a cancelled one.
    return result == 1;
}
