// The Topic menu: switching, moving, adding, renaming, deleting and undeleting topics.
#include "base/errors.h"
#include "base/names.h"
#include "client/client.h"
#include "dialogs/topic_name.h"
#include "resources/resource.h"
#include <commctrl.h>

tExistingTopics tQuilletClient::ExistingTopics() const {
    tExistingTopics existing;
    existing.renaming = renaming;
    if (renaming) existing.currentName = CurrentTopicName();
    existing.nameExists = [this](const std::string& name) { return TopicNameExists(name); };
    return existing;
}

bool tQuilletClient::TopicNameExists(const std::string& name) const {
    if (notebook.NameExists(name)) return true;
    // A stream the Index does not list would be replaced or block a rename.
    return noteFile && noteFile->HoldsOtherElement(name);
}

std::string tQuilletClient::CurrentTopicName() const { return notebook.CurrentName(); }

void tQuilletClient::NextTopic() {
    int next = notebook.NextIndex();
    if (next < 0) return;
    SelectTab(next);
    ShowSelectedTopic();
}

void tQuilletClient::PreviousTopic() {
    int previous = notebook.PreviousIndex();
    if (previous < 0) return;
    SelectTab(previous);
    ShowSelectedTopic();
}

// Every topic command changes the topics first and then writes the change; a
// file that refuses it gets the whole notebook written again later, so the
// tabs, the topics and the file always agree.
void tQuilletClient::AfterMove(std::pair<int, int> swapped) {
    noteFile->WriteIndex(notebook.topics);
    tabStrip.Swap(swapped.first, swapped.second);
    Layout();
    SelectTab(notebook.CurrentIndex());
}

void tQuilletClient::MoveTopicLeft() {
    if (notebook.Empty()) return;
    SaveTopics(true);
    AfterMove(notebook.MoveLeft());
}

void tQuilletClient::MoveTopicRight() {
    if (notebook.Empty()) return;
    SaveTopics(true);
    AfterMove(notebook.MoveRight());
}

// After a topic was appended: its tab is selected and it is shown, the edit
// control's state first taken into the topic that was current.
void tQuilletClient::ShowNewLastTopic() {
    const std::vector<tTopic>& topics = notebook.topics;
    tabStrip.Append(topics.back().name);
    Layout();
    SelectTab(int(topics.size()) - 1);
    // A list that was empty has no previous topic to take the state into.
    if (topics.size() == 1)
        ShowTopic(0);
    else
        ShowSelectedTopic();
}

void tQuilletClient::AddTopic() {
    std::string name;
    if (!RunTopicNameDialog(wnd, ExistingTopics(), name)) return;
    SaveTopics(true);
    if (!notebook.Add(name)) return;
    if (noteFile->WriteTopic(notebook.topics.back())) noteFile->WriteIndex(notebook.topics);
    ShowNewLastTopic();
}

void tQuilletClient::RenameTopic() {
    if (notebook.Empty()) return;
    tRenamingMarker marker(*this);
    std::string newName;
    if (!RunTopicNameDialog(wnd, ExistingTopics(), newName) || !notebook.CanRename(newName))
        return;
    SaveTopics(true);
    std::string oldName = notebook.CurrentName();
    notebook.Rename(newName);
    if (noteFile->RenameTopic(oldName, *notebook.Current())) noteFile->WriteIndex(notebook.topics);
    tabStrip.Rename(notebook.CurrentIndex(), newName);
    Layout();
    SelectTab(notebook.CurrentIndex());
}

void tQuilletClient::DeleteTopic() {
    if (!notebook.CanDelete()) {
        MessageBoxA(wnd, "Cannot delete only topic", kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    std::string question = "Really delete topic " + notebook.CurrentName() + "?\n";
    if (MessageBoxA(wnd, question.c_str(), kAppCaption, MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    SaveTopics(true);
    std::string name = notebook.CurrentName();
    int deleted = notebook.CurrentIndex();
    notebook.Delete();
    if (noteFile->DeleteTopic(name)) noteFile->WriteIndex(notebook.topics);
    tabStrip.Remove(deleted);
    Layout();
    SelectTab(0);
    ShowTopic(0);
}

void tQuilletClient::UndoDeleteTopic() {
    if (!notebook.CanUndoDelete()) return;
    if (TopicNameExists(notebook.DeletedName())) {
        std::string warning = "Topic " + notebook.DeletedName() + " already exists";
        MessageBoxA(wnd, warning.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    SaveTopics(true);
    if (!notebook.UndoDelete()) return;
    if (noteFile->WriteTopic(notebook.topics.back())) noteFile->WriteIndex(notebook.topics);
    ShowNewLastTopic();
}

void tQuilletClient::PrepareTopicMenu(HMENU menu) {
    EnableMenuItem(menu, CM_TOPIC_UNDO_DELETE,
                   MF_BYCOMMAND | (notebook.CanUndoDelete() ? MF_ENABLED : MF_GRAYED));
}
