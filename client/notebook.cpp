#include "client/notebook.h"
#include "base/text.h"
#include <algorithm>

void tNotebook::TakeOver(std::vector<tTopic>&& loaded) {
    topics_ = std::move(loaded);
    views_.clear();
    views_.reserve(topics_.size());
    for (size_t i = 0; i < topics_.size(); ++i) views_.push_back(NewView());
    current_ = 0;
}

tTopic* tNotebook::CurrentTopic() {
    if (current_ < 0 || size_t(current_) >= topics_.size()) return nullptr;
    return &topics_[size_t(current_)];
}

const tTopic* tNotebook::Current() const {
    return const_cast<tNotebook*>(this)->CurrentTopic();
}

std::string tNotebook::CurrentName() const {
    const tTopic* topic = Current();
    return topic ? topic->name : std::string();
}

void tNotebook::CurrentModified() {
    if (tTopic* topic = CurrentTopic()) topic->modified = true;
}

void tNotebook::TakeCurrentText(std::string text) {
    if (tTopic* topic = CurrentTopic()) topic->text = std::move(text);
}

void tNotebook::Written(size_t index) {
    if (index < topics_.size()) topics_[index].modified = false;
}

void tNotebook::AllWritten() {
    for (tTopic& topic : topics_) topic.modified = false;
}

tTopicView* tNotebook::CurrentView() {
    return Current() ? &views_[size_t(current_)] : nullptr;
}

bool tNotebook::Select(int index) {
    if (index < 0 || size_t(index) >= topics_.size()) return false;
    current_ = index;
    views_[size_t(index)].lastCurrent = ++selections_;
    return true;
}

unsigned long tNotebook::IdentityOf(int index) const {
    if (index < 0 || size_t(index) >= views_.size()) return 0;
    return views_[size_t(index)].identity;
}

int tNotebook::IndexOf(unsigned long identity) const {
    if (identity == 0) return -1;
    for (size_t i = 0; i < views_.size(); ++i)
        if (views_[i].identity == identity) return int(i);
    return -1;
}

std::vector<int> tNotebook::RecentOrder() const {
    std::vector<int> order(views_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    // Topics never current keep their tab order behind the others.
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return views_[size_t(a)].lastCurrent > views_[size_t(b)].lastCurrent;
    });
    return order;
}

int tNotebook::NextIndex() const {
    if (topics_.empty()) return -1;
    return int((size_t(current_) + 1) % topics_.size());
}

int tNotebook::PreviousIndex() const {
    if (topics_.empty()) return -1;
    return current_ == 0 ? int(topics_.size()) - 1 : current_ - 1;
}

tTopicChange tNotebook::Move(int neighbour) {
    tTopicChange change;
    if (neighbour < 0 || !Current()) return change;
    change.kind = tTopicChange::tKind::moved;
    change.swapped = std::make_pair(current_, neighbour);
    if (neighbour != current_) {
        std::swap(topics_[size_t(current_)], topics_[size_t(neighbour)]);
        std::swap(views_[size_t(current_)], views_[size_t(neighbour)]);
    }
    current_ = neighbour;
    return change;
}

tTopicChange tNotebook::MoveLeft() { return Move(PreviousIndex()); }
tTopicChange tNotebook::MoveRight() { return Move(NextIndex()); }

tTopicChange tNotebook::Appended() {
    tTopicChange change;
    change.kind = tTopicChange::tKind::added;
    change.name = topics_.back().name;
    change.index = change.shown = int(topics_.size()) - 1;
    return change;
}

bool tNotebook::NameExists(const std::string& name) const {
    for (const tTopic& topic : topics_)
        if (SameTextIgnoringCase(topic.name, name)) return true;
    return false;
}

tTopicChange tNotebook::Add(const std::string& name) {
    if (NameExists(name)) return tTopicChange();
    tTopic topic;
    topic.name = name;
    topics_.push_back(std::move(topic));
    views_.push_back(NewView());
    return Appended();
}

bool tNotebook::RenameChangesStoredName(const std::string& newName) const {
    return Current() && !SameTextIgnoringCase(newName, Current()->name);
}

bool tNotebook::CanRename(const std::string& newName) const {
    return Current() && !(RenameChangesStoredName(newName) && NameExists(newName));
}

tTopicChange tNotebook::Rename(const std::string& newName) {
    tTopicChange change;
    if (!CanRename(newName)) return change;
    change.kind = tTopicChange::tKind::renamed;
    change.name = Current()->name;
    change.index = current_;
    CurrentTopic()->name = newName;
    return change;
}

tTopicChange tNotebook::Delete() {
    tTopicChange change;
    if (!CanDelete() || !Current()) return change;
    change.kind = tTopicChange::tKind::deleted;
    change.name = Current()->name;
    change.index = current_;
    change.shown = 0;
    deleted_ = topics_[size_t(current_)];
    deletedView_ = views_[size_t(current_)];
    deletedView_.lastCurrent = 0;  // it leaves the recent topics
    hasDeleted_ = true;
    topics_.erase(topics_.begin() + current_);
    views_.erase(views_.begin() + current_);
    current_ = 0;
    return change;
}

tTopicChange tNotebook::UndoDelete() {
    if (!hasDeleted_ || NameExists(deleted_.name)) return tTopicChange();
    topics_.push_back(deleted_);
    views_.push_back(deletedView_);
    hasDeleted_ = false;
    return Appended();
}
