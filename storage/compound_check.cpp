#include "storage/compound_check.h"
#include "storage/compound_format.h"
#include <cstring>
#include <exception>
#include <vector>

namespace {

class tChecker {
public:
    tChecker(uint64_t fileSize, const tReadAt& readAt) : fileSize_(fileSize), readAt_(readAt) {}

    bool Run() {
        return ReadHeader() && ReadAllocationTable() && ReadDirectory() && ReadMiniTable() &&
               CheckTree();
    }

    bool Unbalanced() const { return unbalanced_; }

private:
    bool ReadHeader() {
        if (fileSize_ < kHeaderSize || !readAt_(0, header_, kHeaderSize)) return false;
        const tCompoundHeader header = ReadCompoundHeader(header_);
        if (!header.signature) return false;
        const uint16_t shift = header.sectorShift;
        if (shift != 9 && shift != 12) return false;
        if (header.miniSectorShift != kMiniSectorShift) return false;
        // Which streams live in the mini stream depends on this value.
        if (header.miniStreamCutoff != kMiniStreamCutoff) return false;
        sectorSize_ = size_t(1) << shift;
        if (fileSize_ < sectorSize_) return false;  // the header takes a whole sector
        // Only whole sectors after the header count.
        const uint64_t whole = fileSize_ / sectorSize_ - 1;
        fileSectors_ = uint32_t(whole < kMaxRegularSector ? whole : kMaxRegularSector);
        used_.assign(fileSectors_, false);
        return true;
    }

    bool InFile(uint32_t sector) const { return sector < fileSectors_; }

    // Marks sector as taken by one chain; false when it is outside the file or taken.
    bool Claim(std::vector<bool>& used, uint32_t sector) {
        if (sector >= used.size() || used[sector]) return false;
        used[sector] = true;
        return true;
    }

    bool ReadSector(uint32_t sector, unsigned char* into) {
        return InFile(sector) && readAt_((uint64_t(sector) + 1) * sectorSize_, into, sectorSize_);
    }

