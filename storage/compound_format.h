#pragma once
// The compound-file format as both the structure check and the recovery of a
// damaged note file read it: the fixed values, the header's fields and a
// directory entry's. Plain C++ over bytes.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;

constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntrySize = 128;
constexpr size_t kNameChars = 32;
constexpr uint32_t kMiniSectorShift = 6;
constexpr size_t kMiniSectorSize = size_t(1) << kMiniSectorShift;
constexpr uint64_t kMiniStreamCutoff = 4096;

extern const unsigned char kCompoundSignature[8];

// Kinds of directory entry.
enum : unsigned char { kUnusedEntry = 0, kStorageEntry = 1, kStreamEntry = 2, kRootEntry = 5 };

inline uint32_t Le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// The fields of the 512-byte header that reading a file follows.
struct tCompoundHeader {
    bool signature;          // the first eight bytes are the compound-file signature
    uint16_t sectorShift;    // 9 or 12 in a sound file
    uint16_t miniSectorShift;
    uint32_t fatCount;       // sectors of the allocation table
    uint32_t directoryStart;
    uint32_t miniStreamCutoff;
    uint32_t miniFatStart;
    uint32_t difatStart;     // first sector of the table list beyond the header
    uint32_t difatCount;
    // Entry i of the table list held in the header (i < 109).
    uint32_t HeaderFatSector(size_t i) const { return Le32(bytes + 0x4C + 4 * i); }
    const unsigned char* bytes;  // the header itself, borrowed
};
tCompoundHeader ReadCompoundHeader(const unsigned char* header);

// The fields of one 128-byte directory entry.
struct tDirectoryEntry {
    const unsigned char* bytes;  // borrowed
    unsigned char Kind() const { return bytes[0x42]; }
    uint32_t Left() const { return Le32(bytes + 0x44); }
    uint32_t Right() const { return Le32(bytes + 0x48); }
    uint32_t Child() const { return Le32(bytes + 0x4C); }
    const unsigned char* ClassId() const { return bytes + 0x50; }
    uint32_t Start() const { return Le32(bytes + 0x74); }
    // The high half of the size counts only with 4096-byte sectors.
    uint64_t Size(size_t sectorSize) const {
        uint64_t size = Le32(bytes + 0x78);
        if (sectorSize == 4096) size |= uint64_t(Le32(bytes + 0x7C)) << 32;
        return size;
    }
    // A name is looked up by comparing terminated names.
    bool NameTerminated() const;
    // The name up to its terminator (at most 32 characters).
    std::u16string Name() const;
};
