#pragma once
// The Topic Name dialog: asks for the name of a new topic or the new name of
// the current one, and refuses names the note file cannot take.
#include <windows.h>
#include <functional>
#include <string>

constexpr size_t kMaxTopicNameLength = 20;

// Why a typed name was refused, in the order the dialog checks.
enum class tNameProblem { none, tooLong, empty, illegalCharacter, alreadyExists };

struct tNameVerdict {
    tNameProblem problem = tNameProblem::none;
    char character = 0;  // the first illegal character, for illegalCharacter
};

// What the dialog needs to know about the topics already in the note file.
struct tExistingTopics {
    bool renaming = false;    // the current topic may get its own name again
    std::string currentName;  // the current topic's name, used while renaming
    std::function<bool(const std::string&)> nameExists;  // empty: no topics to clash with
};

// Control characters, bytes from 0x80 up and . ! \ / : may not be in a name.
bool IsIllegalInTopicName(char c);

// The dialog's checks, in its order, without the window.
tNameVerdict CheckTopicName(const std::string& name, const tExistingTopics& topics);

// The text shown for a refusal; empty for tNameProblem::none.
std::string TopicNameMessage(const tNameVerdict& verdict);

// Dialog procedure of dialog resource 1. Its parameter is the dialog's data
// (see RunTopicNameDialog).
INT_PTR CALLBACK TopicNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally. True when a name was accepted; it is then in name
// (1 to 20 characters). Every OK with a name of that length puts it in name,
// accepted or not. A failure inside the dialog is thrown again here, after the
// dialog has closed.
bool RunTopicNameDialog(HWND owner, const tExistingTopics& topics, std::string& name);
