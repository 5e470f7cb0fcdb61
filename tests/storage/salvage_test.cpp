// The recovery of damaged note files over crafted byte images: plain C++, so
// it runs natively (tests/storage/salvage_native.sh) as well as under Wine.
#include <gtest/gtest.h>
#include "storage/compound_check.h"
#include "storage/compound_format.h"
#include "storage/note_salvage.h"
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Le32Bytes(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char(value >> (8 * i));
    return bytes;
}

std::string RecordOf(const std::string& text) { return Le32Bytes(uint32_t(text.size())) + text; }

// A note file as the format lays it out, built byte by byte with 512-byte
// sectors: the table in sector 0, then the directory, the mini table, the mini
// stream and the streams of 4096 bytes or more, each chain in order.
class tCraftedFile {
public:
    struct tElement {
        std::string name;
        std::string bytes;
    };
    tCraftedFile(const std::vector<tElement>& rootStreams, const std::vector<tElement>& topics) {
        std::vector<tElement> all = rootStreams;
        all.insert(all.end(), topics.begin(), topics.end());
        const size_t entries = 2 + all.size();
        dirSectors = uint32_t((entries + 3) / 4);
        uint32_t miniCount = 0;
        std::vector<uint32_t> miniFirst, miniLength;
        for (const tElement& e : all) {
            const uint32_t n = e.bytes.size() < 4096 ? uint32_t((e.bytes.size() + 63) / 64) : 0;
            miniFirst.push_back(n ? miniCount : kEndOfChain);
            miniLength.push_back(n);
            miniCount += n;
        }
        miniFatStart = 1 + dirSectors;
        const uint32_t miniFatSectors = (miniCount + 127) / 128;
        miniStreamStart = miniFatStart + miniFatSectors;
        const uint32_t miniStreamSectors = (miniCount * 64 + 511) / 512;
        uint32_t next = miniStreamStart + miniStreamSectors;
        std::vector<uint32_t> first;
        for (const tElement& e : all) {
            first.push_back(e.bytes.size() >= 4096 ? next : kEndOfChain);
            if (e.bytes.size() >= 4096) next += uint32_t((e.bytes.size() + 511) / 512);
        }
        sectors = next;
        bytes.assign(512 * (sectors + 1), '\0');
        // Header.
        bytes.replace(0, 8, reinterpret_cast<const char*>(kCompoundSignature), 8);
        Put16(0x18, 0x3E);
        Put16(0x1A, 3);
        Put16(0x1C, 0xFFFE);
        Put16(0x1E, 9);
        Put16(0x20, 6);
        Put32(0x2C, 1);
        Put32(0x30, 1);
        Put32(0x38, 4096);
        Put32(0x3C, miniFatSectors ? miniFatStart : kEndOfChain);
        Put32(0x40, miniFatSectors);
        Put32(0x44, kEndOfChain);
        for (size_t i = 0; i < kHeaderDifatEntries; ++i) Put32(0x4C + 4 * i, i == 0 ? 0 : kFreeSector);
        // The table.
        for (uint32_t s = 0; s < 128; ++s) SetFat(s, kFreeSector);
        SetFat(0, kFatSector);
        Chain(1, dirSectors);
        if (miniFatSectors) Chain(miniFatStart, miniFatSectors);
        if (miniStreamSectors) Chain(miniStreamStart, miniStreamSectors);
        // Directory: the root holds "Topics" and its own streams, linked to the
        // right; "Topics" holds the topics the same way.
        Entry(0, "Root Entry", kRootEntry, kNoEntry, 1, miniStreamSectors ? miniStreamStart : kEndOfChain,
              miniCount * 64);
        bytes.replace(Offset(1) + 0x50, 16, "\x80\x6B\x23\xFA\x65\xC4\xCF\x11\xBB\xF3\x00\x20\xAF\x71\xE4\x33", 16);
        const uint32_t firstTopic = 2 + uint32_t(rootStreams.size());
        Entry(1, "Topics", kStorageEntry, rootStreams.empty() ? kNoEntry : 2,
              topics.empty() ? kNoEntry : firstTopic, 0, 0);
        for (size_t i = 0; i < all.size(); ++i) {
            const uint32_t e = uint32_t(2 + i);
            const bool last = i + 1 == rootStreams.size() || i + 1 == all.size();
            const bool big = all[i].bytes.size() >= 4096;
            Entry(e, all[i].name, kStreamEntry, last ? kNoEntry : e + 1, kNoEntry, big ? first[i] : miniFirst[i],
                  uint32_t(all[i].bytes.size()));
            if (big) {
                Chain(first[i], uint32_t((all[i].bytes.size() + 511) / 512));
                bytes.replace(Offset(first[i]), all[i].bytes.size(), all[i].bytes);
                start[all[i].name] = first[i];
            } else if (miniLength[i]) {
                for (uint32_t m = 0; m < miniLength[i]; ++m)
                    MiniFat(miniFirst[i] + m, m + 1 < miniLength[i] ? miniFirst[i] + m + 1 : kEndOfChain);
                bytes.replace(Offset(miniStreamStart) + 64 * miniFirst[i], all[i].bytes.size(), all[i].bytes);
                start[all[i].name] = miniFirst[i];
            }
        }
    }

