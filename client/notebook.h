#pragma once
// The topics of the open note file in tab order, which one is current and the
// last deleted one, with the rules for changing them. No windows and no file:
// the client shows what this decides and writes it to the note file.
#include <string>
#include <utility>
#include <vector>
#include "storage/topic.h"

class tNotebook {
public:
    std::vector<tTopic> topics;

    // A freshly read file: its topics, the first one current. The deleted topic
    // is kept, so Undo Delete can still bring it back into this file.
    void TakeOver(std::vector<tTopic>&& loaded);

    bool Empty() const { return topics.empty(); }
    int CurrentIndex() const { return current_; }
    // Null when there is no current topic (a file without topics).
    tTopic* Current();
    const tTopic* Current() const;
    std::string CurrentName() const;
    // False when index names no topic.
    bool Select(int index);

    // The neighbours of the current topic, wrapping at both ends; -1 when empty.
    int NextIndex() const;
    int PreviousIndex() const;

    // Swaps the current topic with its neighbour, wrapping at both ends, and
    // keeps it current; returns the two indices swapped (from, to).
    std::pair<int, int> MoveLeft();
    std::pair<int, int> MoveRight();

    // Letter case counts only in the ASCII letters, as in element names.
    bool NameExists(const std::string& name) const;

    // Appends a new empty topic; refused when the name exists.
    bool Add(const std::string& name);

    // Whether renaming the current topic to newName renames its stream:
    // element names do not distinguish case, so a change of case does not.
    bool RenameChangesStoredName(const std::string& newName) const;
    // Refused when another topic has the name.
    bool CanRename(const std::string& newName) const;
    bool Rename(const std::string& newName);

    // The last topic is never deleted. The deleted topic waits in the undo
    // slot and the first topic becomes current.
    bool CanDelete() const { return topics.size() > 1; }
    bool Delete();

    bool CanUndoDelete() const { return hasDeleted_; }
    const std::string& DeletedName() const { return deleted_.name; }
    // Appends the deleted topic as the last one and makes the slot empty;
    // refused while a topic of its name exists.
    bool UndoDelete();

private:
    std::pair<int, int> Move(int neighbour);

    int current_ = 0;
    tTopic deleted_;
    bool hasDeleted_ = false;
};
