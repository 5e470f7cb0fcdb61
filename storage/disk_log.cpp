#include "storage/disk_log.h"

namespace {
tDiskObserver* observer = nullptr;
}

void SetDiskObserver(tDiskObserver* to) { observer = to; }

// Told by the file layer; nothing happens without an observer.
void TellDiskEvent(tDiskEvent::tKind kind, const std::string& path, uint64_t offset,
                   const void* bytes, size_t count) {
    if (!observer) return;
    tDiskEvent event{kind, path, offset, std::string(static_cast<const char*>(bytes), count)};
    observer->OnDiskEvent(event);
}

bool WatchingDisk() { return observer != nullptr; }

// Beside the note file, under a name no note file has.
std::string JournalPathFor(const std::string& notePath) { return notePath + "-journal"; }