    static size_t Offset(uint32_t sector) { return (size_t(sector) + 1) * 512; }
    void Put16(size_t at, uint16_t v) { bytes[at] = char(v); bytes[at + 1] = char(v >> 8); }
    void Put32(size_t at, uint32_t v) { bytes.replace(at, 4, Le32Bytes(v)); }
    void SetFat(uint32_t sector, uint32_t next) { Put32(Offset(0) + 4 * sector, next); }
    uint32_t Fat(uint32_t sector) const {
        return Le32(reinterpret_cast<const unsigned char*>(bytes.data()) + Offset(0) + 4 * sector);
    }
    void MiniFat(uint32_t mini, uint32_t next) { Put32(Offset(miniFatStart) + 4 * mini, next); }
    size_t EntryOffset(uint32_t e) const { return Offset(1 + e / 4) + 128 * (e % 4); }
    void ZeroSector(uint32_t sector) { bytes.replace(Offset(sector), 512, std::string(512, '\0')); }

    std::string bytes;
    uint32_t sectors = 0, dirSectors = 0, miniFatStart = 0, miniStreamStart = 0;
    std::map<std::string, uint32_t> start;  // first sector, or first mini sector, of each stream

private:
    void Chain(uint32_t first, uint32_t count) {
        for (uint32_t s = first; s < first + count; ++s) SetFat(s, s + 1 < first + count ? s + 1 : kEndOfChain);
    }
    void Entry(uint32_t e, const std::string& name, unsigned char kind, uint32_t right, uint32_t child,
               uint32_t first, uint32_t size) {
        const size_t at = EntryOffset(e);
        for (size_t k = 0; k < name.size(); ++k) Put16(at + 2 * k, uint16_t(static_cast<unsigned char>(name[k])));
        Put16(at + 0x40, uint16_t(2 * (name.size() + 1)));
        bytes[at + 0x42] = char(kind);
        bytes[at + 0x43] = 1;
        Put32(at + 0x44, kNoEntry);
        Put32(at + 0x48, right);
        Put32(at + 0x4C, child);
        Put32(at + 0x74, first);
        Put32(at + 0x78, size);
    }
};

std::string Narrow(const std::u16string& name) {
    std::string narrow;
    for (char16_t c : name) narrow += c < 256 ? char(c) : '?';
    return narrow;
}

tSalvagedNotes Salvage(const std::string& bytes) {
    return SalvageNotes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), Narrow);
}

const std::string kLong(6000, 'L');         // a topic in regular sectors
const std::string kOther = std::string(4500, 'o') + "end";
std::string Colours() { return std::string(72, '\x11'); }
std::string Fonts() { return std::string(120, '\x22'); }

// Four topics, two of them large, with the appearance: five entries in the
// root's directory sector, the rest in a second one.
tCraftedFile NoteFile(const std::vector<std::string>& index = {"Small", "Long", "Empty", "Other"}) {
    std::string indexBytes = Le32Bytes(uint32_t(index.size()));
    for (const std::string& name : index) indexBytes += RecordOf(name);
    return tCraftedFile({{"Index", indexBytes}, {"Colours", Colours()}, {"Font", Fonts()}},
                        {{"Small", RecordOf("a small note")},
                         {"Long", RecordOf(kLong)},
                         {"Empty", RecordOf("")},
                         {"Other", RecordOf(kOther)}});
}

// What was recovered, one line per topic: name, whole or in part, text.
struct tSeen {
    std::string name;
    bool whole;
    std::string text;
    bool operator==(const tSeen& o) const { return name == o.name && whole == o.whole && text == o.text; }
};
std::ostream& operator<<(std::ostream& out, const tSeen& s) {
    return out << s.name << (s.whole ? " whole " : " in part ") << s.text.size() << " bytes";
}
std::vector<tSeen> Seen(const tSalvagedNotes& notes) {
    std::vector<tSeen> seen;
    for (const tSalvagedTopic& t : notes.topics) seen.push_back({t.name, t.whole, t.text});
    return seen;
}
std::string InPart(const std::string& text) { return kRecoveredInPartLine + text; }

