#include "storage/open_note_file.h"
#include "base/errors.h"
#include "storage/topic_names.h"

tOpenNoteFile::tOpenNoteFile(std::unique_ptr<tRootStorage> root, tElementKeys otherElements,
                             bool hasAppearance)
    : path_(root->Path()),
      root_(std::move(root)),
      otherElements_(std::move(otherElements)),
      hasAppearance_(hasAppearance) {}

// What was not committed is not written by the close: the owner commits first.
tOpenNoteFile::~tOpenNoteFile() = default;

bool tOpenNoteFile::Write(const std::function<void(IStorage*)>& write) {
    if (state_ == tFileState::refused || !root_->Get()) return false;
    try {
        write(root_->Get());
    } catch (const tQuilletError&) {
        // The storage object is no longer trusted: Recover starts again from
        // the last commit, and memory holds what was to be written.
        Refuse(0);
        return false;
    }
    state_ = tFileState::written;
    return true;
}

void tOpenNoteFile::Refuse(DWORD diskError) {
    state_ = tFileState::refused;
    refusalError_ = diskError;
}

bool tOpenNoteFile::WriteTopic(const tTopic& topic) {
    return Write([&](IStorage* root) { WriteTopicText(root, topic.name, topic.text); });
}

bool tOpenNoteFile::RenameTopic(const std::string& from, const tTopic& topic) {
    return Write([&](IStorage* root) { RenameTopicElement(root, from, topic.name, topic.text); });
}

bool tOpenNoteFile::DeleteTopic(const std::string& name) {
    return Write([&](IStorage* root) { DestroyTopicElement(root, name); });
}

bool tOpenNoteFile::WriteIndex(const std::vector<tTopic>& topics) {
    return Write([&](IStorage* root) { WriteTopicIndex(root, topics); });
}

bool tOpenNoteFile::WriteAppearance(const tAppearanceRecord& appearance) {
    hasAppearance_ = true;  // written again with everything else if refused now
    return Write([&](IStorage* root) { ::WriteAppearance(root, appearance); });
}

bool tOpenNoteFile::Commit() {
    if (state_ == tFileState::refused) return false;
    if (state_ == tFileState::clean) return true;
    if (FAILED(root_->Commit())) {
        Refuse(root_->Get() ? root_->DiskError() : 0);
        return false;
    }
    state_ = tFileState::clean;
    return true;
}

bool tOpenNoteFile::Recover(const std::vector<tTopic>& topics, const tAppearanceRecord& appearance) {
    if (state_ != tFileState::refused) return true;
    // The file on disk is its last commit; the storage object starts again
    // from there, on the same held file, with nothing of the refused writes.
    if (!root_->Reopen()) return false;
    state_ = tFileState::clean;
    // A topic command or a save refused meanwhile changed only memory, so
    // everything memory holds is written, not only what is marked modified.
    if (!Write([&](IStorage* root) {
            WriteNoteFile(root, topics, hasAppearance_ ? &appearance : nullptr, otherElements_);
        }))
        return false;
    return Commit();
}

bool tOpenNoteFile::HoldsOtherElement(const std::string& name) const {
    return otherElements_.count(ElementKey(name)) != 0;
}
