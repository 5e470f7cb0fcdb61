#include "storage/journal.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr char kEndMagic[8] = {'Q', 'L', 'J', 'E', 'N', 'D', '\0', '\0'};
constexpr size_t kHeaderSize = 8 + 8 + 8 + 4;
constexpr size_t kPageHeaderSize = 8 + 4 + 4 + 8;
constexpr size_t kTrailerSize = 8 + 8;

void Put(std::string& to, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to.push_back(char(value >> (8 * i)));
}

uint64_t Get(const std::string& from, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t(uint8_t(from[at + size_t(i)])) << (8 * i);
    return value;
}

}  // namespace

// FNV-1a: damage and mix-ups, not an adversary, are what it must catch.
uint64_t PageChecksum(const char* bytes, size_t count) {
    uint64_t sum = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        sum ^= uint8_t(bytes[i]);
        sum *= 0x100000001b3ull;
    }
    return sum;
}

std::string EncodeJournal(const tJournal& journal) {
    std::string bytes(kMagic, sizeof kMagic);
    Put(bytes, journal.oldSize, 8);
    Put(bytes, journal.newSize, 8);
    Put(bytes, journal.pages.size(), 4);
    for (const tJournalPage& page : journal.pages) {
        Put(bytes, page.page, 8);
        Put(bytes, page.old.size(), 4);
        Put(bytes, page.hasNew ? 1 : 0, 4);
        Put(bytes, page.newSum, 8);
        bytes += page.old;
    }
    Put(bytes, PageChecksum(bytes.data(), bytes.size()), 8);
    bytes.append(kEndMagic, sizeof kEndMagic);
    return bytes;
}

bool DecodeJournal(const std::string& bytes, tJournal& journal) {
    if (bytes.size() < kHeaderSize + kTrailerSize) return false;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    const size_t body = bytes.size() - kTrailerSize;
    if (std::memcmp(bytes.data() + body + 8, kEndMagic, sizeof kEndMagic) != 0) return false;
    if (Get(bytes, body, 8) != PageChecksum(bytes.data(), body)) return false;
    tJournal read;
    read.oldSize = Get(bytes, 8, 8);
    read.newSize = Get(bytes, 16, 8);
    const uint64_t count = Get(bytes, 24, 4);
    size_t at = kHeaderSize;
    // Each count is checked against the bytes left before anything is taken.
    if (count > (body - at) / kPageHeaderSize) return false;
    read.pages.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        if (body - at < kPageHeaderSize) return false;
        tJournalPage page;
        page.page = Get(bytes, at, 8);
        const uint64_t length = Get(bytes, at + 8, 4);
        page.hasNew = Get(bytes, at + 12, 4) != 0;
        page.newSum = Get(bytes, at + 16, 8);
        at += kPageHeaderSize;
        if (length > kJournalPageSize || length > body - at) return false;
        // A page lies wholly inside the file as it was.
        if (page.page > read.oldSize / kJournalPageSize ||
            page.page * kJournalPageSize + length > read.oldSize)
            return false;
        page.old = bytes.substr(at, size_t(length));
        at += size_t(length);
        read.pages.push_back(std::move(page));
    }
    if (at != body) return false;
    journal = std::move(read);
    return true;
}

bool JournalFits(const tJournal& journal, uint64_t fileSize, const tReadFilePart& read) {
    if (fileSize < std::min(journal.oldSize, journal.newSize) ||
        fileSize > std::max(journal.oldSize, journal.newSize))
        return false;
    for (const tJournalPage& page : journal.pages) {
        const uint64_t offset = page.page * kJournalPageSize;
        if (offset >= fileSize) continue;
        // Where the file ends inside the page, the part it holds is compared.
        const size_t held = size_t(std::min<uint64_t>(kJournalPageSize, fileSize - offset));
        std::string now = read(offset, held);
        if (now.size() != held) return false;
        const size_t oldPart = std::min(held, page.old.size());
        if (now.compare(0, oldPart, page.old, 0, oldPart) == 0 &&
            (held <= page.old.size() || now.find_first_not_of('\0', oldPart) == std::string::npos))
            continue;
        if (page.hasNew && PageChecksum(now.data(), now.size()) == page.newSum) continue;
        // A page cut short by the commit's growth or shrinking: its new bytes
        // are checksummed whole, so only the old may match a part.
        return false;
    }
    return true;
}
