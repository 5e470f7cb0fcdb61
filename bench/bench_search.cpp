// Replace All and Find Next over large topics: the text routine alone and the
// client's whole path through a real (hidden) edit control. Find in All Topics
// over 1,000 topics of 20 KB: against a plain byte scan, and to a filled list.
// Go to Topic over 5,000 names: each keystroke to a filtered, painted list.
#include <windows.h>
#include <commctrl.h>
#include "base/errors.h"
#include "bench/bench_util.h"
#include <memory>
#include "base/window_text.h"
#include "base/names.h"
#include "client/client.h"
#include "client/edit.h"
#include "client/find_replace.h"
#include "client/search.h"
#include "dialogs/go_to_topic.h"
#include "resources/resource.h"
#include "storage/notefile.h"

namespace {

constexpr int kRepetitions = 5;
constexpr int kRoutineRepetitions = 15;  // cheap: more runs steady the median
const char kPattern[] = "needle";
const char kReplacement[] = "pin";

// matches chunks of 104 bytes, each holding one occurrence of the pattern.
std::string MakeMatchText(int matches) {
    std::string text;
    text.reserve(size_t(matches) * 104);
    for (int i = 0; i < matches; ++i) {
        std::string filler = MakeText(96, unsigned(i) + 7);
        text += filler;
        text += (i % 2) ? "Needle" : "needle";  // found without regard to case
        text += "\r\n";
    }
    return text;
}

LRESULT CALLBACK HostProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(wnd, message, wParam, lParam);
}

// A real edit control in a hidden window with the client's find and replace,
// as the program makes them.
struct tHost {
    HWND window;
    HWND edit;
    std::unique_ptr<tFindReplaceDlg> find;
    tHost() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuilletBenchHost";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "QuilletBenchHost", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        Check(window != nullptr);
        edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL |
                                   ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                               0, 0, 780, 560, window, nullptr, wc.hInstance, nullptr);
        Check(edit != nullptr);
        SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);  // room for megabytes
        find = std::make_unique<tFindReplaceDlg>(window);
    }
    ~tHost() {
        find.reset();
        DestroyWindow(window);
    }
    void SetText(const std::string& text) {
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(edit, EM_SETSEL, 0, 0);
        Check(size_t(GetWindowTextLengthA(edit)) == text.size());
    }
    // A press of the dialog's button (FR_FINDNEXT or FR_REPLACEALL) with these texts.
    void Press(DWORD button, const char* what, const char* with = "") {
        find->Request(what, with, FR_DOWN | button, edit);
    }
};

// One Replace All case and its timings.
struct tReplaceCase {
    const char* label;
    int matches;
    std::string original, expected;
    std::vector<double> routine, clientPath, getText, replaceSel, setText;
};

void PrepareCase(tReplaceCase& c) {
    c.original = MakeMatchText(c.matches);
    c.expected = c.original;
    Check(ReplaceAllInText(c.expected, 0, kPattern, kReplacement, false, false) == size_t(c.matches));
}

void TimeRoutine(tReplaceCase& c) {
    std::string text = c.original;
    double t0 = NowMs();
    size_t count = ReplaceAllInText(text, 0, kPattern, kReplacement, false, false);
    double t1 = NowMs();
    Check(count == size_t(c.matches) && text == c.expected);
    c.routine.push_back(t1 - t0);
}

void TimeClient(tHost& host, tReplaceCase& c) {
    host.SetText(c.original);
    double t0 = NowMs();
    host.Press(FR_REPLACEALL, kPattern, kReplacement);
    double t1 = NowMs();
    Check(WindowText(host.edit) == c.expected);
    c.clientPath.push_back(t1 - t0);
}

