#pragma once
// Note files for the benchmarks, written through the program's own storage code.
#include <windows.h>
#include <string>
#include "base/errors.h"
#include "bench/bench_util.h"
#include "client/client.h"
#include "storage/compfile.h"
#include "storage/notefile.h"

// Writes a note file of count topics of size bytes each, through the client.
inline void MakeNoteFile(const std::string& path, int count, size_t size) {
    DeleteFileA(path.c_str());
    tQuilletClient client(tQuilletClient::tForTests{});
    client.root = std::make_unique<tRootStorage>(true, path, kModeCreateReadWrite);
    CheckHr(client.root->hr);
    CheckHr(client.root->storage->SetClass(kNoteFileClassId));
    { tStorage topics(client.root->storage, "Topics", kModeDirectReadWrite, tStorage::create); }
    for (int i = 0; i < count; ++i) {
        tTopic topic;
        topic.name = "Topic " + std::to_string(i + 1);
        topic.text = MakeText(size, unsigned(i) + 1);
        topic.MarkModified();
        client.notebook.topics.push_back(std::move(topic));
    }
    {
        // One open of "Topics" for all streams keeps large files quick to make.
        tStorage topics(client.root->storage, "Topics", kModeDirectReadWrite);
        for (const tTopic& topic : client.notebook.topics) {
            tStream stream(topics.storage, topic.name, kModeCreateWrite, tStream::create);
            WriteString(stream, topic.text);
        }
    }
    client.WriteIndex(*client.root);
    client.WriteAppearance();
    client.Commit();
}
