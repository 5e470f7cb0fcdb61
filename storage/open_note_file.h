#pragma once
// The note file the program holds open, and every write into it. Memory holds
// the truth until a commit reaches the disk: any failure to write the file - a
// stream, an element, the Index, the appearance, the commit - only means "the
// file cannot be written now". The file stays held throughout; on disk it is
// always its last commit (its journal sees to that), and Recover later writes
// everything memory holds into it and commits.
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "storage/compfile.h"
#include "storage/notefile.h"

// Whether what was written is on disk: the one answer for the whole program.
enum class tFileState {
    clean,    // the disk holds the last commit, and nothing was written since
    written,  // written since the last commit
    refused,  // refused a write or a commit; memory holds what it did not take
};

class tOpenNoteFile {
public:
    // Takes over an opened (or new, committed) note file. otherElements are
    // the elements of "Topics" that no topic owns; hasAppearance tells whether
    // the file holds the appearance streams.
    tOpenNoteFile(std::unique_ptr<tRootStorage> root, tElementKeys otherElements,
                  bool hasAppearance);
    ~tOpenNoteFile();
    tOpenNoteFile(const tOpenNoteFile&) = delete;
    tOpenNoteFile& operator=(const tOpenNoteFile&) = delete;

    const std::string& Path() const { return path_; }

    tFileState State() const { return state_; }
    // Why the disk refused the last commit (a system error), or 0 when it
    // was not the disk.
    DWORD RefusalError() const { return refusalError_; }

    // Each write returns whether the file took it: false when it refuses it
    // (or refused before); what it would have written is then only in memory
    // until Recover. No write changes the topics it is given.
    // The topic's text, in its stream.
    bool WriteTopic(const tTopic& topic);
    // The stream of a topic renamed from the name from.
    bool RenameTopic(const std::string& from, const tTopic& topic);
    bool DeleteTopic(const std::string& name);
    bool WriteIndex(const std::vector<tTopic>& topics);
    bool WriteAppearance(const tAppearanceRecord& appearance);

    // Commits what was written.
    bool Commit();

    // After a refusal: everything in topics and appearance written into the
    // file as it was at its last commit, and committed. False while the file
    // still cannot be written.
    bool Recover(const std::vector<tTopic>& topics, const tAppearanceRecord& appearance);

    // The open root as it stands, written or not, for reading; null while
    // the storage code's own failure left it unusable.
    IStorage* Root() const { return root_->Get(); }

    // Whether "Topics" holds an element of that name that no topic owns.
    bool HoldsOtherElement(const std::string& name) const;

private:
    // Runs write on the open root; a failure of any kind refuses the file.
    bool Write(const std::function<void(IStorage*)>& write);
    void Refuse(DWORD diskError);

    std::string path_;
    std::unique_ptr<tRootStorage> root_;  // held from open to close
    tFileState state_ = tFileState::clean;
    DWORD refusalError_ = 0;
    tElementKeys otherElements_;
    bool hasAppearance_;
};
