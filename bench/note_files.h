#pragma once
// Note files for the benchmarks: written through the program's own whole-file
// write, or with ole32 alone, its topic streams made in an order of our choice.
#include <windows.h>
#include <objbase.h>
#include <algorithm>
#include <cstdint>
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
