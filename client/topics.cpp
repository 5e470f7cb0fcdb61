// The Topic menu: switching, moving, adding, renaming, deleting and undeleting topics.
#include "base/errors.h"
#include "base/names.h"
#include "client/client.h"
#include "dialogs/topic_name.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include <commctrl.h>

namespace {
constexpr const char* kTopicsStorage = "Topics";
}  // namespace

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
    return root && TopicElementExists(root->storage, name);
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

void tQuilletClient::AfterMove(std::pair<int, int> swapped) {
    tabStrip.Swap(swapped.first, swapped.second);
    TopicsChanged();
    WriteIndex(*root);
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
    TopicsChanged();
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
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        tStream stream(storage.storage, name, kModeCreateWrite, tStream::create);
        WriteString(stream, std::string());
    }
    WriteIndex(*root);
    ShowNewLastTopic();
    uncommitted = true;
}

void tQuilletClient::RenameTopic() {
    if (notebook.Empty()) return;
    tRenamingMarker marker(*this);
    std::string newName;
    if (!RunTopicNameDialog(wnd, ExistingTopics(), newName) || !notebook.CanRename(newName))
        return;
    SaveTopics(true);
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        if (notebook.RenameChangesStoredName(newName)) {
            std::wstring from = ToElementName(notebook.CurrentName());
            std::wstring to = ToElementName(newName);
            HRESULT hr = storage.storage->RenameElement(from.c_str(), to.c_str());
            // A topic listed in the index but never given a stream has nothing to rename.
            if (hr != STG_E_FILENOTFOUND) CheckHr(hr);
            MarkUncommitted();
        }
    }
    notebook.Rename(newName);
    WriteIndex(*root);
    tabStrip.Rename(notebook.CurrentIndex(), newName);
    TopicsChanged();
    Layout();
    SelectTab(notebook.CurrentIndex());
    uncommitted = true;
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
    {
        tStorage storage(root->storage, kTopicsStorage, kModeDirectReadWrite);
        std::wstring name = ToElementName(notebook.CurrentName());
        HRESULT hr = storage.storage->DestroyElement(name.c_str());
        if (hr != STG_E_FILENOTFOUND) CheckHr(hr);
        MarkUncommitted();
    }
    int deleted = notebook.CurrentIndex();
    notebook.Delete();
    WriteIndex(*root);
    tabStrip.Remove(deleted);
    TopicsChanged();
    Layout();
    SelectTab(0);
    ShowTopic(0);
    uncommitted = true;
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
    notebook.topics.back().Save(*root, true);
    WriteIndex(*root);
    ShowNewLastTopic();
}

void tQuilletClient::PrepareTopicMenu(HMENU menu) {
    EnableMenuItem(menu, CM_TOPIC_UNDO_DELETE,
                   MF_BYCOMMAND | (notebook.CanUndoDelete() ? MF_ENABLED : MF_GRAYED));
}