// Where the client's time goes: the same steps one by one.
void TimeSteps(tHost& host, tReplaceCase& c) {
    host.SetText(c.original);
    double t0 = NowMs();
    std::string text = WindowText(host.edit);
    double t1 = NowMs();
    ReplaceAllInText(text, 0, kPattern, kReplacement, false, false);
    double t2 = NowMs();
    SendMessageA(host.edit, EM_SETSEL, 0, -1);
    SendMessageA(host.edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    double t3 = NowMs();
    host.SetText(c.original);
    double t4 = NowMs();
    SendMessageA(host.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    double t5 = NowMs();
    c.getText.push_back(t1 - t0);
    c.replaceSel.push_back(t3 - t2);
    c.setText.push_back(t5 - t4);
}

void PrintCase(const tReplaceCase& c) {
    std::printf("Replace All, %s (%zu bytes, %d matches)\n  ReplaceAllInText ms: %s\n"
                "  client ReplaceAll ms: %s\n",
                c.label, c.original.size(), c.matches, Samples(c.routine).c_str(),
                Samples(c.clientPath).c_str());
    Figure("ReplaceAllInText, median", Median(c.routine), "ms");
    Figure("client ReplaceAll (edit control), median", Median(c.clientPath), "ms");
    Figure("  of which: reading the control's text", Median(c.getText), "ms");
    Figure("  of which: EM_SETSEL all + EM_REPLACESEL", Median(c.replaceSel), "ms");
    Figure("  (info) WM_SETTEXT of the same result", Median(c.setText), "ms");
}

// The two sizes take turns, so a change in the machine's load hits both alike.
int BenchReplace(tHost& host) {
    tReplaceCase one{"1 MB", 10000}, two{"2 MB", 20000};
    PrepareCase(one);
    PrepareCase(two);
    for (int i = 0; i < kRoutineRepetitions; ++i) {
        TimeRoutine(one);
        TimeRoutine(two);
    }
    for (int i = 0; i < kRepetitions; ++i) {
        TimeClient(host, one);
        TimeClient(host, two);
    }
    for (int i = 0; i < kRepetitions; ++i) {
        TimeSteps(host, one);
        TimeSteps(host, two);
    }
    PrintCase(one);
    PrintCase(two);
    int misses = 0;
    std::printf("Replace All, 2 MB against 1 MB\n");
    if (!Target("ReplaceAllInText 1 MB (well under 1 s)", Median(one.routine), "ms", 500)) ++misses;
    if (!Target("ReplaceAllInText ratio 2 MB / 1 MB", Median(two.routine) / Median(one.routine), "x", 2.3))
        ++misses;
    if (!Target("client ReplaceAll 1 MB (well under 1 s)", Median(one.clientPath), "ms", 500)) ++misses;
    if (!Target("client ReplaceAll ratio 2 MB / 1 MB", Median(two.clientPath) / Median(one.clientPath),
                "x", 2.3))
        ++misses;
    return misses;
}

bool BenchFindNext(tHost& host) {
    std::string text = MakeText(1024 * 1024 - 16, 99) + " needle at end";
    std::string pattern = "NEEDLE";
    size_t expected = text.size() - 13;
    std::vector<double> routine, clientPath;
    for (int i = 0; i < kRepetitions; ++i) {
        double t0 = NowMs();
        std::string upper = UpperAscii(text);
        std::string upperPattern = UpperAscii(pattern);
        size_t at = Search(upper, upperPattern, 0, 0, tDirection::down, false);
        double t1 = NowMs();
        Check(at == expected);
        routine.push_back(t1 - t0);

        host.SetText(text);
        double t2 = NowMs();
        host.Press(FR_FINDNEXT, pattern.c_str());
        double t3 = NowMs();
        size_t start = 0, end = 0;
        GetFullSelection(host.edit, start, end);
        Check(start == expected && end == expected + pattern.size());
        clientPath.push_back(t3 - t2);
    }
    std::printf("Find Next over 1 MB, match at the end\n  UpperAscii + Search ms: %s\n"
                "  client FindNext ms: %s\n",
                Samples(routine).c_str(), Samples(clientPath).c_str());
    bool pass = Target("Find Next: UpperAscii copy + Search, median", Median(routine), "ms", 500);
    pass &= Target("client FindNext (edit control), median", Median(clientPath), "ms", 500);
    return pass;
}

// 1,000 topics of 20 KB with the word planted hits times (in every tenth
// topic for 100 hits, spread evenly for more).
std::vector<tTopic> PlantedTopics(int hits) {
    std::vector<tTopic> topics(1000);
    int perTopic = hits >= 1000 ? hits / 1000 : 1;
    for (size_t i = 0; i < topics.size(); ++i) {
        topics[i].name = "Topic " + std::to_string(i + 1);
        topics[i].text = MakeText(20 * 1024, unsigned(i) + 1);
        if (hits < 1000 && i % (1000 / size_t(hits)) != 0) continue;
        for (int k = 0; k < perTopic; ++k) topics[i].text.replace(size_t(k) * 200 + 100, 6, "needle");
    }
    return topics;
}

// A client on a note file of topics, in a hidden stand-in for the frame.
struct tClientHost {
    std::string path;
    HWND frame = nullptr;
    std::unique_ptr<tQuilletClient> client;
    tClientHost(const std::string& file, const std::vector<tTopic>& topics) : path(file) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA wc = {};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = ClientWndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = kClientClassName;
            registered = RegisterClassExA(&wc) != 0;
        }
        frame = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        DeleteFileA(path.c_str());
        Check(WriteNewNoteFile(path, topics) == tNewFileResult::written);
        tAppearanceRecord appearance = {};
        SetDefaultColours(appearance);
        tNoteFile opened;
        Check(OpenNoteFile(path, appearance, opened) == tReadResult::read);
        tClientSettings settings;
        settings.frame = frame;
        settings.noTray = true;
        client = std::make_unique<tQuilletClient>(settings, std::move(opened), RECT{0, 0, 800, 600});
    }
    ~tClientHost() {
        client.reset();
        DestroyWindow(frame);
        DeleteFileA(path.c_str());
    }
};

