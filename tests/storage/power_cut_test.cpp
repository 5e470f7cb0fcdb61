// What a power cut can leave of a note file and its journal, at every instant
// of a session of commits, opened through the program's own open path: each
// image must open at the commit before the cut or the one after, every topic
// name and text equal. Writes are recorded where the program makes them; of
// the writes since a file's last flush any subset may have reached the disk,
// in any combination, and a write of several sectors may be cut between two.
// QUILLET_POWER_CUT_ALL=1 tries every subset instead of a sample (bench/run).
#include <gtest/gtest.h>
#include "storage/disk_log.h"
#include "storage/journal.h"
#include "storage/notefile.h"
#include "storage/open_note_file.h"
#include "storage_test_util.h"
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

namespace {

using tState = std::vector<std::pair<std::string, std::string>>;  // name, text in order

class tRecorder : public tDiskObserver {
public:
    tRecorder() { SetDiskObserver(this); }
    ~tRecorder() { SetDiskObserver(nullptr); }
    void OnDiskEvent(const tDiskEvent& event) override { events.push_back(event); }
    std::vector<tDiskEvent> events;
};

tState StateOf(const std::vector<tTopic>& topics) {
    tState state;
    for (const tTopic& topic : topics) state.emplace_back(topic.name, topic.text);
    return state;
}

void Apply(std::map<std::string, std::string>& disk, const tDiskEvent& event, size_t sectors = SIZE_MAX) {
    std::string& bytes = disk[event.path];
    if (event.kind == tDiskEvent::resize) {
        bytes.resize(size_t(event.offset));
    } else if (event.kind == tDiskEvent::write) {
        const size_t n = std::min(event.bytes.size(), sectors == SIZE_MAX ? SIZE_MAX : sectors * 512);
        if (bytes.size() < event.offset + n) bytes.resize(size_t(event.offset + n));
        bytes.replace(size_t(event.offset), n, event.bytes, 0, n);
    }
}

struct tCounts {
    size_t images = 0, before = 0, after = 0, refused = 0, wrong = 0;
};

class PowerCut : public testing::Test {
protected:
    void SetUp() override {
        path = dir.File("cut.qld");
        all = std::getenv("QUILLET_POWER_CUT_ALL") != nullptr;
    }

    // Opens path as the program does and returns its topics; false when refused.
    bool OpenAt(const std::string& at, tState& state) {
        tAppearanceRecord appearance = {};
        SetDefaultColours(appearance);
        tNoteFile file;
        if (OpenNoteFile(at, appearance, file) != tReadResult::read) return false;
        state = StateOf(file.content.topics);
        return true;
    }

    void Check(const std::map<std::string, std::string>& disk, const tState& before,
               const tState& after, tCounts& counts) {
        const std::string image = dir.File("image.qld");
        for (const auto& file : disk) {
            std::string name = file.first == path ? image : JournalPathFor(image);
            std::ofstream(name, std::ios::binary | std::ios::trunc) << file.second;
        }
        tState state;
        ++counts.images;
        if (!OpenAt(image, state)) ++counts.refused;
        else if (state == before) ++counts.before;
        else if (state == after) ++counts.after;
        else ++counts.wrong;
        DeleteFileA(image.c_str());
        DeleteFileA(JournalPathFor(image).c_str());
    }

