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
    if (!change) return;
    TopicsChanged();
    view_.TabsFollow(change);
    saver_.Write(change);
    if (change.shown < 0) return;  // the edit control still shows the same topic
    // A deleted topic is still in the edit control, and a list that was empty
    // has no topic to take it into; otherwise the one left takes its state.
    if (change.kind == tTopicChange::tKind::added && notebook_.Count() > 1)
        ShowSelectedTopic();
    else
        view_.ShowTopic(change.shown);
}

void tQuilletClient::MoveTopic(bool left) {
    if (notebook_.Empty()) return;
    saver_.SaveTopics(tSave::forced);
    Apply(left ? notebook_.MoveLeft() : notebook_.MoveRight());
}

void tQuilletClient::AddTopic() {
    std::string name;
    if (!RunTopicNameDialog(wnd_, ExistingTopics(tNaming::newTopic), name)) return;
    saver_.SaveTopics(tSave::forced);
    Apply(notebook_.Add(name));
}

void tQuilletClient::RenameTopic() {
    if (notebook_.Empty()) return;
    std::string newName;
    if (!RunTopicNameDialog(wnd_, ExistingTopics(tNaming::rename), newName) || !notebook_.CanRename(newName))
        return;
    saver_.SaveTopics(tSave::forced);
    Apply(notebook_.Rename(newName));
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
    Apply(notebook_.Delete());
}

void tQuilletClient::UndoDeleteTopic() {
    if (!notebook_.CanUndoDelete()) return;
    if (TopicNameExists(notebook_.DeletedName())) {
        std::string warning = "Topic " + notebook_.DeletedName() + " already exists";
        MessageBoxA(wnd_, warning.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    saver_.SaveTopics(tSave::forced);
    Apply(notebook_.UndoDelete());
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
