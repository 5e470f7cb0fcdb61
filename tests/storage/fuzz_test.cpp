// Damaged note files, made in bulk: valid files written by the program's own
// storage layer are mutated deterministically (bytes of the compound file,
// records of the streams, kinds of the elements) and handed to the loader.
// Every case must end in a good load or a clean failure: no crash, no hang,
// no allocation the file's size does not justify.
//
// QUILLET_FUZZ_CASES sets the number of cases (default 5000), QUILLET_FUZZ_SEED
// the seed. To look at a failure: QUILLET_FUZZ_ONLY=<case> runs one case alone,
// keeps it as fuzz-case-<case>.qld and names each storage call it passes
// QUILLET_FUZZ_FIRST starts later, QUILLET_FUZZ_VERBOSE=1 names every case.
// A case that hangs or crashes ends the run with its number and what was done
// to it: a failure, never a case left out.
#define PSAPI_VERSION 2
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include "base/errors.h"
#include "storage/compfile.h"
#include "storage/compound_check.h"
#include "storage/notefile.h"
#include "storage_test_util.h"
#include "storage/open_note_file.h"
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <thread>

// ---------------------------------------------------------------------------
// Every allocation of the process goes through here, so that a length taken
// from the file and allocated as it stands is seen at once. The largest file
// made here is far below the limit.

