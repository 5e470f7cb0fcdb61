// Note-file loading and the autosave of one topic, each against Wine's own
// ole32 on the same bytes, in a large and a small note file; what a commit
// writes and flushes, the journal's part apart.
// usage: bench_notefile <folder for the note files>
#include <windows.h>
#include <objbase.h>
#include <memory>
#include "base/errors.h"
#include "bench/bench_util.h"
#include "bench/note_files.h"
#include "storage/open_note_file.h"
#include "storage/compfile.h"
#include "storage/disk_log.h"
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

// Counts what the program writes, resizes and flushes, the journal apart
// from the note file itself.
class tDiskCounter : public tDiskObserver {
public:
    struct tCounts {
        double bytes = 0, writes = 0, flushes = 0;
    };
    tCounts note, journal;
    double flushMs = 0;  // from each flush to whatever comes next

    void OnDiskEvent(const tDiskEvent& event) override {
        EndFlush();
        if (event.kind == tDiskEvent::flush) flushStart_ = NowMs();
        const std::string suffix = JournalPathFor("");
        bool isJournal = event.path.size() >= suffix.size() &&
                         event.path.compare(event.path.size() - suffix.size(), suffix.size(), suffix) == 0;
        tCounts& counts = isJournal ? journal : note;
        if (event.kind == tDiskEvent::write) {
            counts.bytes += double(event.bytes.size());
            ++counts.writes;
        } else if (event.kind == tDiskEvent::flush) {
            ++counts.flushes;
        }
    }

    // The commit is over: so is its last flush.
    void EndFlush() {
        if (flushStart_ >= 0) flushMs += NowMs() - flushStart_;
        flushStart_ = -1;
    }

private:
    double flushStart_ = -1;
};

const int kPositions = 3;
const char* const kPositionNames[kPositions] = {"first", "middle", "last"};
size_t Position(int which, size_t count) { return which == 0 ? 0 : which == 1 ? count / 2 : count - 1; }

// A different character at a different place each time, the size unchanged.
void Change(std::string& text, int round) { text[100 + size_t(round)] = char('A' + round % 26); }

using tPositionTimes = std::vector<double>;  // median per position, ms

// Changes the topic at each position and times save(topic, counted) on it,
// repetitions times after one warm-up that is not counted.
template <typename Save>
tPositionTimes TimeEachPosition(const char* label, std::vector<tTopic>& topics, int repetitions,
                                Save&& save) {
    tPositionTimes medians;
    for (int which = 0; which < kPositions; ++which) {
        tTopic& topic = topics[Position(which, topics.size())];
        std::vector<double> times;
        for (int i = 0; i <= repetitions; ++i) {
            Change(topic.text, i);
            double ms = save(topic, i > 0);
            if (i > 0) times.push_back(ms);
        }
        std::printf("  %s, %s topic ms: %s\n", label, kPositionNames[which], Samples(times).c_str());
        medians.push_back(Median(times));
    }
    return medians;
}

// Wine's own rewrite and commit of one topic: its transacted open of the file
// at source (copied to copy), a new stream in "Topics", the record, Commit.
// Wine's own file bytes never flush (their Flush does nothing), so this
// commit is not durable: the program's flushes come on top.
tPositionTimes WineRewrite(const std::string& source, const std::string& copy, int count,
                           size_t size, int repetitions) {
    Check(CopyFileA(source.c_str(), copy.c_str(), FALSE) != 0);
    std::vector<tTopic> topics = MakeTopics(count, size);
    IStorage* root = nullptr;
    CheckHr(StgOpenStorage(ToElementName(copy).c_str(), nullptr, kModeNoteFile, nullptr, 0, &root));
    IStorage* folder = nullptr;
    CheckHr(root->OpenStorage(L"Topics", nullptr, kModeDirectReadWrite, nullptr, 0, &folder));
    auto rewrite = [&](const tTopic& topic, bool) {
        double t0 = NowMs();
        WriteRawStream(folder, topic.name, Record(topic.text));
        CheckHr(root->Commit(STGC_DEFAULT));
        return NowMs() - t0;
    };
    tPositionTimes medians = TimeEachPosition("Wine's rewrite and commit", topics, repetitions, rewrite);
    folder->Release();
    root->Release();
    return medians;
}