const std::vector<tSeen> kAllWhole = {
    {"Small", true, "a small note"}, {"Long", true, kLong}, {"Empty", true, ""}, {"Other", true, kOther}};

TEST(Salvage, CraftedFileIsSoundAndRecoveredWhole) {
    tCraftedFile file = NoteFile();
    ASSERT_TRUE(IsSoundCompoundFile(reinterpret_cast<const unsigned char*>(file.bytes.data()), file.bytes.size()));
    tSalvagedNotes notes = Salvage(file.bytes);
    EXPECT_EQ(kAllWhole, Seen(notes));
    EXPECT_TRUE(notes.lost.empty());
    EXPECT_EQ(Colours(), notes.colours);
    EXPECT_EQ(Fonts(), notes.font);
}

// Damage of the kinds real files meet, each with what must still come back.
TEST(Salvage, DamagedFilesGiveBackWhatSurvives) {
    struct tCase {
        const char* what;
        void (*damage)(tCraftedFile& f);
        std::vector<tSeen> topics;
        std::vector<std::string> lost;
        bool appearance;
    };
    const tCase cases[] = {
        {"a chain that runs one sector past its end mark",
         [](tCraftedFile& f) { f.SetFat(f.start["Long"] + 11, f.start["Other"]); },
         kAllWhole, {}, true},
        {"the header counts a table sector that never reached the disk",
         [](tCraftedFile& f) {
             f.Put32(0x2C, 2);
             f.Put32(0x50, f.sectors + 40);
         },
         kAllWhole, {}, true},
        {"a chain that loops back to its start",
         [](tCraftedFile& f) { f.SetFat(f.start["Long"] + 1, f.start["Long"]); },
         {{"Small", true, "a small note"}, {"Long", false, InPart(kLong.substr(0, 1020))}, {"Empty", true, ""},
          {"Other", true, kOther}},
         {}, true},
        {"a chain that runs into another stream's sectors",
         [](tCraftedFile& f) { f.SetFat(f.start["Long"] + 2, f.start["Other"] + 3); },
         {{"Small", true, "a small note"}, {"Long", false, InPart(kLong.substr(0, 1532))}, {"Empty", true, ""},
          {"Other", true, kOther}},
         {}, true},
        {"a mini chain that loops",
         [](tCraftedFile& f) {
             f.MiniFat(f.start["Colours"], f.start["Colours"]);
         },
         kAllWhole, {}, false},
        {"the table sector zeroed: each stream keeps its first sector",
         [](tCraftedFile& f) { f.ZeroSector(0); },
         {{"Small", true, "a small note"}, {"Long", false, InPart(kLong.substr(0, 508))}, {"Empty", true, ""},
          {"Other", false, InPart(kOther.substr(0, 508))}},
         {}, true},
        {"a sector zeroed inside a topic, and a small topic's only sector",
         [](tCraftedFile& f) {
             f.ZeroSector(f.start["Long"] + 1);
             f.bytes.replace(tCraftedFile::Offset(f.miniStreamStart) + 64 * f.start["Small"], 16, std::string(16, '\0'));
         },
         {{"Long", false, InPart(kLong.substr(0, 508) + kLostBytesMark + kLong.substr(1020))}, {"Empty", true, ""},
          {"Other", true, kOther}},
         {"Small"}, true},
        {"the directory's second sector zeroed",
         [](tCraftedFile& f) { f.ZeroSector(2); },
         {{"Other", true, kOther}},
         {"Small", "Long", "Empty"}, true},
        {"the directory's chain cut after its first sector: the second is found by scanning",
         [](tCraftedFile& f) { f.SetFat(1, kEndOfChain); },
         kAllWhole, {}, true},
        {"the directory's chain led into a topic's sectors: that sector stays the topic's",
         [](tCraftedFile& f) { f.SetFat(1, f.start["Long"]); },
         kAllWhole, {}, true},
        {"the root's child link on a topic: topics beside the Index are still topics",
         [](tCraftedFile& f) { f.Put32(f.EntryOffset(0) + 0x4C, 5); },
         kAllWhole, {}, true},
        {"a sibling link broken: the entries the tree no longer reaches are still read",
         [](tCraftedFile& f) { f.Put32(f.EntryOffset(6) + 0x48, 77); },
         kAllWhole, {}, true},
        {"the file cut inside a large topic",
         [](tCraftedFile& f) { f.bytes.resize(tCraftedFile::Offset(f.start["Other"]) + 1000); },
         {{"Small", true, "a small note"}, {"Long", true, kLong}, {"Empty", true, ""},
          {"Other", false, InPart(kOther.substr(0, 996))}},
         {}, true},
        {"the file cut before the large topics",
         [](tCraftedFile& f) { f.bytes.resize(tCraftedFile::Offset(f.start["Long"])); },
         {{"Small", true, "a small note"}, {"Empty", true, ""}},
         {"Long", "Other"}, true},
        {"the mini stream cut short",
         [](tCraftedFile& f) { f.bytes.resize(tCraftedFile::Offset(f.miniStreamStart) + 64 * f.start["Small"] + 10); },
         {{"Small", false, InPart("a smal")}},
         {"Long", "Empty", "Other"}, true},
        {"the Index unreadable: names from the elements, in name order",
         [](tCraftedFile& f) { f.Put32(tCraftedFile::Offset(f.miniStreamStart) + 64 * f.start["Index"] + 4, 999); },
         {{"Empty", true, ""}, {"Long", true, kLong}, {"Other", true, kOther}, {"Small", true, "a small note"}},
         {}, true},
    };
    for (const tCase& c : cases) {
        SCOPED_TRACE(c.what);
        tCraftedFile file = NoteFile();
        c.damage(file);
        tSalvagedNotes notes = Salvage(file.bytes);
        EXPECT_EQ(c.topics, Seen(notes));
        EXPECT_EQ(c.lost, notes.lost);
        EXPECT_EQ(c.appearance, !notes.colours.empty());
    }
}

