// Coverage-guided fuzzing of the plain byte checks: the compound-file check,
// the "Index" and string-record readers and the recovery of damaged note
// files, built natively with libFuzzer,
// AddressSanitizer and UndefinedBehaviorSanitizer (bench/fuzz_native).
//
// Beyond "no crash", each input checks properties: a record or index that
// parses fits in the bytes given; and when the check calls a file sound, a
// reader that trusts the file as the platform does (no cycle detection, no
// range checks of its own) stays inside the file and comes to an end.
// QUILLET_SOUND_FILES=<folder> first asserts that every .qld there (files the
// program wrote) passes the check. The recovery gives back no more bytes
// than the file holds, no topic twice, and marks every topic it cut short.
#include "storage/compound_check.h"
#include "storage/note_salvage.h"
#include "storage/records.h"
#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "PROPERTY FAILED: %s\n", what);
    std::abort();
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Follows what a sound file says, trusting it; any step out of the file or
// past the number of sectors there are is a property failure.
class tTrustingReader {
public:
    tTrustingReader(const uint8_t* data, size_t size) : data_(data) {
        sectorSize_ = size_t(1) << (data[0x1E] | data[0x1F] << 8);
        sectors_ = size / sectorSize_ - 1;
        const uint32_t fatCount = Le32(data + 0x2C);
        std::vector<uint32_t> fatSectors;
        for (uint32_t i = 0; i < fatCount && i < 109; ++i) fatSectors.push_back(Le32(data + 0x4C + 4 * i));
        uint32_t difat = Le32(data + 0x44);
        for (uint32_t n = 0; n < Le32(data + 0x48); ++n) {
            if (n > sectors_) Fail("more table-list sectors than the file holds");
            const uint8_t* sector = Sector(difat);
            for (size_t j = 0; j + 4 < sectorSize_ && fatSectors.size() < fatCount; j += 4)
                fatSectors.push_back(Le32(sector + j));
            difat = Le32(sector + sectorSize_ - 4);
        }
        for (uint32_t s : fatSectors) {
            const uint8_t* sector = Sector(s);
            for (size_t j = 0; j < sectorSize_; j += 4) fat_.push_back(Le32(sector + j));
        }
        directory_ = Chain(fat_, Le32(data + 0x30));
        std::string miniFat = Chain(fat_, Le32(data + 0x3C));
        for (size_t j = 0; j + 4 <= miniFat.size(); j += 4)
            miniFat_.push_back(Le32(reinterpret_cast<const uint8_t*>(miniFat.data()) + j));
        miniStream_ = Chain(fat_, Field(0, 0x74));
    }

    size_t Entries() const { return directory_.size() / 128; }
    uint32_t Field(size_t entry, size_t offset) const {
        if (entry >= Entries()) Fail("directory link outside the directory");
        return Le32(reinterpret_cast<const uint8_t*>(directory_.data()) + 128 * entry + offset);
    }
    uint8_t Kind(size_t entry) const { return uint8_t(directory_[128 * entry + 0x42]); }
    std::u16string Name(size_t entry) const {
        std::u16string name;
        for (size_t k = 0;; ++k) {
            if (k == 32) Fail("name without its end");
            char16_t c = char16_t(uint8_t(directory_[128 * entry + 2 * k]) |
                                  uint8_t(directory_[128 * entry + 2 * k + 1]) << 8);
            if (c == 0) return name;
            name += c;
        }
    }

    // The platform's lookup: down the tree by length, then by the names.
    uint32_t Find(uint32_t storage, const std::u16string& wanted) const {
        size_t steps = 0;
        for (uint32_t e = Field(storage, 0x4C); e != 0xFFFFFFFF;) {
            if (++steps > Entries()) Fail("lookup that does not end");
            std::u16string name = Name(e);
            int cmp = wanted.size() < name.size() ? -1 : wanted.size() > name.size() ? 1 : wanted.compare(name);
            if (cmp == 0) return e;
            e = Field(e, cmp < 0 ? 0x44 : 0x48);
        }
        return 0xFFFFFFFF;
    }

    // Every entry under a storage, by left and right links from its child.
    std::vector<uint32_t> Children(uint32_t storage) const {
        std::vector<uint32_t> found, pending = {Field(storage, 0x4C)};
        while (!pending.empty()) {
            uint32_t e = pending.back();
            pending.pop_back();
            if (e == 0xFFFFFFFF) continue;
            if (found.size() >= Entries()) Fail("tree walk that does not end");
            found.push_back(e);
            pending.push_back(Field(e, 0x44));
            pending.push_back(Field(e, 0x48));
        }
        return found;
    }