    // Every image a cut during events [from, to) could leave, given disk as it
    // was at from.
    tCounts Explore(std::map<std::string, std::string> disk, const std::vector<tDiskEvent>& events,
                    size_t from, size_t to, const tState& before, const tState& after) {
        tCounts counts;
        std::mt19937 random(unsigned(from * 7919 + to));
        std::vector<size_t> pending;  // since the last flush of their file
        for (size_t k = from; k <= to; ++k) {
            const bool flush = k < to && events[k].kind == tDiskEvent::flush;
            if (k == to || flush) {
                // A cut just before this flush (or at the end): any subset of
                // what is pending, and each pending write torn.
                const size_t n = pending.size();
                std::vector<uint64_t> subsets;
                if (n <= 12 && (all || n <= 6)) {
                    for (uint64_t s = 0; s < (uint64_t(1) << n); ++s) subsets.push_back(s);
                } else {
                    subsets = {0, (uint64_t(1) << n) - 1};
                    for (int i = 0; i < (all ? 4096 : 48); ++i) subsets.push_back(random() & ((uint64_t(1) << n) - 1));
                }
                for (uint64_t s : subsets) {
                    auto image = disk;
                    for (size_t i = 0; i < n; ++i)
                        if (s >> i & 1) Apply(image, events[pending[i]]);
                    Check(image, before, after, counts);
                }
                for (size_t i = 0; i < n; ++i) {
                    const tDiskEvent& write = events[pending[i]];
                    if (write.kind != tDiskEvent::write || write.bytes.size() <= 512) continue;
                    for (size_t sectors = 1; sectors * 512 < write.bytes.size();
                         sectors += all ? 1 : (write.bytes.size() / 512 / 3 + 1)) {
                        auto image = disk;
                        for (size_t j = 0; j < i; ++j) Apply(image, events[pending[j]]);
                        Apply(image, write, sectors);
                        Check(image, before, after, counts);
                    }
                }
            }
            if (k == to) break;
            if (flush) {
                // Now durable: what was pending for this file.
                std::vector<size_t> still;
                for (size_t i : pending)
                    if (events[i].path == events[k].path) Apply(disk, events[i]);
                    else still.push_back(i);
                pending = still;
            } else {
                pending.push_back(k);
            }
        }
        return counts;
    }

