#include "storage/open_note_file.h"
#include "base/errors.h"
#include "storage/topic_names.h"

tOpenNoteFile::tOpenNoteFile(std::unique_ptr<tRootStorage> root, tElementKeys otherElements,
                             bool hasAppearance)
    : path_(root->name),
      root_(std::move(root)),
      otherElements_(std::move(otherElements)),
      hasAppearance_(hasAppearance) {}

// What was not committed is not written by the close: the owner commits first.
tOpenNoteFile::~tOpenNoteFile() = default;

bool tOpenNoteFile::Write(const std::function<void(IStorage*)>& write) {
    if (!root_) return false;
    try {
        write(root_->storage.get());
    } catch (const tQuilletError&) {
        Refuse();
        return false;
    }
    uncommitted_ = true;
    if (root_->WriteFailed()) {
        Refuse();
        return false;
    }
    return true;
}

// The storage object that failed is never written again: whatever it holds
// that was not committed is also in memory.
void tOpenNoteFile::Refuse() {
    uncommitted_ = false;
    tRollback rollback = root_->Close();
    root_.reset();
    if (!rollback.Empty()) lastCommit_ = std::move(rollback);
}

bool tOpenNoteFile::WriteTopic(tTopic& topic) {
    if (!Write([&](IStorage* root) { WriteTopicText(root, topic.name, topic.text); })) return false;
    topic.written = true;
    return true;
}

bool tOpenNoteFile::WriteModifiedTopics(std::vector<tTopic>& topics) {
    for (tTopic& topic : topics)
        if (topic.modified && !WriteTopic(topic)) return false;
    return !Refused();
}

bool tOpenNoteFile::RenameTopic(const std::string& from, tTopic& topic) {
    if (!Write([&](IStorage* root) { RenameTopicElement(root, from, topic.name, topic.text); }))
        return false;
    if (!SameElementName(from, topic.name)) topic.written = true;
    return true;
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

bool tOpenNoteFile::Commit(std::vector<tTopic>& topics) {
    if (!root_) return false;
    if (!uncommitted_) return true;
    // A commit may claim success for a write that failed: the file's bytes tell.
    HRESULT hr = root_->storage->Commit(STGC_DEFAULT);
    if (FAILED(hr) || root_->WriteFailed()) {
        Refuse();
        return false;
    }
    root_->MarkGood();
    uncommitted_ = false;
    for (tTopic& topic : topics) topic.AfterCommit();
    return true;
}

bool tOpenNoteFile::Recover(std::vector<tTopic>& topics, const tAppearanceRecord& appearance) {
    if (root_) return true;
    if (!lastCommit_.Empty() && !PutBackLastCommit() && !CopyLastCommit()) return false;
    auto root = std::make_unique<tRootStorage>(tRootStorage::open, path_, kModeNoteFile);
    if (FAILED(root->hr)) return false;
    try {
        // Whatever took the file's place meanwhile is not written into.
        if (!HasNoteFileClass(root->storage.get())) return false;
    } catch (const tQuilletError&) {
        return false;
    }
    root_ = std::move(root);
    // A commit may have claimed success for what never reached the disk, so
    // everything memory holds is written, not only what is marked modified.
    if (!Write([&](IStorage* root) {
            WriteNoteFile(root, topics, hasAppearance_ ? &appearance : nullptr, otherElements_);
        }))
        return false;
    for (tTopic& topic : topics) topic.written = true;
    return Commit(topics);
}

bool tOpenNoteFile::HoldsOtherElement(const std::string& name) const {
    return otherElements_.count(ElementKey(name)) != 0;
}

bool tOpenNoteFile::PutBackLastCommit() {
    tFileHandle file(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && lastCommit_.PutBack(file.get());
}

// When the file cannot be put back in place, its last good commit is copied
// into a new file beside it, which then takes its name.
bool tOpenNoteFile::CopyLastCommit() {
    size_t slash = path_.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    char temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(folder.c_str(), "qlt", 0, temp)) return false;
    DeleteFileA(temp);  // made anew below, held exclusively
    bool copied = false;
    {
        tRootStorage old(path_, lastCommit_);
        tRootStorage copy(tRootStorage::create, temp, kModeNoteFile);
        if (SUCCEEDED(old.hr) && SUCCEEDED(copy.hr)) {
            HRESULT hr = old.storage->CopyTo(0, nullptr, nullptr, copy.storage.get());
            if (SUCCEEDED(hr)) hr = copy.storage->SetClass(kNoteFileClassId);
            if (SUCCEEDED(hr)) hr = copy.storage->Commit(STGC_DEFAULT);
            copied = SUCCEEDED(hr) && !copy.WriteFailed();
        }
    }
    if (copied)
        copied = MoveFileExA(temp, path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!copied) {
        DeleteFileA(temp);
        return false;
    }
    lastCommit_ = tRollback();
    return true;
}
