#pragma once
// Note files for the benchmarks, written through the program's own storage code.
#include <windows.h>
#include <string>
#include "base/errors.h"
#include "bench/bench_util.h"
#include <vector>
#include "storage/compfile.h"
#include "storage/notefile.h"

// Writes a note file of count topics of size bytes each, as the program writes
// a whole note file.
inline void MakeNoteFile(const std::string& path, int count, size_t size) {
    DeleteFileA(path.c_str());
    std::vector<tTopic> topics;
    for (int i = 0; i < count; ++i) {
        tTopic topic;
        topic.name = "Topic " + std::to_string(i + 1);
        topic.text = MakeText(size, unsigned(i) + 1);
        topics.push_back(std::move(topic));
    }
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    tRootStorage root(tHow::create, path, kModeNoteFile);
    WriteNoteFile(root.Get(), topics, &appearance, tElementKeys());
    CheckHr(root.Commit());
}