    tTempDir dir;
    std::string path;
    bool all = false;
};

TEST_F(PowerCut, EveryImageOpensAtACommit) {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    {
        tNoteFile made;
        ASSERT_TRUE(CreateNoteFile(path, appearance, made));
    }
    std::map<std::string, std::string> initial = {{path, FileBytes(path)}, {JournalPathFor(path), ""}};

    tRecorder recorder;
    tNoteFile file;
    ASSERT_EQ(tReadResult::read, OpenNoteFile(path, appearance, file));
    tOpenNoteFile& open = *file.file;
    std::vector<tTopic>& topics = file.content.topics;
    std::vector<tState> states = {StateOf(topics)};
    std::vector<size_t> ends = {recorder.events.size()};
    auto commit = [&] {
        ASSERT_TRUE(open.Commit());
        states.push_back(StateOf(topics));
        ends.push_back(recorder.events.size());
    };
    auto type = [&](size_t i, const std::string& text) {
        topics[i].text += text;
        ASSERT_TRUE(open.WriteTopic(topics[i]));
    };
    auto add = [&](const std::string& name, const std::string& text) {
        topics.push_back(tTopic{name, text});
        ASSERT_TRUE(open.WriteTopic(topics.back()));
        ASSERT_TRUE(open.WriteIndex(topics));
    };
    type(0, "first words");
    commit();
    type(0, " and more");
    commit();
    add("Ideas", "one idea");
    commit();
    topics[2].name = "Plans";
    ASSERT_TRUE(open.RenameTopic("Ideas", topics[2]));
    ASSERT_TRUE(open.WriteIndex(topics));
    commit();
    tTopic deleted = topics[1];
    topics.erase(topics.begin() + 1);
    ASSERT_TRUE(open.DeleteTopic(deleted.name));
    ASSERT_TRUE(open.WriteIndex(topics));
    commit();
    std::swap(topics[0], topics[1]);  // Move
    ASSERT_TRUE(open.WriteIndex(topics));
    commit();
    topics.insert(topics.begin() + 1, deleted);  // Undo Delete
    ASSERT_TRUE(open.WriteTopic(topics[1]));
    ASSERT_TRUE(open.WriteIndex(topics));
    commit();
    appearance.backgroundColour = RGB(1, 2, 3);
    ASSERT_TRUE(open.WriteAppearance(appearance));
    commit();
    type(1, std::string(5000, 'x'));  // leaves the mini stream
    commit();
    for (int i = 0; i < 2; ++i) {  // past a second sector of the allocation table
        add("Big " + std::to_string(i), std::string(40000, char('a' + i)));
        commit();
    }
    file.file.reset();

    // The same file with its topics in a long list is made balanced when it
    // is opened: one more commit, of the same topics.
    const std::string listed = dir.File("listed.qld");
    {
        tState many;
        for (int i = 0; i < 40; ++i) many.emplace_back("T" + std::to_string(100 + i), "text");
        WriteNoteFile(listed, many);  // created in name order
    }
    initial[listed] = FileBytes(listed);
    initial[JournalPathFor(listed)] = "";
    const size_t openStart = recorder.events.size();
    tState listedState;
    ASSERT_TRUE(OpenAt(listed, listedState));
    const size_t openEnd = recorder.events.size();
    SetDiskObserver(nullptr);

    std::map<std::string, std::string> disk = initial;
    tCounts total;
    for (size_t c = 1; c < ends.size(); ++c) {
        std::map<std::string, std::string> at;
        for (const auto& f : disk)
            if (f.first == path || f.first == JournalPathFor(path)) at.insert(f);
        tCounts counts = Explore(at, recorder.events, ends[c - 1], ends[c], states[c - 1], states[c]);
        for (size_t k = ends[c - 1]; k < ends[c]; ++k) Apply(disk, recorder.events[k]);
        EXPECT_EQ(0u, counts.refused + counts.wrong) << "commit " << c;
        if (states[c] != states[c - 1]) {
            EXPECT_GT(counts.after, 0u) << "commit " << c;
        }
        total.images += counts.images;
        total.refused += counts.refused;
        total.wrong += counts.wrong;
        std::printf("commit %zu: %zu images, %zu at the commit before, %zu after\n", c, counts.images,
                    counts.before, counts.after);
    }
    // The balancing rewrite, whose topics are the same before and after.
    {
        std::map<std::string, std::string> at = {{path, initial[listed]}, {JournalPathFor(path), ""}};
        std::vector<tDiskEvent> events(recorder.events.begin() + openStart, recorder.events.begin() + openEnd);
        for (tDiskEvent& event : events) event.path = event.path == listed ? path : JournalPathFor(path);
        ASSERT_FALSE(events.empty()) << "the listed file was not rewritten";
        tCounts counts = Explore(at, events, 0, events.size(), listedState, listedState);
        EXPECT_EQ(0u, counts.refused + counts.wrong) << "balancing";
        total.images += counts.images;
        std::printf("balancing: %zu images\n", counts.images);
    }
    std::printf("%zu images, %zu refused, %zu wrong\n", total.images, total.refused, total.wrong);
}

// A journal is played only into the file it was written for: a file put in
// the note file's place after a cut is opened as it is.
TEST_F(PowerCut, AJournalIsNotPlayedIntoAnotherFile) {
    WriteNoteFile(path, {{"A", "mine"}});
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    std::string journal;
    {
        tRecorder recorder;
        tNoteFile file;
        ASSERT_EQ(tReadResult::read, OpenNoteFile(path, appearance, file));
        file.content.topics[0].text = "changed";
        ASSERT_TRUE(file.file->WriteTopic(file.content.topics[0]));
        ASSERT_TRUE(file.file->Commit());
        for (const tDiskEvent& event : recorder.events)
            if (event.path == JournalPathFor(path) && event.kind == tDiskEvent::write) journal = event.bytes;
    }
    tJournal decoded;
    ASSERT_TRUE(DecodeJournal(journal, decoded));
    ASSERT_FALSE(decoded.pages.empty());
    // Cut short or damaged, it is not a journal at all.
    for (size_t cut : {size_t(0), journal.size() / 2, journal.size() - 1})
        EXPECT_FALSE(DecodeJournal(journal.substr(0, cut), decoded));
    std::string flipped = journal;
    flipped[journal.size() / 2] ^= 1;
    EXPECT_FALSE(DecodeJournal(flipped, decoded));

    WriteNoteFile(path, {{"B", "another file"}, {"C", "in its place"}});
    std::ofstream(JournalPathFor(path), std::ios::binary | std::ios::trunc) << journal;
    const std::string other = FileBytes(path);
    tState state;
    ASSERT_TRUE(OpenAt(path, state));
    EXPECT_EQ((tState{{"B", "another file"}, {"C", "in its place"}}), state);
    EXPECT_EQ(other, FileBytes(path));
    EXPECT_FALSE(FileExists(JournalPathFor(path)));  // voided and gone with the close
}

}  // namespace