    std::string Stream(uint32_t entry) const {
        uint64_t size = Field(entry, 0x78);
        std::string bytes;
        if (size < 4096) {
            size_t steps = 0;
            for (uint32_t s = Field(entry, 0x74); s != 0xFFFFFFFE && bytes.size() < size; s = miniFat_[s]) {
                if (++steps > miniFat_.size() || s >= miniFat_.size()) Fail("mini chain out of its table");
                if ((size_t(s) + 1) * 64 > miniStream_.size()) Fail("mini sector outside the mini stream");
                bytes.append(miniStream_, size_t(s) * 64, 64);
            }
        } else {
            bytes = Chain(fat_, Field(entry, 0x74));
        }
        if (bytes.size() > size) bytes.resize(size_t(size));
        return bytes;
    }

private:
    const uint8_t* Sector(uint32_t s) const {
        if (s >= sectors_) Fail("sector outside the file");
        return data_ + (size_t(s) + 1) * sectorSize_;
    }
    std::string Chain(const std::vector<uint32_t>& table, uint32_t start) const {
        std::string bytes;
        size_t steps = 0;
        for (uint32_t s = start; s != 0xFFFFFFFE; s = table[s]) {
            if (++steps > sectors_) Fail("chain longer than the file");
            if (s >= table.size()) Fail("chain out of its table");
            bytes.append(reinterpret_cast<const char*>(Sector(s)), sectorSize_);
        }
        return bytes;
    }

    const uint8_t* data_;
    size_t sectorSize_;
    size_t sectors_;
    std::vector<uint32_t> fat_, miniFat_;
    std::string directory_, miniStream_;
};

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

void CheckRecords(const uint8_t* data, size_t size) {
    std::string text;
    if (ParseStringRecord(data, size, text)) {
        if (size < 4 || text.size() != Le32(data) || text.size() > size - 4 ||
            std::memcmp(text.data(), data + 4, text.size()) != 0)
            Fail("a record read other bytes than it holds");
    }
    std::vector<std::string> names;
    if (ParseIndex(data, size, names)) {
        size_t used = 4;
        for (const std::string& name : names) used += 4 + name.size();
        if (names.size() != Le32(data) || used > size) Fail("an index read more than it holds");
    }
}

// The loader's path through a sound file: the root's elements, every topic.
void ReadLikeTheLoader(const uint8_t* data, size_t size) {
    tTrustingReader file(data, size);
    for (const char16_t* name : {u"Index", u"Colours", u"Font"}) {
        uint32_t e = file.Find(0, name);
        if (e == 0xFFFFFFFF || file.Kind(e) != 2) continue;
        std::string bytes = file.Stream(e);
        CheckRecords(Bytes(bytes), bytes.size());
    }
    uint32_t topics = file.Find(0, u"Topics");
    if (topics == 0xFFFFFFFF || file.Kind(topics) != 1) return;
    for (uint32_t e : file.Children(topics)) {
        if (file.Kind(e) != 2) continue;
        std::string bytes = file.Stream(e);
        CheckRecords(Bytes(bytes), bytes.size());
    }
}

void CheckSalvage(const uint8_t* data, size_t size) {
    auto narrow = [](const std::u16string& name) {
        std::string s;
        for (char16_t c : name) s += char(c < 256 ? c : '?');
        return s;
    };
    const tSalvagedNotes notes = SalvageNotes(data, size, narrow);
    const size_t mark = std::strlen(kRecoveredInPartLine);
    size_t text = 0;
    std::vector<std::string> keys;
    for (const tSalvagedTopic& topic : notes.topics) {
        std::string key = topic.name;
        for (char& c : key)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
        for (const std::string& other : keys)
            if (other == key) Fail("a topic recovered twice");
        keys.push_back(key);
        if (!topic.whole && topic.text.compare(0, mark, kRecoveredInPartLine) != 0)
            Fail("a topic in part without its mark");
        size_t marks = 0;
        for (size_t at = topic.text.find(kLostBytesMark); at != std::string::npos;
             at = topic.text.find(kLostBytesMark, at + 1))
            ++marks;
        // The edit control ends its text at a zero byte: none may reach it.
        if (topic.text.find('\0') != std::string::npos) Fail("a topic with a zero byte");
        // Each mark stands for at least one byte of the file.
        text += topic.text.size() - (topic.whole ? 0 : mark) - marks * (std::strlen(kLostBytesMark) - 1);
    }
    // Every stream's bytes come from sectors no other stream took.
    if (text + notes.colours.size() + notes.font.size() > size) Fail("more text recovered than the file holds");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* folder = std::getenv("QUILLET_SOUND_FILES");
    if (!folder) return 0;
    DIR* dir = opendir(folder);
    if (!dir) Fail("QUILLET_SOUND_FILES is no folder");
    int checked = 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".qld") != 0) continue;
        std::ifstream in(std::string(folder) + "/" + name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!IsSoundCompoundFile(Bytes(bytes), bytes.size())) {
            std::fprintf(stderr, "%s: ", name.c_str());
            Fail("a file the program wrote is called unsound");
        }
        ReadLikeTheLoader(Bytes(bytes), bytes.size());
        ++checked;
    }
    closedir(dir);
    std::fprintf(stderr, "sound files: %d passed the check\n", checked);
    if (checked == 0) Fail("no .qld files to check");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckRecords(data, size);
    if (IsSoundCompoundFile(data, size)) ReadLikeTheLoader(data, size);
    CheckSalvage(data, size);
    return 0;
}
