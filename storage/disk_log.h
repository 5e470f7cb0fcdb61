#pragma once
// Every write, resize and flush the program makes to a note file or its
// journal, told to one observer. Tests and benchmarks install one to count
// what a commit costs and to rebuild what a power cut could leave on disk.
#include <cstdint>
#include <string>

struct tDiskEvent {
    enum tKind { write, resize, flush };
    tKind kind;
    std::string path;   // the file as it was opened
    uint64_t offset;    // write: where; resize: the new size
    std::string bytes;  // write: what
};

class tDiskObserver {
public:
    virtual void OnDiskEvent(const tDiskEvent& event) = 0;

protected:
    ~tDiskObserver() = default;
};

// Installs the observer of every later disk event (null: none). Not for
// the program itself, which never watches its own writes.
void SetDiskObserver(tDiskObserver* observer);

// For the file layer: tells the observer, if any.
bool WatchingDisk();
void TellDiskEvent(tDiskEvent::tKind kind, const std::string& path, uint64_t offset,
                   const void* bytes = nullptr, size_t count = 0);

// The journal that makes commits into the note file at path atomic.
std::string JournalPathFor(const std::string& notePath);
