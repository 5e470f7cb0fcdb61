#include "storage/compound_salvage.h"
#include "storage/compound_format.h"
#include <algorithm>
#include <functional>

namespace {

// A table entry whose sector of the table is missing or cannot be trusted.
constexpr uint32_t kUnknownLink = 0xFFFFFFFB;

enum : unsigned char { kFreeOwner = 0, kTableOwner, kChainOwner };

bool LooksLikeEntry(const unsigned char* bytes) {
    const tDirectoryEntry entry{bytes};
    const unsigned char kind = entry.Kind();
    if (kind != kStorageEntry && kind != kStreamEntry && kind != kRootEntry) return false;
    if (bytes[0x43] > 1) return false;  // the colour of the tree: red or black
    const uint16_t length = Le16(bytes + 0x40);  // in bytes, with the terminator
    if (length < 2 || length > 2 * kNameChars || length % 2 != 0) return false;
    const size_t chars = length / 2 - 1;
    for (size_t k = 0; k < chars; ++k)
        if (Le16(bytes + 2 * k) == 0) return false;
    return Le16(bytes + 2 * chars) == 0;
}

bool LooksUnused(const unsigned char* bytes) {
    return tDirectoryEntry{bytes}.Kind() == kUnusedEntry && Le16(bytes + 0x40) == 0;
}

// Sectors, or mini sectors, that the chains of streams share out: each goes
// to one chain only. A chain whose links are consistent (as many sectors as its
// size needs, then its end mark) takes its sectors before one whose links are
// not, so a damaged link cannot hand another stream's sectors to it.
class tChainSpace {
public:
    // Unit u holds the bytes of data from first + u * unit on; taken marks the
    // units already spoken for.
    tChainSpace(const std::vector<uint32_t>& table, size_t unit, const unsigned char* data, size_t size,
                size_t first, std::vector<unsigned char>& taken)
        : table_(table), unit_(unit), data_(reinterpret_cast<const char*>(data)), size_(size), first_(first), taken_(taken),
          isStart_(taken.size(), false), visits_(taken.size(), 0), walk_(taken.size(), 0) {}

    void MarkStart(uint32_t u) {
        if (u < isStart_.size()) isStart_[u] = true;
    }

    // Walks the chain without taking anything; no unit is walked more than
    // twice over all chains, so the walks stay within the size of the space.
    // The bytes met must also look whole to looksWhole.
    bool Consistent(uint32_t start, uint64_t size, const std::function<bool(const std::string&)>& looksWhole) {
        ++walkId_;
        std::string bytes;
        for (uint32_t u = start;; u = Next(u)) {
            if (!Open(u, start) || walk_[u] == walkId_ || visits_[u] >= 2) return false;
            walk_[u] = walkId_;
            ++visits_[u];
            const size_t held = Held(u);
            if (held < unit_ && bytes.size() + held < size) return false;
            bytes.append(data_ + first_ + size_t(u) * unit_, size_t(std::min<uint64_t>(held, size - bytes.size())));
            if (bytes.size() >= size) return Next(u) == kEndOfChain && looksWhole(bytes);
        }
    }

    // Takes the chain's units until it holds size bytes, ends, loops, leaves
    // the space or meets a unit of another chain.
    std::string Read(uint32_t start, uint64_t size) {
        std::string bytes;
        for (uint32_t u = start; bytes.size() < size; u = Next(u)) {
            if (!Open(u, start)) break;
            taken_[u] = kChainOwner;
            const size_t held = Held(u);
            bytes.append(data_ + first_ + size_t(u) * unit_, size_t(std::min<uint64_t>(held, size - bytes.size())));
            if (held < unit_) break;  // the data ends here
        }
        return bytes;
    }

private:
    bool Open(uint32_t u, uint32_t start) const {
        return u < taken_.size() && taken_[u] == kFreeOwner && (!isStart_[u] || u == start) && Held(u) > 0;
    }
    size_t Held(uint32_t u) const {
        const uint64_t at = first_ + uint64_t(u) * unit_;
        return at >= size_ ? 0 : size_t(std::min<uint64_t>(unit_, size_ - at));
    }
    uint32_t Next(uint32_t u) const { return u < table_.size() ? table_[u] : kUnknownLink; }

