#pragma once
// Note files for the benchmarks: written through the program's own whole-file
// write, or with ole32 alone, its topic streams made in an order of our choice.
#include <windows.h>
#include <objbase.h>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "base/errors.h"
#include "bench/bench_util.h"
#include "storage/compfile.h"
#include "storage/notefile.h"

// count topics "Topic 1" ... of size bytes each.
inline std::vector<tTopic> MakeTopics(int count, size_t size) {
    std::vector<tTopic> topics;
    for (int i = 0; i < count; ++i) {
        tTopic topic;
        topic.name = "Topic " + std::to_string(i + 1);
        topic.text = MakeText(size, unsigned(i) + 1);
        topics.push_back(std::move(topic));
    }
    return topics;
}

// Writes a note file of count topics of size bytes each, as the program writes
// a whole note file.
inline void MakeNoteFile(const std::string& path, int count, size_t size) {
    DeleteFileA(path.c_str());
    Check(WriteNewNoteFile(path, MakeTopics(count, size)) == tNewFileResult::written);
}

// The order of a compound file's directory: shorter names first, then an
// upper-case comparison.
inline bool DirectoryOrder(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    std::wstring wa = ToElementName(a), wb = ToElementName(b);
    CharUpperW(&wa[0]);
    CharUpperW(&wb[0]);
    return wa < wb;
}

// The names in the order that, inserted into a tree that never balances,
// gives a balanced one: the middle of the directory order first, then the
// middles of each half.
inline void Bisect(const std::vector<std::string>& sorted, size_t from, size_t to,
                   std::vector<std::string>& out) {
    if (from >= to) return;
    size_t middle = from + (to - from) / 2;
    out.push_back(sorted[middle]);
    Bisect(sorted, from, middle, out);
    Bisect(sorted, middle + 1, to, out);
}

enum class tStreamOrder { balanced, nameOrder };

// One record as the note file stores it: 4-byte length, then the bytes.
inline std::string Record(const std::string& text) {
    uint32_t n = uint32_t(text.size());
    std::string bytes = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    return bytes + text;
}

inline void WriteRawStream(IStorage* parent, const std::string& name, const std::string& bytes) {
    IStream* stream = nullptr;
    CheckHr(parent->CreateStream(ToElementName(name).c_str(), kModeCreateReadWrite, 0, 0, &stream));
    ULONG written = 0;
    HRESULT hr = stream->Write(bytes.data(), ULONG(bytes.size()), &written);
    stream->Release();
    CheckHr(hr);
    Check(written == bytes.size());
}

// A note file written by ole32 alone (no appearance), the topic streams made
// in the given order: a balanced directory tree, or a list.
inline void MakeRawNoteFile(const std::string& path, int count, size_t size, tStreamOrder order) {
    DeleteFileA(path.c_str());
    std::vector<tTopic> topics = MakeTopics(count, size);
    std::map<std::string, const tTopic*> byName;
    std::vector<std::string> names;
    for (const tTopic& topic : topics) {
        names.push_back(topic.name);
        byName[topic.name] = &topic;
    }
    std::sort(names.begin(), names.end(), DirectoryOrder);
    if (order == tStreamOrder::balanced) {
        std::vector<std::string> bisected;
        Bisect(names, 0, names.size(), bisected);
        names = bisected;
    }
    IStorage* root = nullptr;
    CheckHr(StgCreateDocfile(ToElementName(path).c_str(), kModeCreateReadWrite, 0, &root));
    CheckHr(root->SetClass(kNoteFileClassId));
    IStorage* folder = nullptr;
    CheckHr(root->CreateStorage(L"Topics", kModeCreateReadWrite, 0, 0, &folder));
    for (const std::string& name : names) WriteRawStream(folder, name, Record(byName[name]->text));
    folder->Release();
    uint32_t n = uint32_t(topics.size());
    std::string index = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    for (const tTopic& topic : topics) index += Record(topic.name);
    WriteRawStream(root, "Index", index);
    CheckHr(root->Commit(STGC_DEFAULT));
    root->Release();
}

// The depth of the directory tree of "Topics" in the compound file at path,
// read from its bytes: about log2 of the topic count when balanced, the count
// itself when the tree is a list; 0 when it cannot be read.
inline int TopicsTreeDepth(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    bool read = ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
    CloseHandle(file);
    if (!read || bytes.size() < 512) return 0;
    auto u32 = [&](size_t at) {
        return at + 4 <= bytes.size() ? uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
                                            uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24
                                      : 0xFFFFFFFFu;
    };
    const size_t sector = size_t(1) << (uint8_t(bytes[0x1E]) | uint8_t(bytes[0x1F]) << 8);
    auto offset = [&](uint32_t n) { return (size_t(n) + 1) * sector; };
    std::vector<uint32_t> fatSectors;
    for (size_t i = 0; i < 109 && fatSectors.size() < u32(0x2C); ++i) fatSectors.push_back(u32(0x4C + 4 * i));
    for (uint32_t difat = u32(0x44); difat < 0xFFFFFFFAu && fatSectors.size() < u32(0x2C);
         difat = u32(offset(difat) + sector - 4))
        for (size_t i = 0; i + 1 < sector / 4 && fatSectors.size() < u32(0x2C); ++i)
            fatSectors.push_back(u32(offset(difat) + 4 * i));
    auto next = [&](uint32_t n) {
        size_t perSector = sector / 4;
        return n / perSector < fatSectors.size() ? u32(offset(fatSectors[n / perSector]) + 4 * (n % perSector))
                                                 : 0xFFFFFFFFu;
    };
    std::vector<size_t> entries;  // offsets of the directory entries
    for (uint32_t n = u32(0x30); n < 0xFFFFFFFAu && entries.size() < 1000000; n = next(n))
        for (size_t e = 0; e < sector / 128; ++e) entries.push_back(offset(n) + 128 * e);
    auto field = [&](uint32_t id, size_t at) { return id < entries.size() ? u32(entries[id] + at) : 0xFFFFFFFFu; };
    std::function<int(uint32_t, int)> depth = [&](uint32_t id, int guard) -> int {
        if (id >= entries.size() || guard > int(entries.size())) return 0;
        return 1 + std::max(depth(field(id, 0x44), guard + 1), depth(field(id, 0x48), guard + 1));
    };
    const std::wstring topics = L"Topics";
    std::vector<uint32_t> stack = {field(0, 0x4C)};  // the root's children
    while (!stack.empty()) {
        uint32_t id = stack.back();
        stack.pop_back();
        if (id >= entries.size() || entries[id] + 128 > bytes.size()) continue;
        std::wstring name(reinterpret_cast<const wchar_t*>(&bytes[entries[id]]), topics.size());
        if (stack.size() > entries.size()) break;  // a cycle
        if (bytes[entries[id] + 0x42] == 1 && (u32(entries[id] + 0x40) & 0xFFFF) == 14 && name == topics) return depth(field(id, 0x4C), 0);
        stack.push_back(field(id, 0x44));
        stack.push_back(field(id, 0x48));
    }
    return 0;
}
