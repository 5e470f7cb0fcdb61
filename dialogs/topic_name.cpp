#include "dialogs/topic_name.h"
#include "base/callback_failure.h"
#include "base/errors.h"
#include "base/names.h"
#include "base/text.h"
#include "base/window_text.h"
#include "dialogs/help.h"
#include "resources/resource.h"
#include <cstring>

namespace {

// F1 or a right click over the name field asks for help context 1.
const DWORD kTopicNameHelp[] = {IDC_TOPIC_NAME, 1, 0, 0};

// Kept in the dialog's user data while it runs.
struct tTopicNameDialogData {
    const tExistingTopics* topics;
    std::string* name;
    tCallbackFailure failure;
    // Set by OK with a name that passed: the dialog's result alone may not
    // say so (a dialog loop ended by the quit message returns IDOK under Wine).
    bool accepted = false;
};

tTopicNameDialogData* DataOf(HWND dialog) {
    return reinterpret_cast<tTopicNameDialogData*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void OnOk(HWND dialog) {
    static const tExistingTopics noTopics;
    tTopicNameDialogData* data = DataOf(dialog);
    const tExistingTopics& topics = (data && data->topics) ? *data->topics : noTopics;

    std::string name = WindowText(GetDlgItem(dialog, IDC_TOPIC_NAME));
    // A name of the right length is copied out whether or not it is accepted.
    if (!name.empty() && name.size() <= kMaxTopicNameLength) {
        if (data && data->name) *data->name = name;
    }
    tNameVerdict verdict = CheckTopicName(name, topics);
    if (verdict.problem != tNameProblem::none) {
        MessageBoxA(dialog, TopicNameMessage(verdict).c_str(), kAppCaption, MB_ICONWARNING);
        return;
    }
    if (data) data->accepted = true;
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
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, lParam);
    tTopicNameDialogData* data = DataOf(dialog);
    if (!data) return FALSE;  // nothing of ours happens before WM_INITDIALOG
    return data->failure.Run(
        [&] { return Dispatch(dialog, message, wParam, lParam); },
        // Closing may be what failed; destroying the window also ends the dialog loop.
        [&] { if (!EndDialog(dialog, 0)) DestroyWindow(dialog); }, INT_PTR(TRUE));
}

bool RunTopicNameDialog(HWND owner, const tExistingTopics& topics, std::string& name) {
    tTopicNameDialogData data{&topics, &name, {}, false};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TOPIC_NAME), owner,
                                     TopicNameDlgProc, reinterpret_cast<LPARAM>(&data));
    data.failure.Rethrow();
    // A dialog that could not be shown is treated like a cancelled one.
    return result == 1 && data.accepted;
}
