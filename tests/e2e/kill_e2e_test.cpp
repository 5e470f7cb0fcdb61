// Quillet killed outright at random instants while it saves a big notebook
// word by word: kill_commits.sh starts Quillet, runs KillDuringCommits.Type
// to type and save, kills the program with SIGKILL at a random instant, and
// runs KillDuringCommits.Check, which opens the file as the program opens it.
#include "e2e_support.h"
#include <commctrl.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include "storage/notefile.h"
#include "storage/open_note_file.h"

namespace {

std::string Env(const char* name) {
    char value[MAX_PATH * 2] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) ? value : "";
}

constexpr int kTopics = 300;
constexpr size_t kTopicSize = 20 * 1024;
constexpr int kWordsPerTopic = 6;  // then the next topic
constexpr int kWordLimit = 2000;   // the kill comes long before

const char* const kWords[] = {"ink", "quill", "margin", "draft", "river", "budget", "idea", "list"};

// One word typed: the topic (its place in the Index) and the word, which went
// in at the end of its text after a space.
struct tTyped {
    int topic;
    std::string word;
};

std::vector<tTyped> ReadTyped(const std::string& path) {
    std::vector<tTyped> typed;
    std::ifstream in(path);
    tTyped line;
    while (in >> line.topic >> line.word) typed.push_back(line);
    return typed;
}

tAppearanceRecord Defaults() {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    return appearance;
}

// Whether the program is still there after a bounded send; false once it is
// gone. answer: what it said.
bool Send(tQuilletProcess& quillet, HWND wnd, UINT message, WPARAM wParam, LPARAM lParam,
          DWORD_PTR* answer = nullptr) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(wnd, message, wParam, lParam, SMTO_NORMAL, 10000, answer ? answer : &ignored);
    return quillet.WaitForExit(0) == STILL_ACTIVE;
}

// With QUILLET_KILL_PREPARE: writes the notebook there. Otherwise types into
// the Quillet whose caption starts with QUILLET_KILL_CAPTION, each word
// written to QUILLET_KILL_LOG before it is typed, and lets the idle save run
// after each; every few words it goes on to the next topic, which saves too.
// Ends when the program is gone.
TEST(KillDuringCommits, Type) {
    const std::string prepare = Env("QUILLET_KILL_PREPARE");
    if (!prepare.empty()) {
        std::vector<tTopic> topics(kTopics);
        for (int i = 0; i < kTopics; ++i) {
            topics[size_t(i)].name = "Topic " + std::to_string(i + 1);
            std::string line = "Line of topic " + std::to_string(i + 1) + ".\r\n";
            while (topics[size_t(i)].text.size() + line.size() <= kTopicSize) topics[size_t(i)].text += line;
        }
        ASSERT_EQ(tNewFileResult::written, WriteNewNoteFile(prepare, topics));
        return;
    }
    const std::string log = Env("QUILLET_KILL_LOG");
    if (log.empty()) GTEST_SKIP() << "run by kill_commits.sh, which kills Quillet";
    tQuilletProcess quillet(tQuilletProcess::tRunning{}, Env("QUILLET_KILL_CAPTION"));
    ASSERT_TRUE(quillet.WaitForMainWindow(60000));
    std::ofstream out(log);
    unsigned seed = unsigned(std::stoul(Env("QUILLET_KILL_SEED")));
    for (int n = 0; n < kWordLimit; ++n) {
        if (n > 0 && n % kWordsPerTopic == 0 && !Send(quillet, quillet.frame(), WM_COMMAND, CM_TOPIC_NEXT, 0))
            return;
        DWORD_PTR topic = 0;
        if (!Send(quillet, quillet.tabs(), TCM_GETCURSEL, 0, 0, &topic)) return;
        seed = seed * 1103515245u + 12345u;
        std::string word = kWords[(seed >> 16) % (sizeof kWords / sizeof *kWords)];
        out << int(topic) << ' ' << word << std::endl;  // on disk before it is typed
        DWORD_PTR end = 0;
        std::string text = " " + word;
        if (!Send(quillet, quillet.edit(), WM_GETTEXTLENGTH, 0, 0, &end) ||
            !Send(quillet, quillet.edit(), EM_SETSEL, WPARAM(end), LPARAM(end)) ||
            !Send(quillet, quillet.edit(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str())))
            return;
        for (int tick = 0; tick < 3; ++tick)  // the idle save
            if (!Send(quillet, quillet.client(), WM_TIMER, 1, 0)) return;
    }
    FAIL() << "typed " << kWordLimit << " words and was never killed";
}

// The file left by the kill opens through the program's own open path at a
// committed state: the state before the run (QUILLET_KILL_BEFORE) with the
// first K words typed (QUILLET_KILL_LOG) for some K; the last word may be
// missing, whose save the kill cut short.
TEST(KillDuringCommits, Check) {
    const std::string path = Env("QUILLET_KILL_NOTE");
    if (path.empty()) GTEST_SKIP() << "run by kill_commits.sh, which kills Quillet";
    tNoteFile before, after;
    ASSERT_EQ(tReadResult::read, OpenNoteFile(Env("QUILLET_KILL_BEFORE"), Defaults(), before));
    ASSERT_EQ(tReadResult::read, OpenNoteFile(path, Defaults(), after)) << "the program refuses " << path;
    const std::vector<tTopic>& was = before.content.topics;
    const std::vector<tTopic>& is = after.content.topics;
    ASSERT_EQ(was.size(), is.size());
    std::vector<tTyped> typed = ReadTyped(Env("QUILLET_KILL_LOG"));
    // Every word of the log up to the cut, and none after it, is in its topic.
    size_t low = 0, high = typed.size();  // the cut: low <= K <= high
    for (size_t t = 0; t < is.size(); ++t) {
        SCOPED_TRACE("topic " + std::to_string(t + 1));
        EXPECT_EQ(was[t].name, is[t].name);
        ASSERT_EQ(0u, is[t].text.compare(0, was[t].text.size(), was[t].text)) << "the old text changed";
        std::string added = is[t].text.substr(was[t].text.size()), expected;
        for (size_t k = 0; k < typed.size(); ++k) {
            if (typed[k].topic != int(t)) continue;
            if (expected.size() == added.size()) {
                high = std::min(high, k);  // this word is not in: the cut is before it
                break;
            }
            expected += " " + typed[k].word;
            low = std::max(low, k + 1);
        }
        EXPECT_EQ(expected, added) << "not the words typed, up to a word's end";
    }
    EXPECT_LE(low, high) << "the topics hold words of different moments";
    std::printf("[ kill     ] the file holds %zu of %zu words typed\n", low, typed.size());
}

}  // namespace
