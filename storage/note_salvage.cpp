#include "storage/note_salvage.h"
#include "storage/compound_check.h"
#include "storage/compound_format.h"
#include "storage/compound_salvage.h"
#include "storage/records.h"
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

const char kRecoveredInPartLine[] =
    "[Recovered in part: some of this topic could not be read.]\r\n";
const char kLostBytesMark[] = "[...]";

namespace {

// {FA236B80-C465-11CF-BBF3-0020AF71E433} as the file stores it.
constexpr unsigned char kNoteClassBytes[16] = {0x80, 0x6B, 0x23, 0xFA, 0x65, 0xC4, 0xCF, 0x11,
                                               0xBB, 0xF3, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33};
constexpr size_t kColoursSize = 72;
constexpr size_t kFontSize = 120;

// Element names are told apart without regard to case.
std::string Key(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return key;
}

// The names of an Index as far as its records are whole.
std::vector<std::string> IndexNames(const std::string& bytes) {
    std::vector<std::string> names;
    if (bytes.size() < 4) return names;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint32_t count = Le32(data);
    for (size_t at = 4; names.size() < count;) {
        std::string name;
        if (!ParseStringRecord(data + at, bytes.size() - at, name)) break;
        at += 4 + name.size();
        names.push_back(std::move(name));
    }
    return names;
}

// Bytes the text holds where the file lost some: a topic's text never holds
// a zero byte (the edit control ends its text at one), so a run of them is
// a sector that was zeroed or never written.
std::string WithoutLostRuns(const std::string& bytes) {
    std::string text;
    for (size_t at = 0; at < bytes.size();) {
        const size_t zero = bytes.find('\0', at);
        text.append(bytes, at, zero == std::string::npos ? std::string::npos : zero - at);
        if (zero == std::string::npos) break;
        at = bytes.find_first_not_of('\0', zero);
        if (at == std::string::npos) break;
        text += kLostBytesMark;
    }
    return text;
}

// A topic from its stream: whole when its record is and holds no lost
// bytes, in part when some of its text is there, nothing when none is.
bool TopicFrom(const std::string& bytes, uint64_t size, tSalvagedTopic& topic) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string text;
    // A zero length in a stream longer than a few bytes of slack is a lost length.
    const bool lostLength = bytes.size() >= 4 && Le32(data) == 0 && size > 8;
    if (!lostLength && ParseStringRecord(data, bytes.size(), text) && text.find('\0') == std::string::npos) {
        topic.whole = true;
        topic.text = std::move(text);
        return true;
    }
    if (bytes.size() <= 4) return false;
    const uint64_t length = lostLength ? bytes.size() - 4 : std::min<uint64_t>(Le32(data), bytes.size() - 4);
    text = WithoutLostRuns(bytes.substr(4, size_t(length)));
    if (text.empty() || text == kLostBytesMark) return false;
    topic.whole = false;
    topic.text = kRecoveredInPartLine + text;
    return true;
}

}  // namespace

size_t tSalvagedNotes::WholeCount() const {
    return size_t(std::count_if(topics.begin(), topics.end(), [](const tSalvagedTopic& t) { return t.whole; }));
}

size_t tSalvagedNotes::InPartCount() const { return topics.size() - WholeCount(); }

tSalvagedNotes SalvageNotes(const unsigned char* bytes, size_t size, const tToNarrowName& toNarrow) {
    // A topic's stream is one record that fills it; the root's own streams
    // are taken as they come.
    auto looksWhole = [&](const std::u16string& name, const std::string& stream) {
        const std::string key = Key(toNarrow(name));
        if (key == "INDEX" || key == "COLOURS" || key == "FONT") return true;
        return stream.size() >= 4 &&
               Le32(reinterpret_cast<const unsigned char*>(stream.data())) == stream.size() - 4;
    };
    const std::vector<tSalvagedElement> elements = SalvageCompoundFile(bytes, size, looksWhole);
    std::vector<std::string> names;
    for (const tSalvagedElement& element : elements) names.push_back(toNarrow(element.name));

    // The root's own streams, found under the root or, failing that, anywhere
    // outside the tree.
    const tSalvagedElement* index = nullptr;
    const tSalvagedElement* colours = nullptr;
    const tSalvagedElement* font = nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < elements.size(); ++i) {
            const tSalvagedElement& e = elements[i];
            if (e.kind != kStreamEntry || e.parent != (pass == 0 ? 0 : kNoEntry)) continue;
            const std::string key = Key(names[i]);
            if (key == "INDEX" && !index) index = &e;
            if (key == "COLOURS" && !colours) colours = &e;
            if (key == "FONT" && !font) font = &e;
        }
    }
    std::set<uint32_t> topicsStorages;
    for (size_t i = 0; i < elements.size(); ++i)
        if (elements[i].kind == kStorageEntry && elements[i].index != kNoEntry && Key(names[i]) == "TOPICS")
            topicsStorages.insert(elements[i].index);

    // One stream per name: one in "Topics" before one elsewhere in the root
    // (a note file's root holds only its own streams beside "Topics", so
    // another one there is a topic whose links were damaged), before one
    // found outside the tree.
    auto rank = [&](const tSalvagedElement& e) {
        if (topicsStorages.count(e.parent) != 0) return 0;
        return e.parent == 0 ? 1 : e.parent == kNoEntry ? 2 : 3;
    };
    std::map<std::string, size_t> streams;
    for (size_t i = 0; i < elements.size(); ++i) {
        const tSalvagedElement& e = elements[i];
        if (e.kind != kStreamEntry || &e == index || &e == colours || &e == font || rank(e) == 3) continue;
        auto [at, added] = streams.emplace(Key(names[i]), i);
        if (!added && rank(e) < rank(elements[at->second])) at->second = i;
    }

    tSalvagedNotes notes;
    auto take = [&](const std::string& name, size_t element) {
        tSalvagedTopic topic;
        topic.name = name;
        if (TopicFrom(elements[element].bytes, elements[element].size, topic))
            notes.topics.push_back(std::move(topic));
        else
            notes.lost.push_back(name);
    };
    if (index) {
        std::set<std::string> named;  // a name the Index repeats stands for one topic
        for (const std::string& name : IndexNames(index->bytes)) {
            if (!named.insert(Key(name)).second) continue;
            auto found = streams.find(Key(name));
            if (found == streams.end()) {
                notes.lost.push_back(name);
                continue;
            }
            take(name, found->second);
            streams.erase(found);
        }
    }
    // The rest by name (the map is ordered by the compared form).
    for (const auto& [key, element] : streams) take(names[element], element);

    if (colours && colours->bytes.size() >= kColoursSize) notes.colours = colours->bytes.substr(0, kColoursSize);
    if (font && font->bytes.size() >= kFontSize) notes.font = font->bytes.substr(0, kFontSize);
    return notes;
}

bool MayHoldNotes(const unsigned char* bytes, size_t size) {
    if (size < kHeaderSize) return false;
    const tCompoundHeader header = ReadCompoundHeader(bytes);
    // The root's class identifier, where the header says the directory starts.
    const size_t sectorSize = header.sectorShift == 12 ? 4096 : 512;
    bool noteClass = false;
    if (header.directoryStart < kMaxRegularSector) {
        const uint64_t root = (uint64_t(header.directoryStart) + 1) * sectorSize;
        if (root + kEntrySize <= size)
            noteClass = std::memcmp(tDirectoryEntry{bytes + root}.ClassId(), kNoteClassBytes, 16) == 0;
    }
    if (noteClass) return true;
    // A sound compound file of another program is no damaged note file.
    return header.signature && !IsSoundCompoundFile(bytes, size);
}
