#include "storage/records.h"
#include <algorithm>
#include <cstring>
#include <exception>

namespace {

bool ReadLe32(const tReadSome& read, uint64_t& bytesLeft, uint32_t& value) {
    unsigned char bytes[4];
    if (bytesLeft < 4 || read(bytes, 4) != 4) return false;
    bytesLeft -= 4;
    value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
            uint32_t(bytes[3]) << 24;
    return true;
}

bool ReadRecord(const tReadSome& read, uint64_t& bytesLeft, std::string& text) {
    uint32_t length = 0;
    if (!ReadLe32(read, bytesLeft, length)) return false;
    // The length comes from the file: it must fit in what the stream still
    // holds before anything is allocated for it.
    if (length == 0xFFFFFFFF || length > bytesLeft) return false;
    // The stream's size comes from the file too: the text grows only by what
    // has actually arrived, a piece at a time.
    constexpr size_t kPiece = 64 * 1024;
    text.clear();
    while (text.size() < length) {
        const size_t done = text.size();
        const size_t want = std::min<size_t>(kPiece, length - done);
        text.resize(done + want);
        if (read(&text[done], want) != want) return false;
    }
    bytesLeft -= length;
    return true;
}

// Reads from bytes in memory, as a stream would.
tReadSome MemoryReader(const unsigned char* bytes, size_t size, size_t& at) {
    return [bytes, size, &at](void* buffer, size_t n) {
        n = std::min(n, size - at);
        if (n) std::memcpy(buffer, bytes + at, n);
        at += n;
        return n;
    };
}

}  // namespace

bool ReadStringRecord(const tReadSome& read, uint64_t bytesLeft, std::string& text) {
    try {
        return ReadRecord(read, bytesLeft, text);
    } catch (const std::exception&) {
        return false;  // a length that cannot be held is a failed read
    }
}

bool ReadIndexRecords(const tReadSome& read, uint64_t bytesLeft, std::vector<std::string>& names) {
    try {
        uint32_t count = 0;
        if (!ReadLe32(read, bytesLeft, count)) return false;
        // Every name record takes at least its 4-byte length.
        if (count > bytesLeft / 4) return false;
        // Room grows with the names that actually arrive.
        names.clear();
        names.reserve(std::min<uint32_t>(count, 1024));
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (!ReadRecord(read, bytesLeft, name)) return false;
            names.push_back(std::move(name));
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ParseStringRecord(const unsigned char* bytes, size_t size, std::string& text) {
    size_t at = 0;
    return ReadStringRecord(MemoryReader(bytes, size, at), size, text);
}

bool ParseIndex(const unsigned char* bytes, size_t size, std::vector<std::string>& names) {
    size_t at = 0;
    return ReadIndexRecords(MemoryReader(bytes, size, at), size, names);
}