// The program's autosave of one topic (WriteTopic and Commit) in a
// copy of source, opened once as the program opens a note file.
tPositionTimes ProgramAutosave(const char* label, const std::string& source, const std::string& copy,
                               int repetitions) {
    Check(CopyFileA(source.c_str(), copy.c_str(), FALSE) != 0);
    tNoteFile file;
    Check(OpenNoteFile(copy, Defaults(), file) == tReadResult::read);
    std::vector<tTopic>& topics = file.content.topics;
    tDiskCounter counter;
    int commits = 0;
    auto autosave = [&](const tTopic& topic, bool counted) {
        if (counted) SetDiskObserver(&counter);
        double t0 = NowMs();
        Check(file.file->WriteTopic(topic));
        Check(file.file->Commit());
        double t1 = NowMs();
        counter.EndFlush();
        SetDiskObserver(nullptr);
        Check(file.file->State() == tFileState::clean);
        if (counted) ++commits;
        return t1 - t0;
    };
    tPositionTimes medians = TimeEachPosition(label, topics, repetitions, autosave);
    std::printf("  per commit, %s:\n", label);
    Figure("  (info) journal bytes written", counter.journal.bytes / commits, "bytes");
    Figure("  (info) journal writes", counter.journal.writes / commits, "");
    Figure("  (info) journal flushes", counter.journal.flushes / commits, "");
    Figure("  (info) note file bytes written", counter.note.bytes / commits, "bytes");
    Figure("  (info) note file writes", counter.note.writes / commits, "");
    Figure("  (info) note file flushes", counter.note.flushes / commits, "");
    Figure("  (info) time in the flushes", counter.flushMs / commits, "ms");
    return medians;
}

// The autosave of a topic at the first, middle and last place of count
// topics of 20 KB, in a file the program made and in one made in name order
// and opened once, against Wine's own rewrite in the balanced file.
int BenchAutosave(const std::string& folder, int count, const char* size, int repetitions) {
    std::printf("Autosave of one 20 KB topic of %d (%s)\n", count, size);
    const std::string tag = std::to_string(count);
    const std::string balanced = folder + "\\balanced-" + tag + ".qld";
    const std::string programs = folder + "\\program-" + tag + ".qld";
    const std::string listed = folder + "\\name-order-" + tag + ".qld";
    MakeNoteFile(programs, count, 20 * 1024);
    MakeRawNoteFile(listed, count, 20 * 1024, tStreamOrder::nameOrder);
    Figure("(info) depth of the directory of topics, program's file", TopicsTreeDepth(programs), "");
    Figure("(info) depth of the directory of topics, name-order file", TopicsTreeDepth(listed), "");
    {
        double t0 = NowMs();
        tNoteFile once;  // a file found unbalanced is set right at its first open
        Check(OpenNoteFile(listed, Defaults(), once) == tReadResult::read);
        Figure("(info) first open of the name-order file", NowMs() - t0, "ms");
    }
    Figure("(info) depth of the directory of topics, name-order file opened once", TopicsTreeDepth(listed), "");
    tPositionTimes wine = WineRewrite(balanced, folder + "\\wine-copy.qld", count, 20 * 1024, repetitions);
    struct {
        const char* label;
        const std::string& source;
    } files[] = {{"program's file", programs}, {"name-order file opened once", listed}};
    int misses = 0;
    for (const auto& f : files) {
        tPositionTimes program = ProgramAutosave(f.label, f.source, folder + "\\commit-copy.qld", repetitions);
        for (int which = 0; which < kPositions; ++which) {
            std::string what = std::string(kPositionNames[which]) + " topic, the autosave";
            Figure(("  (info) " + what).c_str(), program[size_t(which)], "ms");
            Figure("  (info)   Wine's rewrite and commit", wine[size_t(which)], "ms");
            std::string ratio = std::string("autosave / Wine's, ") + f.label + ", " + size + ", " +
                                kPositionNames[which];
            if (!Target(ratio.c_str(), program[size_t(which)] / wine[size_t(which)], "x", 1.5)) ++misses;
        }
    }
    return misses;
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
        std::string large = folder + "\\balanced-1000.qld", small = folder + "\\balanced-10.qld";
        double t0 = NowMs();
        MakeRawNoteFile(large, 1000, 20 * 1024, tStreamOrder::balanced);
        MakeRawNoteFile(small, 10, 20 * 1024, tStreamOrder::balanced);
        std::printf("Made balanced note files: 1000 x 20 KB and 10 x 20 KB in %.0f ms\n", NowMs() - t0);
        // The baseline is Wine's storage at its best: a balanced directory.
        Check(TopicsTreeDepth(large) == 10 && TopicsTreeDepth(small) == 4);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(large.c_str(), GetFileExInfoStandard, &data))
            std::printf("  %s %lu bytes\n", large.c_str(), data.nFileSizeLow);

        if (!BenchLoad("1000 topics of 20 KB (20 MB)", "20 MB", large)) ++misses;
        if (!BenchLoad("10 topics of 20 KB (200 KB)", "200 KB", small)) ++misses;
        misses += BenchAutosave(folder, 1000, "20 MB", 5);
        misses += BenchAutosave(folder, 10, "200 KB", kRepetitions);
    } catch (const tQuilletError&) {
        std::printf("FAILED: a storage call failed\n");
        return 1;
    }
    CoUninitialize();
    return misses ? 3 : 0;
}
