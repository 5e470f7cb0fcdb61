#pragma once
// The topics of the open note file in tab order, which one is current, how
// each was last seen, and the last deleted one, with the rules for changing
// them. No windows and no file: the client shows what this decides and writes
// it to the note file.
#include <string>
#include <utility>
#include <vector>
#include "storage/topic.h"

// Where a topic was when it was last left: first visible line and selection;
// which topic it is, whatever its name or place; when it was last made current.
// Never stored in the file.
struct tTopicView {
    int firstVisibleLine = 0;
    int selStart = 0;
    int selEnd = 0;
    unsigned long identity = 0;     // unique in this session
    unsigned long lastCurrent = 0;  // 0: not current yet in this session
};

// What one operation changed in the notebook, for everything that shows or
// keeps the topics to follow; kind none: the notebook refused it.
struct tTopicChange {
    enum class tKind { none, added, renamed, deleted, moved };
    tKind kind = tKind::none;
    std::string name;                       // renamed: the name before; deleted: the name
    int index = -1;                         // added, renamed, deleted: the topic's place
    std::pair<int, int> swapped{-1, -1};    // moved: the two places
    int shown = -1;                         // the topic to show now; -1: the one shown stays
    explicit operator bool() const { return kind != tKind::none; }
};

class tNotebook {
public:
    // A freshly read file: its topics, each seen from the start, the first one
    // current. The deleted topic is kept, so Undo Delete can still bring it back
    // into this file.
    void TakeOver(std::vector<tTopic>&& loaded);

    // The topics in tab order; they change only through the operations below.
    const std::vector<tTopic>& Topics() const { return topics_; }
    size_t Count() const { return topics_.size(); }
    bool Empty() const { return topics_.empty(); }

    int CurrentIndex() const { return current_; }
    // Null when there is no current topic (a file without topics).
    const tTopic* Current() const;
    std::string CurrentName() const;
    // Null when there is no current topic.
    tTopicView* CurrentView();
    // How topic index was last seen; index must name a topic.
    const tTopicView& ViewOf(int index) const { return views_[size_t(index)]; }
    // False when index names no topic.
    bool Select(int index);

    // Typing changed the current topic: it is to be written.
    void CurrentModified();
    // The edit control's text, taken into the current topic.
    void TakeCurrentText(std::string text);
    // The topic at index, or every topic, was written as it is now.
    void Written(size_t index);
    void AllWritten();

    // The topic's identity for this session: it follows the topic through
    // renames and moves, and comes back with Undo Delete; 0 names no topic.
    unsigned long IdentityOf(int index) const;
    // The topic of that identity now, or -1 when it is gone.
    int IndexOf(unsigned long identity) const;
    // Every topic's index: those made current in this session, the most
    // recent first (the current one leads), then the rest in tab order.
    std::vector<int> RecentOrder() const;

    // The neighbours of the current topic, wrapping at both ends; -1 when empty.
    int NextIndex() const;
    int PreviousIndex() const;

    // Swaps the current topic with its neighbour, wrapping at both ends, and
    // keeps it current; the change's two places are (from, to).
    tTopicChange MoveLeft();
    tTopicChange MoveRight();

    // Letter case counts only in the ASCII letters, as in element names.
    bool NameExists(const std::string& name) const;

    // Appends a new empty topic, to be shown; refused when the name exists.
    tTopicChange Add(const std::string& name);

    // Whether renaming the current topic to newName renames its stream:
    // element names do not distinguish case, so a change of case does not.
    bool RenameChangesStoredName(const std::string& newName) const;
    // Refused when another topic has the name.
    bool CanRename(const std::string& newName) const;
    tTopicChange Rename(const std::string& newName);

    // The last topic is never deleted. The deleted topic waits in the undo
    // slot, with how it was seen, and the first topic is to be shown.
    bool CanDelete() const { return topics_.size() > 1; }
    tTopicChange Delete();

    bool CanUndoDelete() const { return hasDeleted_; }
    const std::string& DeletedName() const { return deleted_.name; }
    // Appends the deleted topic as the last one, to be shown, and makes the
    // slot empty; refused while a topic of its name exists.
    tTopicChange UndoDelete();

private:
    tTopicChange Move(int neighbour);
    tTopicChange Appended();
    tTopic* CurrentTopic();
    tTopicView NewView() { return tTopicView{0, 0, 0, ++identities_, 0}; }

    std::vector<tTopic> topics_;
    std::vector<tTopicView> views_;  // one per topic, in the same order
    int current_ = 0;
    tTopic deleted_;
    tTopicView deletedView_;
    bool hasDeleted_ = false;
    unsigned long identities_ = 0;  // the last identity given
    unsigned long selections_ = 0;  // counts the topics made current
};