    const std::vector<uint32_t>& table_;
    const size_t unit_;
    const char* const data_;
    const size_t size_;
    const size_t first_;
    std::vector<unsigned char>& taken_;
    std::vector<bool> isStart_;
    std::vector<unsigned char> visits_;
    std::vector<uint32_t> walk_;
    uint32_t walkId_ = 0;
};

class tSalvager {
public:
    tSalvager(const unsigned char* data, size_t size, const tLooksWhole& looksWhole)
        : data_(data), size_(size), looksWhole_(looksWhole) {}

    std::vector<tSalvagedElement> Run() {
        if (size_ < kHeaderSize) return {};
        const tCompoundHeader header = ReadCompoundHeader(data_);
        sectorSize_ = header.sectorShift == 12 ? 4096 : 512;
        if (size_ <= sectorSize_) return {};
        // Every sector with at least one byte in the file; the last may be cut.
        const uint64_t sectors = (uint64_t(size_) - sectorSize_ + sectorSize_ - 1) / sectorSize_;
        sectors_ = uint32_t(std::min<uint64_t>(sectors, kMaxRegularSector));
        owner_.assign(sectors_, kFreeOwner);
        ReadAllocationTable(header);
        ReadDirectory(header.directoryStart);
        const std::string miniFat = ReadTableChain(header.miniFatStart);
        for (size_t i = 0; i + 4 <= miniFat.size(); i += 4)
            miniFat_.push_back(Le32(reinterpret_cast<const unsigned char*>(miniFat.data()) + i));
        ScanForDirectorySectors();
        return ReadElements();
    }

private:
    uint64_t Offset(uint32_t sector) const { return (uint64_t(sector) + 1) * sectorSize_; }
    size_t BytesIn(uint32_t sector) const {
        const uint64_t offset = Offset(sector);
        return offset >= size_ ? 0 : size_t(std::min<uint64_t>(sectorSize_, size_ - offset));
    }
    bool WholeFree(uint32_t sector) const {
        return sector < sectors_ && owner_[sector] == kFreeOwner && BytesIn(sector) == sectorSize_;
    }
    uint32_t Link(uint32_t sector) const { return sector < fat_.size() ? fat_[sector] : kUnknownLink; }

    // The table's sectors as the header and the table list name them, each
    // taken once; a sector of the table that links itself into a chain
    // (zeroed, or never written) tells nothing.
    void ReadAllocationTable(const tCompoundHeader& header) {
        std::vector<uint32_t> fatSectors;
        for (size_t i = 0; i < kHeaderDifatEntries; ++i) fatSectors.push_back(header.HeaderFatSector(i));
        const size_t perDifat = sectorSize_ / 4 - 1;
        // Only a file too large for the header's list has a table list of
        // sectors; otherwise a damaged start would take some stream's sector.
        const size_t perFat = sectorSize_ / 4;
        const bool listed = uint64_t(sectors_) > kHeaderDifatEntries * perFat;
        uint32_t n = 0;
        for (uint32_t s = header.difatStart; listed && n < header.difatCount && WholeFree(s); ++n) {
            owner_[s] = kTableOwner;
            const unsigned char* sector = data_ + Offset(s);
            for (size_t j = 0; j < perDifat; ++j) fatSectors.push_back(Le32(sector + 4 * j));
            s = Le32(sector + 4 * perDifat);
        }
        fat_.assign(sectors_, kUnknownLink);
        std::vector<uint32_t> loaded(fatSectors.size(), kNoEntry);
        for (size_t i = 0; i < fatSectors.size() && uint64_t(i) * perFat < sectors_; ++i) {
            const uint32_t s = fatSectors[i];
            if (!WholeFree(s)) continue;
            owner_[s] = kTableOwner;
            loaded[i] = s;
            const unsigned char* sector = data_ + Offset(s);
            for (size_t j = 0; j < perFat && i * perFat + j < sectors_; ++j)
                fat_[i * perFat + j] = Le32(sector + 4 * j);
        }
        std::vector<size_t> untrusted;
        for (size_t i = 0; i < loaded.size(); ++i)
            if (loaded[i] != kNoEntry && fat_[loaded[i]] <= kMaxRegularSector)
                untrusted.push_back(i);
        for (size_t i : untrusted)
            for (size_t j = 0; j < perFat && i * perFat + j < sectors_; ++j)
                fat_[i * perFat + j] = kUnknownLink;
    }

