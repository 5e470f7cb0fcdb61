#pragma once
// The rollback journal of a note file: the old contents of every page a
// commit is about to change, the file's old size, and a checksum of each
// page's new contents. Written and flushed before the note file is touched,
// voided once the file holds the commit, so that whatever a power cut leaves
// of the note file can be put back as it was at its last commit. Plain C++
// over bytes: no handles, no COM.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr uint32_t kJournalPageSize = 512;

struct tJournalPage {
    uint64_t page;       // page number in the note file
    std::string old;     // its bytes at the last commit (short for the last page of the file)
    bool hasNew;         // the page is still in the file after the commit
    uint64_t newSum;     // checksum of its bytes after the commit (when hasNew)
};

struct tJournal {
    uint64_t oldSize = 0;
    uint64_t newSize = 0;
    std::vector<tJournalPage> pages;
};

uint64_t PageChecksum(const char* bytes, size_t count);

std::string EncodeJournal(const tJournal& journal);

// True when bytes hold one complete journal whose checksum is right: only such
// a journal is ever played back. A cut, torn or foreign one is not.
bool DecodeJournal(const std::string& bytes, tJournal& journal);

// Reads the count bytes at offset of the note file as it is now; the result
// is short where the file ends.
using tReadFilePart = std::function<std::string(uint64_t offset, size_t count)>;

// Whether the note file, as it is now, is the file the journal was written
// for: its size lies between the old and the new size, and every journalled
// page that it holds is either as it was or as the commit made it. A file
// put in its place, or changed by anyone else, is never played into.
bool JournalFits(const tJournal& journal, uint64_t fileSize, const tReadFilePart& read);
