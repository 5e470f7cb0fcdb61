// The Topic menu: switching, going to a topic by name, moving, adding, renaming, deleting and
// undeleting topics. Each command changes the notebook, and Apply brings
// everything else to it in one order: found results, tabs, the note file
// (which, when it refuses, is written again whole later), the topic shown.
#include "base/names.h"
#include "client/client.h"
#include "dialogs/go_to_topic.h"
#include "dialogs/topic_name.h"

tExistingTopics tQuilletClient::ExistingTopics(tNaming naming) const {
    tExistingTopics existing;
    existing.renaming = naming == tNaming::rename;
    if (existing.renaming) existing.currentName = notebook_.CurrentName();
    existing.nameExists = [this](const std::string& name) { return TopicNameExists(name); };
    return existing;
}

bool tQuilletClient::TopicNameExists(const std::string& name) const {
    // A stream the Index does not list would be replaced or block a rename.
    return notebook_.NameExists(name) || saver_.HoldsOtherElement(name);
}

void tQuilletClient::ShowSelectedTopic() {
    saver_.SaveTopics(tSave::unlessHeldBack);
    view_.ShowSelectedTopic();
}

void tQuilletClient::NextTopic() {
    int next = notebook_.NextIndex();
    if (next < 0) return;
    view_.SelectTab(next);
    ShowSelectedTopic();
}

void tQuilletClient::PreviousTopic() {
    int previous = notebook_.PreviousIndex();
    if (previous < 0) return;
    view_.SelectTab(previous);
    ShowSelectedTopic();
}

void tQuilletClient::Apply(const tTopicChange& change) {
    using tKind = tTopicChange::tKind;
    TopicsChanged();
    switch (change.kind) {
    case tKind::added: view_.TabAppended(); break;
    case tKind::renamed: view_.TabRenamed(change.index); break;
    case tKind::deleted: view_.TabRemoved(change.index); break;
    case tKind::moved: view_.TabsSwapped(change.swapped); break;
    }
    switch (change.kind) {
    case tKind::added: saver_.TopicAdded(); break;
    case tKind::renamed: saver_.TopicRenamed(change.name); break;
    case tKind::deleted: saver_.TopicDeleted(change.name); break;
    case tKind::moved: saver_.TopicsMoved(); break;
    }
    switch (change.kind) {
    case tKind::added:
        // A list that was empty has no previous topic to take the state into;
        // otherwise the edit control's state goes into the topic that was current.
        if (notebook_.Count() == 1)
            view_.ShowTopic(0);
        else
            ShowSelectedTopic();
        break;
    case tKind::deleted:
        // Nothing is taken from the edit control: it still shows the deleted topic.
        view_.ShowTopic(0);
        break;
    case tKind::renamed:
    case tKind::moved:
        break;  // the edit control still shows the same topic
    }
}

void tQuilletClient::MoveTopic(bool left) {
    if (notebook_.Empty()) return;
    saver_.SaveTopics(tSave::forced);
    std::pair<int, int> swapped = left ? notebook_.MoveLeft() : notebook_.MoveRight();
    Apply({tTopicChange::tKind::moved, {}, -1, swapped});
}

void tQuilletClient::AddTopic() {
    std::string name;
    if (!RunTopicNameDialog(wnd_, ExistingTopics(tNaming::newTopic), name)) return;
    saver_.SaveTopics(tSave::forced);
    if (!notebook_.Add(name)) return;
    Apply({tTopicChange::tKind::added, name, -1, {}});
}

void tQuilletClient::RenameTopic() {
    if (notebook_.Empty()) return;
    std::string newName;
    if (!RunTopicNameDialog(wnd_, ExistingTopics(tNaming::rename), newName) || !notebook_.CanRename(newName))
        return;
    saver_.SaveTopics(tSave::forced);
    std::string oldName = notebook_.CurrentName();
    notebook_.Rename(newName);
    Apply({tTopicChange::tKind::renamed, oldName, notebook_.CurrentIndex(), {}});
}

void tQuilletClient::DeleteTopic() {
    if (!notebook_.CanDelete()) {
        MessageBoxA(wnd_, "Cannot delete only topic", kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    std::string question = "Really delete topic " + notebook_.CurrentName() + "?\n";
    if (MessageBoxA(wnd_, question.c_str(), kAppCaption, MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    saver_.SaveTopics(tSave::forced);
    std::string name = notebook_.CurrentName();
    int deleted = notebook_.CurrentIndex();
    notebook_.Delete();
    Apply({tTopicChange::tKind::deleted, name, deleted, {}});
}

void tQuilletClient::UndoDeleteTopic() {
    if (!notebook_.CanUndoDelete()) return;
    if (TopicNameExists(notebook_.DeletedName())) {
        std::string warning = "Topic " + notebook_.DeletedName() + " already exists";
        MessageBoxA(wnd_, warning.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    saver_.SaveTopics(tSave::forced);
    std::string name = notebook_.DeletedName();
    if (!notebook_.UndoDelete()) return;
    Apply({tTopicChange::tKind::added, name, -1, {}});
}

// The chosen topic is shown as a click on its tab shows it.
void tQuilletClient::GoToTopic() {
    if (notebook_.Empty()) return;
    tGoToTopicChoices choices;
    choices.names.reserve(notebook_.Count());
    for (const tTopic& topic : notebook_.Topics()) choices.names.push_back(topic.name);
    choices.recent = notebook_.RecentOrder();
    int chosen = RunGoToTopicDialog(settings_.frame ? settings_.frame : wnd_, choices);
    if (chosen < 0 || size_t(chosen) >= notebook_.Count() || chosen == notebook_.CurrentIndex()) return;
    view_.SelectTab(chosen);
    ShowSelectedTopic();
}