    // The sectors that hold the allocation table: up to 109 in the header, the
    // rest in the chain of extra table-list sectors, whose count the platform
    // follows as it stands, so it is checked against the file first.
    bool ReadAllocationTable() {
        const tCompoundHeader header = ReadCompoundHeader(header_);
        const uint32_t fatCount = header.fatCount;
        const uint32_t difatCount = header.difatCount;
        if (fatCount == 0 || fatCount > fileSectors_ || difatCount > fileSectors_) return false;
        const size_t perDifat = sectorSize_ / 4 - 1;
        const size_t beyondHeader = fatCount > kHeaderDifatEntries ? fatCount - kHeaderDifatEntries : 0;
        if (uint64_t(difatCount) * perDifat < beyondHeader) return false;

        std::vector<uint32_t> fatSectors;
        fatSectors.reserve(fatCount);
        for (size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(header.HeaderFatSector(i));
        std::vector<unsigned char> sector(sectorSize_);
        std::vector<uint32_t> difatSectors;
        uint32_t next = header.difatStart;
        for (uint32_t n = 0; n < difatCount; ++n) {
            if (!Claim(used_, next) || !ReadSector(next, sector.data())) return false;
            difatSectors.push_back(next);
            for (size_t j = 0; j < perDifat && fatSectors.size() < fatCount; ++j)
                fatSectors.push_back(Le32(sector.data() + 4 * j));
            next = Le32(sector.data() + 4 * perDifat);
        }

        fat_.reserve(size_t(fatCount) * (sectorSize_ / 4));
        for (uint32_t s : fatSectors) {
            if (!Claim(used_, s) || !ReadSector(s, sector.data())) return false;
            for (size_t j = 0; j < sectorSize_; j += 4) fat_.push_back(Le32(sector.data() + j));
        }
        // The table marks its own sectors, so that free-space search never
        // hands one of them to a stream.
        for (uint32_t s : fatSectors)
            if (s >= fat_.size() || fat_[s] != kFatSector) return false;
        for (uint32_t s : difatSectors)
            if (s >= fat_.size() || fat_[s] != kDifatSector) return false;
        return true;
    }

    // Follows a chain of whole sectors through the allocation table to its
    // end; every sector lies in the file and in no other chain.
    bool Chain(uint32_t start, std::vector<uint32_t>* sectors) {
        for (uint32_t s = start; s != kEndOfChain; s = fat_[s]) {
            if (s >= fat_.size() || !Claim(used_, s)) return false;
            if (sectors) sectors->push_back(s);
        }
        return true;
    }

    bool ReadChain(uint32_t start, std::vector<unsigned char>& bytes) {
        std::vector<uint32_t> sectors;
        if (!Chain(start, &sectors)) return false;
        bytes.resize(sectors.size() * sectorSize_);
        for (size_t i = 0; i < sectors.size(); ++i)
            if (!ReadSector(sectors[i], bytes.data() + i * sectorSize_)) return false;
        return true;
    }

    bool ReadDirectory() {
        if (!ReadChain(ReadCompoundHeader(header_).directoryStart, directory_)) return false;
        entries_ = directory_.size() / kEntrySize;
        return entries_ > 0 && tDirectoryEntry{Entry(0)}.Kind() == kRootEntry;
    }

    const unsigned char* Entry(size_t e) const { return directory_.data() + e * kEntrySize; }

    // The mini table and the mini stream, which the root entry names.
    bool ReadMiniTable() {
        std::vector<unsigned char> bytes;
        if (!ReadChain(ReadCompoundHeader(header_).miniFatStart, bytes)) return false;
        miniFat_.resize(bytes.size() / 4);
        for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = Le32(bytes.data() + 4 * i);
        std::vector<uint32_t> miniStream;
        if (!Chain(tDirectoryEntry{Entry(0)}.Start(), &miniStream)) return false;
        const uint64_t held = uint64_t(miniStream.size()) * (sectorSize_ >> kMiniSectorShift);
        miniUsed_.assign(size_t(held < miniFat_.size() ? held : miniFat_.size()), false);
        return true;
    }

    bool MiniChain(uint32_t start) {
        for (uint32_t s = start; s != kEndOfChain; s = miniFat_[s])
            if (!Claim(miniUsed_, s)) return false;  // miniUsed_ is no longer than miniFat_
        return true;
    }

    bool StreamChain(const unsigned char* entry) {
        const uint64_t size = tDirectoryEntry{entry}.Size(sectorSize_);
        const uint32_t start = tDirectoryEntry{entry}.Start();
        if (size == 0 && start == kEndOfChain) return true;
        return size < kMiniStreamCutoff ? MiniChain(start) : Chain(start, nullptr);
    }

    // Every entry reached from the root, by child, left and right links, is
    // reached once: a tree, so every lookup ends. The elements of each
    // storage form one search tree, whose depth is measured on the way.
    bool CheckTree() {
        struct tPending {
            uint32_t entry, tree, depth;
        };
        std::vector<bool> reached(entries_, false);
        reached[0] = true;
        std::vector<uint32_t> count(1, 0), deepest(1, 0);
        std::vector<tPending> pending = {{tDirectoryEntry{Entry(0)}.Child(), 0, 1}};
        while (!pending.empty()) {
            const tPending at = pending.back();
            pending.pop_back();
            if (at.entry == kNoEntry) continue;
            if (at.entry >= entries_ || reached[at.entry]) return false;
            reached[at.entry] = true;
            ++count[at.tree];
            if (at.depth > deepest[at.tree]) deepest[at.tree] = at.depth;
            const unsigned char* entry = Entry(at.entry);
            const tDirectoryEntry fields{entry};
            if (!fields.NameTerminated()) return false;
            switch (fields.Kind()) {
            case kStorageEntry:
                pending.push_back({fields.Child(), uint32_t(count.size()), 1});
                count.push_back(0);
                deepest.push_back(0);
                break;
            case kStreamEntry:
                if (!StreamChain(entry)) return false;
                break;
            default: return false;
            }
            pending.push_back({fields.Left(), at.tree, at.depth + 1});
            pending.push_back({fields.Right(), at.tree, at.depth + 1});
        }
        // A red-black tree is at most twice as deep as a perfect one; allow
        // a little more before calling it a list.
        for (size_t t = 0; t < count.size(); ++t) {
            uint32_t perfect = 0;
            while ((uint64_t(1) << perfect) <= count[t]) ++perfect;
            if (deepest[t] > 2 * perfect + 4) unbalanced_ = true;
        }
        return true;
    }

    const uint64_t fileSize_;
    const tReadAt& readAt_;
    unsigned char header_[kHeaderSize] = {};
    size_t sectorSize_ = 512;
    uint32_t fileSectors_ = 0;
    std::vector<bool> used_;
    std::vector<uint32_t> fat_;
    std::vector<unsigned char> directory_;
    size_t entries_ = 0;
    std::vector<uint32_t> miniFat_;
    std::vector<bool> miniUsed_;
    bool unbalanced_ = false;
};

}  // namespace

bool IsSoundCompoundFile(uint64_t fileSize, const tReadAt& readAt, bool* unbalanced) {
    try {
        tChecker checker(fileSize, readAt);
        const bool sound = checker.Run();
        if (unbalanced) *unbalanced = sound && checker.Unbalanced();
        return sound;
    } catch (const std::exception&) {
        return false;  // memory for the tables of a huge file: not sound here
    }
}

bool IsSoundCompoundFile(const unsigned char* bytes, size_t size) {
    return IsSoundCompoundFile(size, [&](uint64_t offset, void* buffer, size_t n) {
        if (offset > size || n > size - offset) return false;
        if (n) std::memcpy(buffer, bytes + offset, n);
        return true;
    });
}