struct tFindAllCase {
    int hits;
    std::unique_ptr<tClientHost> host;
    std::vector<double> plain, routine, shown;
    tFindAllResults results;  // used again, as the program does
};

size_t PlainScan(const std::vector<tTopic>& topics, const std::string& word) {
    size_t count = 0;
    for (const tTopic& topic : topics)
        for (size_t at = topic.text.find(word); at != std::string::npos;
             at = topic.text.find(word, at + word.size()))
            ++count;
    return count;
}

void TimeFindAll(tFindAllCase& c) {
    tQuilletClient& client = *c.host->client;
    const std::vector<tTopic>& topics = client.Notebook().Topics();
    double t0 = NowMs();
    size_t plain = PlainScan(topics, "needle");
    double t1 = NowMs();
    std::string live = WindowText(client.View().Edit());
    c.results.Find(TopicsToSearch(client.Notebook(), live), {"needle", false, false});
    double t2 = NowMs();
    Check(plain == size_t(c.hits) && c.results.hits.size() == plain);

    // The dialog's own path: Find All, the client's search, the list filled and painted.
    HWND dialog = client.FindAllDialogWindow();
    HWND list = GetDlgItem(dialog, IDC_FIND_ALL_LIST);
    SetFocus(GetDlgItem(dialog, IDC_FIND_ALL_TEXT));
    double t3 = NowMs();
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    UpdateWindow(dialog);
    double t4 = NowMs();
    Check(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == c.hits);
    c.plain.push_back(t1 - t0);
    c.routine.push_back(t2 - t1);
    c.shown.push_back(t4 - t3);
}

int BenchFindAll() {
    InitCommonControls();
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    tFindAllCase few{100, std::make_unique<tClientHost>(std::string(folder) + "findall-100.qld",
                                                        PlantedTopics(100)), {}, {}, {}, {}};
    tFindAllCase many{100000, std::make_unique<tClientHost>(std::string(folder) + "findall-100000.qld",
                                                            PlantedTopics(100000)), {}, {}, {}, {}};
    for (tFindAllCase* c : {&few, &many}) {
        c->host->client->Command(CM_FIND_ALL);
        SetDlgItemTextA(c->host->client->FindAllDialogWindow(), IDC_FIND_ALL_TEXT, "needle");
    }
    for (int i = 0; i < kRoutineRepetitions / 2; ++i) {
        TimeFindAll(few);
        TimeFindAll(many);
    }
    for (tFindAllCase* c : {&few, &many})
        SendMessageA(c->host->client->FindAllDialogWindow(), WM_COMMAND, IDCANCEL, 0);
    for (const tFindAllCase* c : {&few, &many}) {
        std::printf("Find in All Topics, 1,000 topics of 20 KB, %d hits\n  plain scan ms: %s\n"
                    "  the search alone ms: %s\n  to a filled list ms: %s\n",
                    c->hits, Samples(c->plain).c_str(), Samples(c->routine).c_str(),
                    Samples(c->shown).c_str());
        Figure("plain byte scan (std::string::find), median", Median(c->plain), "ms");
        Figure("the search alone (tFindAllResults::Find), median", Median(c->routine), "ms");
        Figure("Find All to a filled list, median", Median(c->shown), "ms");
    }
    int misses = 0;
    std::printf("Find in All Topics, 1,000 topics of 20 KB\n");
    Figure("(info) the search alone / plain byte scan, 100 hits",
           Median(few.routine) / Median(few.plain), "x");
    if (!Target("Find All to a filled list, 100 hits", Median(few.shown), "ms", 100)) ++misses;
    if (!Target("Find All (filled list) / plain byte scan, 100 hits",
                Median(few.shown) / Median(few.plain), "x", 3))
        ++misses;
    if (!Target("Find All, 100,000 hits - 100 hits", Median(many.shown) - Median(few.shown), "ms",
                100))
        ++misses;
    return misses;
}