    // A chain with no size of its own (the directory, the mini table): whole
    // sectors until it ends, meets a sector already taken or one that each
    // does not take.
    template <typename tEach>
    void FollowTableChain(uint32_t start, tEach each) {
        for (uint32_t s = start; WholeFree(s) && each(data_ + Offset(s)); s = Link(s)) owner_[s] = kTableOwner;
    }

    // Nothing but directory entries, at least one of them in use.
    bool LooksLikeDirectorySector(const unsigned char* sector) const {
        bool any = false;
        for (size_t e = 0; e < sectorSize_; e += kEntrySize) {
            if (LooksLikeEntry(sector + e))
                any = true;
            else if (!LooksUnused(sector + e))
                return false;
        }
        return any;
    }

    std::string ReadTableChain(uint32_t start) {
        std::string bytes;
        FollowTableChain(start, [&](const unsigned char* sector) {
            bytes.append(reinterpret_cast<const char*>(sector), sectorSize_);
            return true;
        });
        return bytes;
    }

    // The directory's chain as long as it leads to directory sectors: one
    // that leads elsewhere leaves the rest to the scan.
    void ReadDirectory(uint32_t start) {
        FollowTableChain(start, [&](const unsigned char* sector) {
            if (!LooksLikeDirectorySector(sector)) return false;
            for (size_t e = 0; e < sectorSize_; e += kEntrySize) directory_.push_back(sector + e);
            return true;
        });
    }

    // Sectors outside every chain so far that the table does not call free and
    // that hold nothing but directory entries.
    void ScanForDirectorySectors() {
        for (uint32_t s = 0; s < sectors_; ++s) {
            if (!WholeFree(s) || Link(s) == kFreeSector) continue;
            const unsigned char* sector = data_ + Offset(s);
            if (!LooksLikeDirectorySector(sector)) continue;
            owner_[s] = kTableOwner;
            for (size_t e = 0; e < sectorSize_; e += kEntrySize)
                if (LooksLikeEntry(sector + e)) scanned_.push_back(sector + e);
        }
    }

    // Which storage holds each entry of the directory, by the tree from the
    // root; then the subtrees of storages the tree no longer reaches.
    std::vector<uint32_t> Parents() {
        const uint32_t count = uint32_t(directory_.size());
        std::vector<uint32_t> parent(count, kNoEntry);
        std::vector<bool> reached(count, false);
        auto walk = [&](uint32_t storage) {
            reached[storage] = true;
            std::vector<std::pair<uint32_t, uint32_t>> pending = {{tDirectoryEntry{directory_[storage]}.Child(), storage}};
            while (!pending.empty()) {
                const auto [e, holder] = pending.back();
                pending.pop_back();
                if (e >= count || reached[e] || !LooksLikeEntry(directory_[e])) continue;
                reached[e] = true;
                parent[e] = holder;
                const tDirectoryEntry entry{directory_[e]};
                pending.push_back({entry.Left(), holder});
                pending.push_back({entry.Right(), holder});
                if (entry.Kind() == kStorageEntry) pending.push_back({entry.Child(), e});
            }
        };
        if (count > 0 && tDirectoryEntry{directory_[0]}.Kind() == kRootEntry && LooksLikeEntry(directory_[0]))
            walk(0);
        for (uint32_t e = 0; e < count; ++e)
            if (!reached[e] && LooksLikeEntry(directory_[e]) && tDirectoryEntry{directory_[e]}.Kind() == kStorageEntry)
                walk(e);
        return parent;
    }

