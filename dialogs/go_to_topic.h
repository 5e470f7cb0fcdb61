#pragma once
// The Go to Topic dialog: a field to type part of a topic's name in and a
// list of the topics that hold it; the chosen topic is made current by the
// caller. With an empty field the list starts with the recently current ones.
#include <windows.h>
#include <string>
#include <vector>

// The topics the dialog offers.
struct tGoToTopicChoices {
    std::vector<std::string> names;  // in tab order
    std::vector<int> recent;         // every index in names: the most recently current first
};

// The list's rows (indices into names) for typed: with nothing typed, every
// topic in recent order; else the names that hold typed without regard to
// letter case, those that start with it first, each group in tab order.
void GoToTopicRows(const tGoToTopicChoices& choices, const std::string& typed, std::vector<int>& rows);

// The row selected when the list is filled: with nothing typed the second
// (the topic before the current one, so that Enter alone goes back to it),
// else the first; -1 for an empty list.
int FirstSelectedRow(const std::string& typed, size_t rowCount);

// Runs the dialog modally over owner. The index in names of the topic chosen,
// or -1 when none was. A failure inside the dialog is thrown again here,
// after the dialog has closed.
int RunGoToTopicDialog(HWND owner, const tGoToTopicChoices& choices);