namespace {
constexpr size_t kAllocationLimit = size_t(64) << 20;
std::atomic<size_t> largestRefused{0};
std::atomic<unsigned> refusedAllocations{0};

void* Allocate(size_t size) {
    if (size > kAllocationLimit) {
        ++refusedAllocations;
        if (size > largestRefused) largestRefused = size;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {


// ---------------------------------------------------------------------------
// Deterministic generator (splitmix64): one stream per case, so any case can
// be run again alone.

class tRandom {
public:
    explicit tRandom(unsigned long long seed) : state_(seed) {}
    unsigned long long Next() {
        unsigned long long z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= value < bound (bound > 0)
    size_t Below(size_t bound) { return size_t(Next() % bound); }
    DWORD Dword() { return DWORD(Next()); }
    BYTE Byte() { return BYTE(Next()); }
    bool Chance(int percent) { return Below(100) < size_t(percent); }
    std::string Bytes(size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = char(Byte());
        return s;
    }
private:
    unsigned long long state_;
};

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    char text[32] = {};
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n >= sizeof text) return fallback;
    return std::strtoul(text, nullptr, 0);
}

std::string Uint32At(DWORD value) { return Uint32Bytes(value); }

DWORD ReadLe32(const std::string& bytes, size_t at) {
    if (at + 4 > bytes.size()) return 0xFFFFFFFF;
    return DWORD(BYTE(bytes[at])) | DWORD(BYTE(bytes[at + 1])) << 8 |
           DWORD(BYTE(bytes[at + 2])) << 16 | DWORD(BYTE(bytes[at + 3])) << 24;
}

void PutLe32(std::string& bytes, size_t at, DWORD value) {
    if (at + 4 > bytes.size()) return;
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(BYTE(value >> (8 * i)));
}

void WriteBytesToFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// ---------------------------------------------------------------------------
// Valid note files, written by the program's own storage layer.

struct tBaseTopic {
    std::string name;
    std::string text;
};

struct tBaseFile {
    std::string bytes;
    std::vector<tBaseTopic> topics;
    bool appearance = false;
    // Where the compound file keeps things: sectors of the directory, of the
    // allocation tables and the data of the streams (found by their content).
    std::vector<std::pair<size_t, size_t>> directoryEntries;  // offset, 128
    std::vector<std::pair<size_t, size_t>> tableSectors;
    std::vector<std::pair<size_t, size_t>> streamData;
};

LOGFONTA Font(const char* face, LONG height) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

std::string LongText(size_t size, char seed) {
    std::string text;
    for (size_t line = 0; text.size() < size; ++line)
        text += "line " + std::to_string(line) + " of topic " + seed + "\r\n";
    text.resize(size);
    return text;
}

void FindRegions(tBaseFile& base) {
    const std::string& b = base.bytes;
    if (b.size() < 512) return;
    size_t sectorSize = size_t(1) << (BYTE(b[0x1E]) | BYTE(b[0x1F]) << 8);
    if (sectorSize != 512 && sectorSize != 4096) return;
    auto sectorAt = [&](DWORD sector) { return (size_t(sector) + 1) * sectorSize; };
    // The allocation table: the sectors the header lists, concatenated.
    DWORD fatSectors = ReadLe32(b, 0x2C);
    std::vector<DWORD> fat;
    for (DWORD i = 0; i < fatSectors && i < 109; ++i) {
        DWORD sector = ReadLe32(b, 0x4C + 4 * i);
        size_t at = sectorAt(sector);
        if (at + sectorSize > b.size()) continue;
        base.tableSectors.push_back({at, sectorSize});
        for (size_t j = 0; j < sectorSize; j += 4) fat.push_back(ReadLe32(b, at + j));
    }
    DWORD miniFat = ReadLe32(b, 0x3C);
    if (miniFat < fat.size()) base.tableSectors.push_back({sectorAt(miniFat), sectorSize});
    // The directory chain.
    DWORD sector = ReadLe32(b, 0x30);
    for (int guard = 0; sector < fat.size() && guard < 64; ++guard) {
        size_t at = sectorAt(sector);
        for (size_t e = 0; e + 128 <= sectorSize && at + e + 128 <= b.size(); e += 128)
            if (BYTE(b[at + e + 0x42]) != 0) base.directoryEntries.push_back({at + e, 128});
        sector = fat[sector];
    }
    // Stream contents, by their first bytes.
    std::vector<std::string> contents;
    for (const tBaseTopic& topic : base.topics) contents.push_back(Record(topic.text));
    std::vector<std::string> names;
    for (const tBaseTopic& topic : base.topics) names.push_back(topic.name);
    contents.push_back(IndexBytes(names));
    if (base.appearance) contents.push_back(std::string("\xFF\x00\x00\x00", 4) + "\x00\x00\xFF\x00");
    for (const std::string& content : contents) {
        std::string head = content.substr(0, 24);
        size_t at = b.find(head);
        if (at != std::string::npos) base.streamData.push_back({at, std::min<size_t>(content.size(), 64)});
    }
}

tAppearanceRecord Defaults() {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    return appearance;
}

tBaseFile MakeBaseFile(const std::string& path, const std::vector<tBaseTopic>& topics,
                       bool appearance) {
    tBaseFile base;
    base.topics = topics;
    base.appearance = appearance;
    DeleteFileA(path.c_str());
    std::vector<tTopic> written;
    for (const tBaseTopic& t : topics) {
        tTopic topic;
        topic.name = t.name;
        topic.text = t.text;
        written.push_back(topic);
    }
    tAppearanceRecord colours = Defaults();
    colours.backgroundColour = 0x000000FF;
    colours.textColour = 0x00FF0000;
    for (int i = 0; i < 16; ++i) colours.customColours[i] = COLORREF(0x00010101 * i);
    colours.textLogFont = Font("Courier New", -13);
    colours.tabLogFont = Font("Arial", -11);
    {
        tRootStorage root(tHow::create, path, kModeNoteFile);
        WriteNoteFile(root.Get(), written, appearance ? &colours : nullptr, tElementKeys());
        CheckHr(root.Commit());
    }
    base.bytes = FileBytes(path);
    FindRegions(base);
    return base;
}

// ---------------------------------------------------------------------------
// Mutations through the storage layer: wrong lengths and counts, wrong kinds
// of element, missing elements, foreign class.

void ReplaceStream(IStorage* parent, const std::string& name, const std::string& bytes) {
    tStream stream(parent, name, kModeCreateWrite, tHow::create);
    if (!bytes.empty()) stream.WriteBytes(bytes.data(), ULONG(bytes.size()));
}

void Destroy(IStorage* parent, const std::string& name) {
    parent->DestroyElement(ToElementName(name).c_str());
}

void MakeStorage(IStorage* parent, const std::string& name) {
    Destroy(parent, name);
    tStorage storage(parent, name, kModeDirectReadWrite, tHow::create);
    ReplaceStream(storage.Get(), "inner", Record("inside"));
}

std::string HugeLength(tRandom& rng, size_t actual) {
    switch (rng.Below(5)) {
    case 0: return Uint32At(0xFFFFFFFF);
    case 1: return Uint32At(0x7FFFFFFF);
    case 2: return Uint32At(0x80000000u | rng.Dword());
    case 3: return Uint32At(DWORD(actual + 1 + rng.Below(16)));
    default: return Uint32At(rng.Dword());
    }
}

// Changes the file at path as described; returns what was done.
std::string MutateStructure(const std::string& path, const tBaseFile& base, tRandom& rng) {
    if (FAILED(RootOpenResult(path))) return "open failed";
    tRootStorage root(tHow::open, path, kModeNoteFile);
    IStorage* r = root.Get();
    std::vector<std::string> names;
    for (const tBaseTopic& t : base.topics) names.push_back(t.name);
    const tBaseTopic& topic = base.topics[rng.Below(base.topics.size())];
    std::string what;
    switch (rng.Below(22)) {
    case 0:
        what = "index count all ones";
        ReplaceStream(r, "Index", Uint32At(0xFFFFFFFF) + IndexBytes(names).substr(4));
        break;
    case 1:
        what = "index count random";
        ReplaceStream(r, "Index", Uint32At(rng.Dword()) + IndexBytes(names).substr(4));
        break;
    case 2:
        what = "index count a little too large";
        ReplaceStream(r, "Index", Uint32At(DWORD(names.size() + 1 + rng.Below(3))) +
                                      IndexBytes(names).substr(4));
        break;
    case 3:
        what = "index count 0";
        ReplaceStream(r, "Index", Uint32At(0) + IndexBytes(names).substr(4));
        break;
    case 4: {
        what = "index name with a huge length";
        size_t bad = rng.Below(names.size());
        std::string bytes = Uint32At(DWORD(names.size()));
        for (size_t i = 0; i < names.size(); ++i)
            bytes += i == bad ? HugeLength(rng, names[i].size()) + names[i] : Record(names[i]);
        ReplaceStream(r, "Index", bytes);
        break;
    }
    case 5: {
        what = "index cut short";
        std::string bytes = IndexBytes(names);
        ReplaceStream(r, "Index", bytes.substr(0, rng.Below(bytes.size())));
        break;
    }
    case 6:
        what = "index with garbage after it";
        ReplaceStream(r, "Index", IndexBytes(names) + rng.Bytes(1 + rng.Below(40)));
        break;
    case 7: {
        what = "topic record with a huge length";
        tStorage topics(r, "Topics", kModeDirectReadWrite);
        ReplaceStream(topics.Get(), topic.name, HugeLength(rng, topic.text.size()) + topic.text);
        break;
    }
    case 8: {
        what = "topic stream of fewer than 4 bytes";
        tStorage topics(r, "Topics", kModeDirectReadWrite);
        ReplaceStream(topics.Get(), topic.name, rng.Bytes(rng.Below(4)));
        break;
    }
    case 9:
        what = "colours stream of odd length";
        ReplaceStream(r, "Colours", rng.Chance(30) ? rng.Bytes(3) : rng.Bytes(rng.Below(90)));
        break;
    case 10:
        what = "font stream of odd length and content";
        ReplaceStream(r, "Font", rng.Bytes(rng.Below(140)));
        break;
    case 11: what = "index as a storage"; MakeStorage(r, "Index"); break;
    case 12:
        what = "topics as a stream";
        Destroy(r, "Topics");
        ReplaceStream(r, "Topics", rng.Bytes(rng.Below(200)));
        break;
    case 13: {
        what = "topic as a storage";
        tStorage topics(r, "Topics", kModeDirectReadWrite);
        MakeStorage(topics.Get(), topic.name);
        break;
    }
    case 14: what = "colours as a storage"; MakeStorage(r, "Colours"); break;
    case 15: what = "font as a storage"; MakeStorage(r, "Font"); break;
    case 16: what = "no index"; Destroy(r, "Index"); break;
    case 17: what = "no topics"; Destroy(r, "Topics"); break;
    case 18: {
        what = "no topic stream";
        tStorage topics(r, "Topics", kModeDirectReadWrite);
        Destroy(topics.Get(), topic.name);
        break;
    }
    case 19: {
        // Names the storage cannot hold: too long, with '/', '\', ':', '!',
        // empty, or any bytes at all.
        what = "index names that are no element names";
        static const char* const odd[] = {"", "a/b", "a\\b", "a:b", "!x",
                                          "0123456789012345678901234567890123456789"};
        std::vector<std::string> bad = names;
        size_t i = rng.Below(bad.size());
        bad[i] = rng.Chance(50) ? std::string(odd[rng.Below(6)]) : rng.Bytes(rng.Below(48));
        ReplaceStream(r, "Index", IndexBytes(bad));
        break;
    }
    case 20: {
        what = "foreign class";
        CLSID id = CLSID_NULL;
        if (rng.Chance(50)) {
            std::string bytes = rng.Bytes(sizeof id);
            std::memcpy(&id, bytes.data(), sizeof id);
        }
        r->SetClass(id);
        break;
    }
    default: {
        what = "index naming one topic many times";
        std::vector<std::string> many(1 + rng.Below(200), topic.name);
        ReplaceStream(r, "Index", IndexBytes(many));
        break;
    }
    }
    CheckHr(r->Commit(STGC_DEFAULT));
    return what;
}

// ---------------------------------------------------------------------------
// Mutations of the bytes of the compound file.

void FlipIn(std::string& bytes, size_t from, size_t length, tRandom& rng, int flips) {
    if (bytes.empty()) return;
    if (from >= bytes.size()) from = 0;
    if (length == 0 || from + length > bytes.size()) length = bytes.size() - from;
    for (int i = 0; i < flips; ++i) {
        size_t at = from + rng.Below(length);
        bytes[at] = char(BYTE(bytes[at]) ^ (rng.Byte() | 1));
    }
}

DWORD SpecialValue(tRandom& rng) {
    static const DWORD values[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF, 0x1000, 0x7FFFFFFF,
                                   0xFFFFFFFA, 0xFFFFFFFB, 0xFFFFFFFC, 0xFFFFFFFD,
                                   0xFFFFFFFE, 0xFFFFFFFF};
    return rng.Chance(70) ? values[rng.Below(std::size(values))] : rng.Dword();
}

std::string MutateBytes(std::string& bytes, const tBaseFile& base, tRandom& rng) {
    const auto pick = [&](const std::vector<std::pair<size_t, size_t>>& regions) {
        return regions.empty() ? std::pair<size_t, size_t>(0, bytes.size())
                               : regions[rng.Below(regions.size())];
    };
    switch (rng.Below(10)) {
    case 0:
        FlipIn(bytes, 0, bytes.size(), rng, 1 + int(rng.Below(8)));
        return "bytes flipped anywhere";
    case 1:
        FlipIn(bytes, 0, std::min<size_t>(bytes.size(), 512), rng, 1 + int(rng.Below(3)));
        return "header bytes flipped";
    case 2: {
        auto entry = pick(base.directoryEntries);
        FlipIn(bytes, entry.first, entry.second, rng, 1 + int(rng.Below(4)));
        return "directory entry bytes flipped";
    }
    case 3: {
        // One field of a directory entry set to an edge value: name length,
        // kind, colour, siblings, child, start sector, size.
        static const size_t fields[] = {0x40, 0x42, 0x43, 0x44, 0x48, 0x4C, 0x74, 0x78, 0x7C};
        auto entry = pick(base.directoryEntries);
        size_t field = fields[rng.Below(std::size(fields))];
        DWORD value = SpecialValue(rng);
        if (field == 0x40 || field == 0x42 || field == 0x43) {
            if (entry.first + field < bytes.size()) bytes[entry.first + field] = char(BYTE(value));
        } else {
            PutLe32(bytes, entry.first + field, value);
        }
        return "directory field 0x" + std::to_string(field) + " set to " + std::to_string(value);
    }
    case 4: {
        auto sector = pick(base.tableSectors);
        if (rng.Chance(50)) {
            FlipIn(bytes, sector.first, sector.second, rng, 1 + int(rng.Below(4)));
        } else {
            size_t at = sector.first + 4 * rng.Below(sector.second / 4);
            PutLe32(bytes, at, SpecialValue(rng));
        }
        return "allocation table changed";
    }
    case 5: {
        auto data = pick(base.streamData);
        FlipIn(bytes, data.first, data.second, rng, 1 + int(rng.Below(4)));
        return "stream data flipped";
    }
    case 6: {
        // Header fields that size the file: sector shifts, table counts and starts.
        static const size_t fields[] = {0x1E, 0x20, 0x2C, 0x30, 0x38, 0x3C, 0x40, 0x44, 0x48, 0x4C};
        size_t field = fields[rng.Below(std::size(fields))];
        DWORD value = SpecialValue(rng);
        if (field == 0x1E || field == 0x20) {
            if (field + 1 < bytes.size()) bytes[field] = char(BYTE(value)), bytes[field + 1] = 0;
        } else {
            PutLe32(bytes, field, value);
        }
        return "header field 0x" + std::to_string(field) + " set to " + std::to_string(value);
    }
    case 7: {
        size_t length = rng.Chance(50) ? 512 * rng.Below(bytes.size() / 512 + 1)
                                       : rng.Below(bytes.size() + 1);
        bytes.resize(std::min(length, bytes.size()));
        return "cut to " + std::to_string(bytes.size()) + " bytes";
    }
    case 8:
        bytes += rng.Chance(50) ? rng.Bytes(1 + rng.Below(1500)) : std::string(1 + rng.Below(1500), '\0');
        return "bytes appended";
    default: {
        size_t sectors = bytes.size() / 512;
        if (sectors < 2) return "nothing";
        size_t at = 512 * (1 + rng.Below(sectors - 1));
        std::string fill = rng.Chance(50) ? rng.Bytes(512) : std::string(512, char(rng.Byte()));
        bytes.replace(at, 512, fill);
        return "sector at " + std::to_string(at) + " overwritten";
    }
    }
}

// ---------------------------------------------------------------------------
// One case: a base file, changed through the storage layer, its bytes, or both.

struct tCase {
    std::string bytes;
    std::string what;
    bool writtenByStorage = false;  // only changed through the storage system
};

tCase MakeCase(const std::vector<tBaseFile>& bases, const std::string& scratch,
               unsigned long seed, unsigned long index) {
    tRandom rng(seed * 0x100000001B3ull + index);
    const tBaseFile& base = bases[rng.Below(bases.size())];
    tCase c;
    c.bytes = base.bytes;
    c.what = "base " + std::to_string(&base - bases.data()) + ": ";
    int kind = int(rng.Below(100));
    if (kind < 35) {  // through the storage layer, then maybe bytes too
        WriteBytesToFile(scratch, c.bytes);
        c.what += MutateStructure(scratch, base, rng);
        c.bytes = FileBytes(scratch);
        c.writtenByStorage = true;
        if (rng.Chance(30)) {
            c.what += ", then " + MutateBytes(c.bytes, base, rng);
            c.writtenByStorage = false;
        }
    } else {
        int rounds = rng.Chance(80) ? 1 : 2 + int(rng.Below(3));
        for (int i = 0; i < rounds; ++i) c.what += (i ? ", " : "") + MutateBytes(c.bytes, base, rng);
    }
    return c;
}

bool LooksSound(const std::string& bytes) {
    return IsSoundCompoundFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// ---------------------------------------------------------------------------
// Crash and hang reporting: whatever case runs is named before the process ends.

struct tCurrentCase {
    std::atomic<unsigned long> index{0};
    std::atomic<DWORD> startedAt{0};
    std::atomic<bool> running{false};
    std::atomic<const char*> phase{""};
    char what[512] = {};
};
tCurrentCase current;
constexpr DWORD kCaseTimeLimitMs = 20000;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "CRASH (exception 0x%08lX) in fuzz case %lu in %s: %s\n"
                         "[  FAILED  ] 1 crash: the run ends here\n",
                 info ? info->ExceptionRecord->ExceptionCode : 0UL, current.index.load(),
                 current.phase.load(), current.what);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

class tWatchdog {
public:
    tWatchdog() : thread_([this] { Run(); }) {}
    ~tWatchdog() {
        stop_ = true;
        thread_.join();
    }
private:
    void Run() {
        while (!stop_) {
            Sleep(200);
            if (current.running && GetTickCount() - current.startedAt > kCaseTimeLimitMs) {
                std::fprintf(stderr, "HANG: fuzz case %lu ran more than %lu ms in %s: %s\n"
                             "[  FAILED  ] 1 hang: the run ends here\n",
                             current.index.load(), kCaseTimeLimitMs, current.phase.load(), current.what);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void Begin(unsigned long index, const std::string& what) {
    lstrcpynA(current.what, what.c_str(), sizeof current.what);
    current.index = index;
    current.startedAt = GetTickCount();
    current.running = true;
}

void End() { current.running = false; }
void Phase(const char* name) { current.phase = name; }

SIZE_T PagefileUsage(bool peak) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return peak ? counters.PeakPagefileUsage : counters.PagefileUsage;
}

// The client's appearance at creation, as the loader receives it.

std::vector<tBaseFile> MakeBaseFiles(const tTempDir& dir) {
    std::vector<tBaseFile> bases;
    bases.push_back(MakeBaseFile(dir.File("rich.qld"),
                                 {{"First", "one\r\ntwo"}, {"Second", "second topic"},
                                  {"Third", "III"}, {"Empty", ""}, {"Shopping list", "milk\r\neggs"}},
                                 true));
    std::vector<tBaseTopic> many;
    for (int i = 0; i < 14; ++i)
        many.push_back({"Topic " + std::to_string(i), LongText(i == 3 ? 9000 : i == 7 ? 5000 : 40 * i, char('a' + i))});
    bases.push_back(MakeBaseFile(dir.File("big.qld"), many, true));
    bases.push_back(MakeBaseFile(dir.File("plain.qld"),
                                 {{"To-do", "buy stamps"}, {"Notes", LongText(300, 'n')}}, false));
    return bases;
}

constexpr unsigned long kNoCase = 0xFFFFFFFFul;
// For a single case: the loader's steps one by one, each named, so that a
// hang or crash shows which storage call it is in.
void TraceSteps(const std::string& path) {
    try {
        Phase("StgOpenStorage");
        tRootStorage root(tHow::open, path, kModeNoteFile);
        Phase("OpenStream Index");
        tStream index(root.Get(), "Index", kModeDirectReadWrite);
        Phase("OpenStream Colours");
        OpenStreamIfThere(root.Get(), "Colours", kModeRead);
        Phase("OpenStream Font");
        OpenStreamIfThere(root.Get(), "Font", kModeRead);
        Phase("reading Index");
        std::vector<std::string> names = ReadIndex(index);
        for (const std::string& name : names) {
            Phase("OpenStorage Topics");
            tStorage topics(root.Get(), "Topics", kModeRead);
            Phase("OpenStream topic");
            std::unique_ptr<tStream> stream = OpenStreamIfThere(topics.Get(), name, kModeRead);
            Phase("reading a topic");
            if (stream) ReadString(*stream);
        }
        Phase("releasing");
    } catch (...) {
    }
    std::printf("[ fuzz     ] traced to the end: %s\n", current.phase.load());
}

unsigned long CaseCount() { return EnvNumber("QUILLET_FUZZ_CASES", 5000); }
unsigned long Seed() { return EnvNumber("QUILLET_FUZZ_SEED", 20261207); }

class FuzzLoadTest : public testing::Test {
protected:
    tTempDir dir;
};

// The plain loading functions on thousands of cases.
TEST_F(FuzzLoadTest, DamagedFilesReadOrFailCleanly) {
    std::vector<tBaseFile> bases = MakeBaseFiles(dir);
    for (const tBaseFile& base : bases) {
        ASSERT_GT(base.bytes.size(), 512u);
        // The regions the byte mutations aim at were found.
        EXPECT_FALSE(base.directoryEntries.empty());
        EXPECT_FALSE(base.tableSectors.empty());
        EXPECT_FALSE(base.streamData.empty());
        EXPECT_TRUE(LooksSound(base.bytes));
    }
    // A valid base file reads back completely.
    {
        tRootStorage root(tHow::open, dir.File("big.qld"), kModeNoteFile);

        tLoadedFile loaded;
        ReadNoteFile(root.Get(), Defaults(), loaded);
        ASSERT_EQ(bases[1].topics.size(), loaded.topics.size());
        EXPECT_EQ(bases[1].topics[3].text, loaded.topics[3].text);
        EXPECT_EQ(0x000000FFu, loaded.appearance.backgroundColour);
    }

    const unsigned long cases = CaseCount();
    const unsigned long seed = Seed();
    const unsigned long only = EnvNumber("QUILLET_FUZZ_ONLY", kNoCase);
    const bool single = only != kNoCase;
    const std::string scratch = dir.File("scratch.qld");
    const std::string path = dir.File("case.qld");
    unsigned long run = 0, good = 0, notOpened = 0, rejected = 0, refusedByCheck = 0;
    std::vector<std::string> faults;
    tWatchdog watchdog;
    LPTOP_LEVEL_EXCEPTION_FILTER oldFilter = SetUnhandledExceptionFilter(ReportCrash);
    const SIZE_T baseline = PagefileUsage(false);
    SIZE_T highest = baseline;
    const DWORD started = GetTickCount();

    const unsigned long first = EnvNumber("QUILLET_FUZZ_FIRST", 0);
    for (unsigned long i = first; i < cases; ++i) {
        if (single && i != only) continue;
        Begin(i, "making the case");
        Phase("making the case");
        tCase c = MakeCase(bases, scratch, seed, i);
        Begin(i, c.what);
        if (EnvNumber("QUILLET_FUZZ_VERBOSE", 0)) std::printf("case %lu: %s\n", i, c.what.c_str());
        if (!LooksSound(c.bytes)) {
            ++refusedByCheck;
            if (c.writtenByStorage)
                faults.push_back("case " + std::to_string(i) + " was written by the storage system "
                                 "and still refused: " + c.what);
        }
        Phase("writing the case");
        WriteBytesToFile(path, c.bytes);
        if (single) {
            WriteBytesToFile("fuzz-case-" + std::to_string(i) + ".qld", c.bytes);
            TraceSteps(path);
        }
        unsigned refusedBefore = refusedAllocations;
        ++run;
        try {
            Phase("opening the root storage");
            std::unique_ptr<tRootStorage> opened;
            try {
                opened = std::make_unique<tRootStorage>(tHow::open, path, kModeNoteFile);
            } catch (const tQuilletError&) {
                ++notOpened;
            }
            Phase("reading the class");
            if (!opened) {
            } else if (!HasNoteFileClass(opened->Get())) {
                ++rejected;
            } else {
                Phase("ReadNoteFile");
                tLoadedFile loaded;
                ReadNoteFile(opened->Get(), Defaults(), loaded);
                ++good;
                // What a good load holds is what the file can hold. (An index
                // may name one topic many times: the repeats are renamed, and
                // marked for writing, with a copy of the text they share.)
                size_t total = 0;
                for (const tTopic& t : loaded.topics)
                    if (!t.modified) total += t.name.size() + t.text.size();
                if (total > 16 * c.bytes.size() + 4096)
                    faults.push_back("case " + std::to_string(i) + " read more than the file holds: " + c.what);
            }
            Phase("releasing the root storage");
        } catch (const tQuilletError&) {
            ++rejected;
        } catch (const std::exception& e) {
            faults.push_back("case " + std::to_string(i) + " threw " + e.what() + ": " + c.what);
        }
        End();
        if (refusedAllocations != refusedBefore)
            faults.push_back("case " + std::to_string(i) + " asked for " +
                             std::to_string(largestRefused.load()) + " bytes at once: " + c.what);
        SIZE_T usage = PagefileUsage(false);
        if (usage > highest) highest = usage;
        if (usage > baseline + (SIZE_T(256) << 20))
            faults.push_back("case " + std::to_string(i) + " left the process at " +
                             std::to_string(usage >> 20) + " MB: " + c.what);
        if (faults.size() > 20) break;
    }
    SetUnhandledExceptionFilter(oldFilter);
    DeleteFileA(path.c_str());
    DeleteFileA(scratch.c_str());

    // A hang or a crash ends the process in the watchdog or the crash filter,
    // so a run that comes here had neither.
    std::printf("[ fuzz     ] seed %lu: %lu cases in %lu ms: %lu good loads, %lu clean failures "
                "(%lu refused by the structure check, %lu not opened by the storage system); "
                "0 hangs, 0 crashes, 0 left out; memory %lu -> %lu KB (peak %lu KB)\n",
                seed, run, GetTickCount() - started, good, notOpened + rejected, refusedByCheck, notOpened,
                (unsigned long)(baseline >> 10), (unsigned long)(highest >> 10),
                (unsigned long)(PagefileUsage(true) >> 10));
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    EXPECT_EQ(run, good + notOpened + rejected);
    EXPECT_LE(refusedByCheck, notOpened);
    if (!single) {
        // Both outcomes occur, or the mutations test nothing.
        EXPECT_GT(good, run / 20);
        EXPECT_GT(notOpened + rejected, run / 5);
    }
}

// A directory entry may claim a stream far larger than the file: a record
// whose length fits that claim is still read only as far as data arrives.
TEST_F(FuzzLoadTest, SizesClaimedByTheDirectoryAreNotAllocated) {
    std::vector<tBaseFile> bases = MakeBaseFiles(dir);
    const tBaseFile& big = bases[1];
    const std::string text = big.topics[3].text;  // 9000 bytes: sectors of its own
    std::string bytes = big.bytes;
    size_t record = bytes.find(Record(text).substr(0, 24));
    ASSERT_NE(std::string::npos, record);
    PutLe32(bytes, record, 0x7FFFFF00);
    const std::wstring wanted = L"Topic 3";
    bool found = false;
    for (const auto& entry : big.directoryEntries) {
        std::wstring name(reinterpret_cast<const wchar_t*>(bytes.data() + entry.first), wanted.size());
        if (name != wanted || bytes[entry.first + 2 * wanted.size()] != 0) continue;
        PutLe32(bytes, entry.first + 0x78, 0x7FFFFFF0);
        found = true;
    }
    ASSERT_TRUE(found);
    ASSERT_TRUE(LooksSound(bytes));
    const std::string path = dir.File("claims.qld");
    WriteBytesToFile(path, bytes);
    unsigned refusedBefore = refusedAllocations;
    {
        tRootStorage root(tHow::open, path, kModeNoteFile);

        tLoadedFile loaded;
        EXPECT_THROW(ReadNoteFile(root.Get(), Defaults(), loaded), tQuilletError);
    }
    EXPECT_EQ(refusedBefore, refusedAllocations.load());
    EXPECT_LT(PagefileUsage(true), SIZE_T(512) << 20);
}

// Opening a sample of the same cases while a note file is open: a file that
// fails to open changes nothing of the open one, which goes on taking writes.
TEST_F(FuzzLoadTest, FailedOpensLeaveTheOpenFileWorking) {
    std::vector<tBaseFile> bases = MakeBaseFiles(dir);
    const std::string rich = dir.File("rich.qld");
    tNoteFile open;
    ASSERT_EQ(tReadResult::read, OpenNoteFile(rich, Defaults(), open));
    std::vector<tTopic>& topics = open.content.topics;

    const unsigned long sample = std::max(1ul, CaseCount() / 25);
    const unsigned long seed = Seed();
    const std::string scratch = dir.File("scratch.qld");
    unsigned long run = 0, good = 0, failed = 0;
    tWatchdog watchdog;
    LPTOP_LEVEL_EXCEPTION_FILTER oldFilter = SetUnhandledExceptionFilter(ReportCrash);
    const DWORD started = GetTickCount();
    for (unsigned long n = 0; n < sample; ++n) {
        unsigned long i = n * 25 + 7;  // the same cases as the bulk run
        Begin(i, "making the case");
        Phase("making the case");
        tCase c = MakeCase(bases, scratch, seed, i);
        std::string path = dir.File("sample" + std::to_string(i) + ".qld");
        WriteBytesToFile(path, c.bytes);
        Begin(i, "opening: " + c.what);
        Phase("OpenNoteFile");
        SCOPED_TRACE("case " + std::to_string(i) + ": " + c.what);
        ++run;
        tNoteFile other;
        tReadResult result = OpenNoteFile(path, Defaults(), other);
        End();
        if (result == tReadResult::read) {
            ++good;
            EXPECT_EQ(path, other.file->Path());
        } else {
            ++failed;
            EXPECT_EQ(tReadResult::unusable, result);
            EXPECT_EQ(nullptr, other.file);
            // The open file takes a write and a commit.
            topics[n % topics.size()].text = "after case " + std::to_string(i);
            ASSERT_TRUE(open.file->WriteTopic(topics[n % topics.size()]));
            ASSERT_TRUE(open.file->Commit());
        }
        other = tNoteFile();
        DeleteFileA(path.c_str());
        if (HasFailure()) break;
    }
    SetUnhandledExceptionFilter(oldFilter);
    std::printf("[ fuzz     ] open sample: %lu cases in %lu ms: %lu good opens, %lu clean failures\n",
                run, GetTickCount() - started, good, failed);
    EXPECT_GT(failed, 0ul);
    open = tNoteFile();
    tNoteFile again;
    ASSERT_EQ(tReadResult::read, OpenNoteFile(rich, Defaults(), again));
    for (size_t t = 0; t < topics.size(); ++t) EXPECT_EQ(topics[t].text, again.content.topics[t].text);
}

}  // namespace