    bool InMiniStream(const tDirectoryEntry& entry) const {
        return entry.Kind() == kStreamEntry && entry.Size(sectorSize_) < kMiniStreamCutoff;
    }

    std::vector<tSalvagedElement> ReadElements() {
        const std::vector<uint32_t> parent = Parents();
        std::vector<tSalvagedElement> elements;
        std::vector<const unsigned char*> entries;
        for (uint32_t e = 0; e < directory_.size(); ++e) {
            if (!LooksLikeEntry(directory_[e])) continue;
            tSalvagedElement element;
            element.index = e;
            element.parent = parent[e];
            elements.push_back(element);
            entries.push_back(directory_[e]);
        }
        for (const unsigned char* scanned : scanned_) {
            tSalvagedElement element;
            element.index = kNoEntry;
            element.parent = kNoEntry;
            elements.push_back(element);
            entries.push_back(scanned);
        }
        // The root that names the mini stream: the directory's first entry,
        // or else the first found outside its chain.
        const unsigned char* root = nullptr;
        for (size_t i = 0; i < entries.size() && !root; ++i)
            if (tDirectoryEntry{entries[i]}.Kind() == kRootEntry && (elements[i].index == 0 || elements[i].index == kNoEntry))
                root = entries[i];
        tChainSpace regular(fat_, sectorSize_, data_, size_, sectorSize_, owner_);
        // Only the directory's own entries keep other chains out of their
        // first sectors: one found outside it may be an older copy.
        std::vector<uint32_t> miniStarts;
        for (size_t i = 0; i < entries.size() && elements[i].index != kNoEntry; ++i) {
            const tDirectoryEntry entry{entries[i]};
            if (InMiniStream(entry))
                miniStarts.push_back(entry.Start());
            else if (entry.Kind() != kStorageEntry)
                regular.MarkStart(entry.Start());
        }
        std::string miniStream;
        if (root) {
            const tDirectoryEntry rootEntry{root};
            miniStream = regular.Read(rootEntry.Start(), std::min<uint64_t>(rootEntry.Size(sectorSize_), size_));
        }
        std::vector<unsigned char> miniTaken((miniStream.size() + kMiniSectorSize - 1) / kMiniSectorSize, kFreeOwner);
        tChainSpace mini(miniFat_, kMiniSectorSize, reinterpret_cast<const unsigned char*>(miniStream.data()),
                         miniStream.size(), 0, miniTaken);
        for (uint32_t m : miniStarts) mini.MarkStart(m);

        std::vector<bool> consistent(elements.size(), false);
        for (size_t i = 0; i < elements.size(); ++i) {
            const tDirectoryEntry entry{entries[i]};
            elements[i].name = entry.Name();
            elements[i].kind = entry.Kind();
            if (elements[i].kind != kStreamEntry) continue;
            elements[i].size = entry.Size(sectorSize_);
            if (elements[i].size == 0) continue;
            tChainSpace& space = InMiniStream(entry) ? mini : regular;
            consistent[i] = space.Consistent(entry.Start(), elements[i].size,
                                             [&](const std::string& b) { return looksWhole_(elements[i].name, b); });
        }
        for (bool first : {true, false}) {
            for (size_t i = 0; i < elements.size(); ++i) {
                if (consistent[i] != first || elements[i].kind != kStreamEntry || elements[i].size == 0) continue;
                const tDirectoryEntry entry{entries[i]};
                tChainSpace& space = InMiniStream(entry) ? mini : regular;
                elements[i].bytes = space.Read(entry.Start(), elements[i].size);
            }
        }
        return elements;
    }

    const unsigned char* data_;
    const size_t size_;
    const tLooksWhole& looksWhole_;
    size_t sectorSize_ = 512;
    uint32_t sectors_ = 0;
    std::vector<unsigned char> owner_;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<const unsigned char*> directory_;
    std::vector<const unsigned char*> scanned_;
};

}  // namespace

std::vector<tSalvagedElement> SalvageCompoundFile(const unsigned char* bytes, size_t size,
                                                  const tLooksWhole& looksWhole) {
    return tSalvager(bytes, size, looksWhole).Run();
}