// Go to Topic: the real dialog runs modally; a timer of its thread types
// into its field, one keystroke at a time, each timed to the painted list.
constexpr int kGoToTopics = 5000;
constexpr int kGoToRounds = 5;
const char kGoToTyped[] = "ink 12";

struct tGoToBench {
    std::vector<double> keystroke;  // WM_CHAR to the list painted
    std::vector<double> filled;     // WM_CHAR to the list filled, before it paints
    std::vector<double> filter;     // GoToTopicRows alone, for the same texts
    bool done = false;
    int ticks = 0;
} goToBench;

void CALLBACK TypeIntoGoToTopic(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA(nullptr, "Go to Topic");
    if (!dialog || !IsWindowVisible(dialog)) {
        if (++goToBench.ticks > 500) {  // never shown: give up
            KillTimer(nullptr, timer);
            goToBench.done = true;
        }
        return;
    }
    KillTimer(nullptr, timer);
    HWND field = GetDlgItem(dialog, IDC_GO_TO_TEXT);
    HWND list = GetDlgItem(dialog, IDC_GO_TO_LIST);
    for (int round = 0; round < kGoToRounds; ++round) {
        // Typed in, then taken back: every prefix twice, from 5,000 rows to a few.
        std::vector<WPARAM> keys(std::begin(kGoToTyped), std::end(kGoToTyped) - 1);
        keys.insert(keys.end(), keys.size(), VK_BACK);
        for (WPARAM key : keys) {
            double t0 = NowMs();
            SendMessageA(field, WM_CHAR, key, 0);
            double tChar = NowMs();
            UpdateWindow(list);
            goToBench.keystroke.push_back(NowMs() - t0);
            goToBench.filled.push_back(tChar - t0);
        }
    }
    Check(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == kGoToTopics);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    goToBench.done = true;
}

int BenchGoToTopic() {
    static const char* const words[] = {"note", "paper", "quill", "ink", "margin", "topic", "letter",
                                        "draft", "window", "garden", "river", "meeting", "budget"};
    tGoToTopicChoices choices;
    for (int i = 0; i < kGoToTopics; ++i) {
        choices.names.push_back(std::string(words[i % 13]) + " " + std::to_string(i + 1));
        choices.recent.push_back(i);
    }
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    Check(SetTimer(nullptr, 0, 10, TypeIntoGoToTopic) != 0);
    RunGoToTopicDialog(owner, choices);
    DestroyWindow(owner);
    Check(goToBench.done && !goToBench.keystroke.empty());

    std::vector<int> rows;
    const std::string typed = kGoToTyped;
    for (int round = 0; round < kGoToRounds; ++round)
        for (size_t n = 1; n <= typed.size(); ++n) {
            double t0 = NowMs();
            GoToTopicRows(choices, typed.substr(0, n), rows);
            goToBench.filter.push_back(NowMs() - t0);
        }
    std::printf("Go to Topic, 5,000 names, typing \"%s\" and taking it back, %d times\n  per keystroke ms: %s\n",
                kGoToTyped, kGoToRounds, Samples(goToBench.keystroke).c_str());
    Figure("the filter alone (GoToTopicRows), median", Median(goToBench.filter), "ms");
    Figure("a keystroke to the filled list (before painting), median", Median(goToBench.filled), "ms");
    Figure("a keystroke to the painted list, slowest",
           *std::max_element(goToBench.keystroke.begin(), goToBench.keystroke.end()), "ms");
    return Target("a keystroke to the filtered, painted list, median", Median(goToBench.keystroke), "ms", 16)
               ? 0
               : 1;
}

}  // namespace

// With "go-to", only Go to Topic.
int main(int argc, char** argv) {
    int misses = 0;
    try {
        if (argc > 1 && std::string(argv[1]) == "go-to") return BenchGoToTopic() ? 3 : 0;
        tHost host;
        misses += BenchReplace(host);
        if (!BenchFindNext(host)) ++misses;
        misses += BenchFindAll();
        misses += BenchGoToTopic();
    } catch (const tQuilletError&) {
        std::printf("FAILED: a checked call failed\n");
        return 1;
    }
    return misses ? 3 : 0;
}
