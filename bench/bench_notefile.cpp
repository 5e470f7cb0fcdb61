// Note-file loading against a bare read of the same file, and the cost of one
// autosave commit in a large and a small note file.
// usage: bench_notefile <folder for the note files>
#include <windows.h>
#include <objbase.h>
#include <memory>
#include "base/errors.h"
#include "bench/bench_util.h"
#include "bench/note_files.h"
#include "storage/open_note_file.h"
#include "storage/compfile.h"
#include "storage/notefile.h"

namespace {

constexpr int kRepetitions = 7;

// The whole content of one stream, read as the program reads it.
std::string ReadWholeStream(IStream* stream) {
    BYTE lengthBytes[4] = {};
    ULONG got = 0;
    CheckHr(stream->Read(lengthBytes, 4, &got));
    Check(got == 4);
    DWORD length = DWORD(lengthBytes[0]) | DWORD(lengthBytes[1]) << 8 |
                   DWORD(lengthBytes[2]) << 16 | DWORD(lengthBytes[3]) << 24;
    std::string text(length, '\0');
    if (length) {
        CheckHr(stream->Read(&text[0], length, &got));
        Check(got == length);
    }
    return text;
}

std::string ReadRawStream(IStorage* parent, const wchar_t* name) {
    IStream* stream = nullptr;
    if (FAILED(parent->OpenStream(name, nullptr, kModeRead, 0, &stream))) return {};
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(size_t(stat.cbSize.QuadPart), '\0');
    ULONG got = 0;
    if (!bytes.empty()) stream->Read(&bytes[0], ULONG(bytes.size()), &got);
    stream->Release();
    return bytes;
}

// Opens the file as the program does and reads every stream with the same
// storage calls, nothing else. perTopicStorage opens "Topics" again for every
// topic, as the program's loader does; keep holds every topic's bytes until
// the end, as a loaded file holds its topics, instead of reusing one buffer.
size_t BareRead(const std::string& path, bool perTopicStorage, bool keep = true) {
    std::wstring wide = ToElementName(path);
    IStorage* root = nullptr;
    CheckHr(StgOpenStorage(wide.c_str(), nullptr, kModeNoteFile, nullptr, 0, &root));
    size_t total = 0;
    IStream* index = nullptr;
    CheckHr(root->OpenStream(L"Index", nullptr, kModeDirectReadWrite, 0, &index));
    total += ReadRawStream(root, L"Colours").size();
    total += ReadRawStream(root, L"Font").size();
    BYTE countBytes[4] = {};
    ULONG got = 0;
    CheckHr(index->Read(countBytes, 4, &got));
    DWORD count = DWORD(countBytes[0]) | DWORD(countBytes[1]) << 8 | DWORD(countBytes[2]) << 16 |
                  DWORD(countBytes[3]) << 24;
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(ReadWholeStream(index));
    index->Release();
    std::vector<std::string> texts;
    texts.reserve(names.size());
    std::string buffer;
    IStorage* topics = nullptr;
    if (!perTopicStorage)
        CheckHr(root->OpenStorage(L"Topics", nullptr, kModeRead, nullptr, 0, &topics));
    for (const std::string& name : names) {
        if (perTopicStorage)
            CheckHr(root->OpenStorage(L"Topics", nullptr, kModeRead, nullptr, 0, &topics));
        IStream* stream = nullptr;
        CheckHr(topics->OpenStream(ToElementName(name).c_str(), nullptr, kModeRead, 0, &stream));
        buffer = ReadWholeStream(stream);
        total += buffer.size();
        if (keep) texts.push_back(std::move(buffer));
        stream->Release();
        if (perTopicStorage) topics->Release();
    }
    if (!perTopicStorage) topics->Release();
    root->Release();
    return total;
}

tAppearanceRecord Defaults() {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    return appearance;
}

size_t ProgramLoad(const std::string& path) {
    tNoteFile file;
    Check(OpenNoteFile(path, Defaults(), file) == tReadResult::read);
    size_t total = 0;
    for (const tTopic& topic : file.content.topics) total += topic.text.size();
    return total;  // the file is released before the next timing
}

bool BenchLoad(const char* label, const char* size, const std::string& path) {
    std::printf("Loading %s\n", label);
    size_t expected = ProgramLoad(path);  // warm-up: file in the cache
    Check(BareRead(path, false) >= expected);
    std::vector<double> load, bare, barePerTopic, bareReused;
    for (int i = 0; i < kRepetitions; ++i) {
        double t0 = NowMs();
        Check(ProgramLoad(path) == expected);
        double t1 = NowMs();
        BareRead(path, false);
        double t2 = NowMs();
        BareRead(path, true);
        double t3 = NowMs();
        BareRead(path, false, false);
        double t4 = NowMs();
        load.push_back(t1 - t0);
        bare.push_back(t2 - t1);
        barePerTopic.push_back(t3 - t2);
        bareReused.push_back(t4 - t3);
    }
    std::printf("  LoadFile ms: %s\n  bare ms:     %s\n", Samples(load).c_str(), Samples(bare).c_str());
    Figure("LoadFile, median", Median(load), "ms");
    Figure("bare read, bytes kept, Topics opened once, median", Median(bare), "ms");
    Figure("  (info) bare, bytes kept, Topics per topic, median", Median(barePerTopic), "ms");
    Figure("  (info) bare, one buffer reused, median", Median(bareReused), "ms");
    double ratio = Median(load) / Median(bare);
    std::string what = std::string("load ratio LoadFile / bare read, ") + size;
    return Target(what.c_str(), ratio, "x", 1.5);
}

struct tCommitTimes {
    double save, commit;
};

tCommitTimes BenchCommit(const char* label, const std::string& source, const std::string& copy) {
    Check(CopyFileA(source.c_str(), copy.c_str(), FALSE) != 0);
    tNoteFile file;
    Check(OpenNoteFile(copy, Defaults(), file) == tReadResult::read);
    std::vector<tTopic>& topics = file.content.topics;
    tTopic& topic = topics[topics.size() / 2];
    std::vector<double> save, commit, total;
    for (int i = 0; i < kRepetitions + 1; ++i) {
        topic.text[100 + size_t(i)] = char('A' + i);
        topic.MarkModified();
        double t0 = NowMs();
        Check(file.file->WriteModifiedTopics(topics));
        double t1 = NowMs();
        Check(file.file->Commit(topics));
        double t2 = NowMs();
        Check(!file.file->Uncommitted() && !topic.modified);
        if (i == 0) continue;  // warm-up
        save.push_back(t1 - t0);
        commit.push_back(t2 - t1);
        total.push_back(t2 - t0);
    }
    // A commit of the open root when nothing was written: what a commit
    // costs by itself.
    std::vector<double> idle;
    for (int i = 0; i < kRepetitions; ++i) {
        double t0 = NowMs();
        CheckHr(file.file->Root()->Commit(STGC_DEFAULT));
        idle.push_back(NowMs() - t0);
    }
    double mean = 0;
    for (double t : total) mean += t / double(total.size());
    std::printf("Autosave commit, %s\n  save+commit ms: %s\n  commit, nothing written ms: %s\n", label,
                Samples(total).c_str(), Samples(idle).c_str());
    Figure("SaveTopics, median", Median(save), "ms");
    Figure("Commit, median", Median(commit), "ms");
    Figure("save + commit, median", Median(total), "ms");
    Figure("save + commit, mean", mean, "ms");
    Figure("  (info) commit with nothing written, median", Median(idle), "ms");
    return {Median(save), Median(commit)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_notefile <folder>\n");
        return 2;
    }
    CoInitialize(nullptr);
    int misses = 0;
    try {
        std::string folder = argv[1];
        std::string large = folder + "\\large.qld", small = folder + "\\small.qld";
        double t0 = NowMs();
        MakeNoteFile(large, 1000, 20 * 1024);
        MakeNoteFile(small, 10, 20 * 1024);
        std::printf("Made note files: 1000 x 20 KB and 10 x 20 KB in %.0f ms\n", NowMs() - t0);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(large.c_str(), GetFileExInfoStandard, &data))
            std::printf("  large.qld %lu bytes\n", data.nFileSizeLow);
        if (GetFileAttributesExA(small.c_str(), GetFileExInfoStandard, &data))
            std::printf("  small.qld %lu bytes\n", data.nFileSizeLow);

        if (!BenchLoad("1000 topics of 20 KB (20 MB)", "20 MB", large)) ++misses;
        if (!BenchLoad("10 topics of 20 KB (200 KB)", "200 KB", small)) ++misses;

        tCommitTimes big = BenchCommit("20 MB file (1000 topics)", large, folder + "\\commit-large.qld");
        tCommitTimes little = BenchCommit("200 KB file (10 topics)", small, folder + "\\commit-small.qld");
        std::printf("Autosave commit growth (file 100x larger)\n");
        Figure("save+commit 20 MB / 200 KB", (big.save + big.commit) / (little.save + little.commit), "x");
        Figure("commit alone 20 MB / 200 KB", big.commit / little.commit, "x");
    } catch (const tQuilletError&) {
        std::printf("FAILED: a storage call failed\n");
        return 1;
    }
    CoUninitialize();
    return misses ? 3 : 0;
}
