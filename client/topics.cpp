// The Topic menu: switching, moving, adding, renaming, deleting and undeleting topics.
#include "base/errors.h"
#include "base/names.h"
#include "base/text.h"
#include "client/client.h"
#include "dialogs/topic_name.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include <commctrl.h>

namespace {
constexpr const char* kTopicsStorage = "Topics";

int PreviousIndex(int index, size_t count) { return index == 0 ? int(count) - 1 : index - 1; }
int NextIndex(int index, size_t count) { return int((size_t(index) + 1) % count); }
}  // namespace

tExistingTopics tQuilletClient::ExistingTopics() const {
    tExistingTopics existing;
    existing.renaming = renaming;
    if (renaming) existing.currentName = CurrentTopicName();
    existing.nameExists = [this](const std::string& name) { return TopicNameExists(name); };
    return existing;
}

bool tQuilletClient::TopicNameExists(const std::string& name) const {
    for (const tTopic& topic : topics)
        if (SameTextIgnoringCase(topic.name, name)) return true;
    // A stream the Index does not list would be replaced or block a rename.
    return root && TopicElementExists(root->storage, name);
}

std::string tQuilletClient::CurrentTopicName() const {
    if (currentTopic < 0 || size_t(currentTopic) >= topics.size()) return std::string();
    return topics[currentTopic].name;
}

void tQuilletClient::NextTopic() {
    if (topics.empty()) return;
    SelectTab(NextIndex(currentTopic, topics.size()));
    ShowSelectedTopic();
}

void tQuilletClient::PreviousTopic() {
    if (topics.empty()) return;
    SelectTab(PreviousIndex(currentTopic, topics.size()));
    ShowSelectedTopic();
}

void tQuilletClient::MoveTopic(bool left) {
    if (topics.empty()) return;
    SaveTopics(true);
    int neighbour = left ? PreviousIndex(currentTopic, topics.size())
                         : NextIndex(currentTopic, topics.size());
    std::swap(topics[currentTopic], topics[neighbour]);
    tabStrip.Swap(currentTopic, neighbour);
    currentTopic = neighbour;
    WriteIndex(*root);
    Layout();
    SelectTab(currentTopic);
}

void tQuilletClient::MoveTopicLeft() { MoveTopic(true); }
void tQuilletClient::MoveTopicRight() { MoveTopic(false); }

// After a topic was appended: its tab is selected and it is shown, the edit
// control's state first taken into the topic that was current.
void tQuilletClient::ShowNewLastTopic() {
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
    tTopic topic;
    topic.name = name;
    topics.push_back(topic);
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        tStream stream(storage.storage, topic.name, kModeCreateWrite, tStream::create);
        WriteString(stream, std::string());
    }
    WriteIndex(*root);
    ShowNewLastTopic();
    uncommitted = true;
}

void tQuilletClient::RenameTopic() {
    if (topics.empty()) return;
    tRenamingMarker marker(*this);
    std::string newName;
    if (!RunTopicNameDialog(wnd, ExistingTopics(), newName)) return;
    SaveTopics(true);
    tTopic& topic = topics[currentTopic];
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        // Element names do not distinguish case: a change of case renames nothing.
        if (!SameTextIgnoringCase(newName, topic.name)) {
            std::wstring from = ToElementName(topic.name);
            std::wstring to = ToElementName(newName);
            HRESULT hr = storage.storage->RenameElement(from.c_str(), to.c_str());
            // A topic listed in the index but never given a stream has nothing to rename.
            if (hr != STG_E_FILENOTFOUND) CheckHr(hr);
            MarkUncommitted();
        }
    }
    topic.name = newName;
    WriteIndex(*root);
    tabStrip.Rename(currentTopic, newName);
    Layout();
    SelectTab(currentTopic);
    uncommitted = true;
}

void tQuilletClient::DeleteTopic() {
    if (topics.size() <= 1) {
        MessageBoxA(wnd, "Cannot delete only topic", kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    std::string question = "Really delete topic " + topics[currentTopic].name + "?\n";
    if (MessageBoxA(wnd, question.c_str(), kAppCaption, MB_ICONWARNING | MB_YESNO) != IDYES)
        return;
    SaveTopics(true);
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        std::wstring name = ToElementName(topics[currentTopic].name);
        HRESULT hr = storage.storage->DestroyElement(name.c_str());
        if (hr != STG_E_FILENOTFOUND) CheckHr(hr);
        MarkUncommitted();
    }
    deletedTopic = topics[currentTopic];
    hasDeletedTopic = true;
    topics.erase(topics.begin() + currentTopic);
    WriteIndex(*root);
    tabStrip.Remove(currentTopic);
    Layout();
    SelectTab(0);
    ShowTopic(0);
    uncommitted = true;
}

void tQuilletClient::UndoDeleteTopic() {
    if (!hasDeletedTopic) return;
    if (TopicNameExists(deletedTopic.name)) {
        std::string warning = "Topic " + deletedTopic.name + " already exists";
        MessageBoxA(wnd, warning.c_str(), kAppCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    SaveTopics(true);
    topics.push_back(deletedTopic);
    hasDeletedTopic = false;
    topics.back().Save(*root, true);
    WriteIndex(*root);
    ShowNewLastTopic();
}

void tQuilletClient::PrepareTopicMenu(HMENU menu) {
    EnableMenuItem(menu, CM_TOPIC_UNDO_DELETE,
                   MF_BYCOMMAND | (hasDeletedTopic ? MF_ENABLED : MF_GRAYED));
}
