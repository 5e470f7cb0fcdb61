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

tTopic* tNotebook::Current() {
    if (current_ < 0 || size_t(current_) >= topics_.size()) return nullptr;
    return &topics_[size_t(current_)];
}

const tTopic* tNotebook::Current() const {
    return const_cast<tNotebook*>(this)->Current();
}

std::string tNotebook::CurrentName() const {
    const tTopic* topic = Current();
    return topic ? topic->name : std::string();
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

std::pair<int, int> tNotebook::Move(int neighbour) {
    std::pair<int, int> swapped(current_, neighbour);
    if (neighbour < 0 || !Current()) return std::make_pair(-1, -1);
    if (neighbour != current_) {
        std::swap(topics_[size_t(current_)], topics_[size_t(neighbour)]);
        std::swap(views_[size_t(current_)], views_[size_t(neighbour)]);
    }
    current_ = neighbour;
    return swapped;
}

std::pair<int, int> tNotebook::MoveLeft() { return Move(PreviousIndex()); }
std::pair<int, int> tNotebook::MoveRight() { return Move(NextIndex()); }

bool tNotebook::NameExists(const std::string& name) const {
    for (const tTopic& topic : topics_)
        if (SameTextIgnoringCase(topic.name, name)) return true;
    return false;
}

bool tNotebook::Add(const std::string& name) {
    if (NameExists(name)) return false;
    tTopic topic;
    topic.name = name;
    topics_.push_back(std::move(topic));
    views_.push_back(NewView());
    return true;
}

bool tNotebook::RenameChangesStoredName(const std::string& newName) const {
    return Current() && !SameTextIgnoringCase(newName, Current()->name);
}

bool tNotebook::CanRename(const std::string& newName) const {
    return Current() && !(RenameChangesStoredName(newName) && NameExists(newName));
}

bool tNotebook::Rename(const std::string& newName) {
    if (!CanRename(newName)) return false;
    Current()->name = newName;
    return true;
}

bool tNotebook::Delete() {
    if (!CanDelete() || !Current()) return false;
    deleted_ = topics_[size_t(current_)];
    deletedView_ = views_[size_t(current_)];
    deletedView_.lastCurrent = 0;  // it leaves the recent topics
    hasDeleted_ = true;
    topics_.erase(topics_.begin() + current_);
    views_.erase(views_.begin() + current_);
    current_ = 0;
    return true;
}

bool tNotebook::UndoDelete() {
    if (!hasDeleted_ || NameExists(deleted_.name)) return false;
    topics_.push_back(deleted_);
    views_.push_back(deletedView_);
    hasDeleted_ = false;
    return true;
}