// The Index decides names and order; a name twice, in another case or without
// a stream gives no topic twice and none made up.
TEST(Salvage, IndexNamesOrderAndNoTopicTwice) {
    tCraftedFile file = NoteFile({"other", "Small", "Missing", "SMALL", "Long"});
    tSalvagedNotes notes = Salvage(file.bytes);
    EXPECT_EQ((std::vector<tSeen>{{"other", true, kOther},
                                  {"Small", true, "a small note"},
                                  {"Long", true, kLong},
                                  {"Empty", true, ""}}),
              Seen(notes));
    EXPECT_EQ((std::vector<std::string>{"Missing"}), notes.lost);
    EXPECT_EQ(4u, notes.WholeCount());
    EXPECT_EQ(0u, notes.InPartCount());
}

// A file whose every link and count points at itself or far away ends quickly
// with nothing made up.
TEST(Salvage, HostileLinksEndWithNothingMadeUp) {
    tCraftedFile file = NoteFile();
    for (uint32_t s = 0; s < 128; ++s) file.SetFat(s, s);
    file.Put32(0x2C, 0xFFFFFFFF);
    file.Put32(0x44, 0);
    file.Put32(0x48, 0x7FFFFFFF);
    for (uint32_t e = 0; e < 8; ++e) {
        file.Put32(file.EntryOffset(e) + 0x44, e);
        file.Put32(file.EntryOffset(e) + 0x4C, 0);
        file.Put32(file.EntryOffset(e) + 0x78, 0xFFFFFFF0);
    }
    tSalvagedNotes notes = Salvage(file.bytes);
    for (const tSalvagedTopic& t : notes.topics) EXPECT_FALSE(t.whole) << t.name;
    EXPECT_TRUE(Salvage(std::string(600, '\xFF')).topics.empty());
    EXPECT_TRUE(Salvage("").topics.empty());
}

TEST(Salvage, OnlyFilesThatMayHoldNotesAreOffered) {
    auto may = [](const std::string& b) {
        return MayHoldNotes(reinterpret_cast<const unsigned char*>(b.data()), b.size());
    };
    tCraftedFile file = NoteFile();
    EXPECT_TRUE(may(file.bytes));  // sound, and the note file's class
    std::string foreign = file.bytes;
    foreign[tCraftedFile::Offset(1) + 0x50] = 0;
    EXPECT_FALSE(may(foreign));    // a sound compound file of another program
    foreign.resize(foreign.size() - 700);
    EXPECT_TRUE(may(foreign));     // ... damaged: it may be a note file that lost its class
    std::string unsigned_ = file.bytes;
    unsigned_[0] = 'X';
    EXPECT_TRUE(may(unsigned_));   // signature gone, class still there
    EXPECT_FALSE(may(std::string(2000, 'x')));
    EXPECT_FALSE(may(file.bytes.substr(0, 100)));
}

}  // namespace
