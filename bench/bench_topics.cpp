// A big notebook stays quick: the real Quillet.exe on note files of 10 to 5,000
// topics, timing start-up and each Topic command as the round trip of the
// command to the program, and Find in All Topics with going to its hits; then
// the tab control alone, for what the platform costs by itself.
// usage: bench_topics <folder for the note files>
#include <windows.h>
#include <commctrl.h>
#include <map>
#include "bench/bench_util.h"
#include "bench/note_files.h"
#include "client/find_all.h"
#include "support/quillet_process.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kLimitMs = 60000;  // the longest any one step may take
constexpr int kStarts = 3;
constexpr int kSwitches = 8;

// Round trip of a message the program handles before it answers.
double TimedSend(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored;
    double t0 = NowMs();
    if (!SendMessageTimeoutA(wnd, message, wParam, lParam, SMTO_NORMAL, kLimitMs, &ignored))
        return -1;
    return NowMs() - t0;
}

double TimedCommand(tQuilletProcess& quillet, int id) {
    return TimedSend(quillet.frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

int TabCount(HWND tabs) { return int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)); }

// Milliseconds from CreateProcess to a shown main window of a first start;
// negative on failure.
double TimeFirstStart(const std::string& note) {
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
    return TimeStart("\"" + QuilletExePath() + "\" /visible \"" + note + "\"", "QuilletWndClass",
                     WM_COMMAND, CM_SHUTDOWN, kLimitMs);
}

// A real click on a tab: the control picks the tab and tells the program.
double TimedTabClick(tQuilletProcess& quillet, int index) {
    RECT rect = quillet.TabRect(index);
    if (IsRectEmpty(&rect)) return -1;
    LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    double down = TimedSend(quillet.tabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    double up = TimedSend(quillet.tabs(), WM_LBUTTONUP, 0, at);
    if (down < 0 || up < 0 || quillet.SelectedTab() != index) return -1;
    return down + up;
}

// Presses a button of a dialog the command showed and times until the
// command has finished and the tabs number expectedTabs.
double TimedAnswer(tQuilletProcess& quillet, int button, int expectedTabs) {
    tForeignDialog dialog;
    if (!WaitForDialog(quillet.id(), dialog, nullptr, kLimitMs)) return -1;
    double t0 = NowMs();
    Click(dialog, button);
    DWORD_PTR ignored;
    // Each round trip waits while the program is busy with the command.
    while (NowMs() - t0 < kLimitMs) {
        if (!SendMessageTimeoutA(quillet.frame(), WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &ignored))
            return -1;
        if (!IsWindowVisible(dialog.wnd) && TabCount(quillet.tabs()) == expectedTabs)
            return NowMs() - t0;
    }
    return -1;
}

// Find in All Topics in the program: the search to a painted list, then in
// turn going to the second topic's first hit and clicking the first topic's
// tab, so both switch between the same topics under the same load.
void MeasureFindAll(tQuilletProcess& quillet, size_t size, std::vector<double>& finds,
                    std::vector<double>& goes, std::vector<double>& clicks) {
    quillet.PostCommand(CM_FIND_ALL);
    tForeignDialog dialog;
    if (!WaitForDialog(quillet.id(), dialog, "Find in All Topics", kLimitMs)) {
        finds.push_back(-1);
        return;
    }
    const char* word = "idea";
    SetDialogItemText(dialog, IDC_FIND_ALL_TEXT, word);
    HWND list = GetDlgItem(dialog.wnd, IDC_FIND_ALL_LIST);
    for (int i = 0; i < 3; ++i) {
        double t0 = NowMs();
        bool sent = TimedSend(GetDlgItem(dialog.wnd, IDOK), BM_CLICK, 0, 0) >= 0;
        UpdateWindow(dialog.wnd);
        finds.push_back(sent ? NowMs() - t0 : -1);
    }
    // The note file's topics are the benchmark's own texts: the second topic's
    // first hit comes after all hits of the first.
    const std::string name = "Topic 1", text = MakeText(size, 1);
    int secondTopicRow =
        int(FindInTopics({{&name, &text}}, {word, false, false}).hits.size());
    for (int i = 0; i < kSwitches; ++i) {
        POINT at;
        if (!quillet.ListRowCentre(list, secondTopicRow, at)) {
            goes.push_back(-1);
            continue;
        }
        LPARAM where = MAKELPARAM(at.x, at.y);
        double down = TimedSend(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
        double up = TimedSend(list, WM_LBUTTONUP, 0, where);
        double twice = TimedSend(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        double last = TimedSend(list, WM_LBUTTONUP, 0, where);
        bool ok = down >= 0 && up >= 0 && twice >= 0 && last >= 0 && quillet.SelectedTab() == 1;
        goes.push_back(ok ? down + up + twice + last : -1);
        clicks.push_back(TimedTabClick(quillet, 0));
    }
    PressButton(dialog, IDCANCEL);
}

struct tRun {
    std::map<std::string, double> median;  // figure name -> median ms
    int failures = 0;
};

void Record(tRun& run, const char* what, const std::vector<double>& samples) {
    std::vector<double> good;
    for (double v : samples) {
        if (v < 0) ++run.failures;
        else good.push_back(v);
    }
    run.median[what] = Median(good);
    std::printf("    %-22s median %8.1f ms   (%s)\n", what, Median(good), Samples(samples).c_str());
    std::fflush(stdout);
}

tRun Measure(const std::string& note, int topics, size_t size) {
    tRun run;
    std::vector<double> starts;
    for (int i = 0; i < kStarts; ++i) starts.push_back(TimeFirstStart(note));
    Record(run, "start to shown window", starts);

    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
    tQuilletProcess quillet("/visible \"" + note + "\"");
    if (!quillet.WaitForMainWindow(kLimitMs) || TabCount(quillet.tabs()) != topics) {
        std::printf("    the program did not show %d tabs\n", topics);
        ++run.failures;
        return run;
    }
    LONG style = GetWindowLongA(quillet.tabs(), GWL_STYLE);
    std::printf("    tabs: %s\n", style & TCS_MULTILINE ? "several rows" : "one scrolling row");
    std::vector<double> clicks, next, previous, moves, adds, deletes, finds, goes, pairedClicks;
    for (int i = 0; i < kSwitches; ++i) clicks.push_back(TimedTabClick(quillet, (i + 1) % 2));
    for (int i = 0; i < kSwitches; ++i) next.push_back(TimedCommand(quillet, CM_TOPIC_NEXT));
    for (int i = 0; i < kSwitches; ++i) previous.push_back(TimedCommand(quillet, CM_TOPIC_PREVIOUS));
    for (int i = 0; i < kSwitches / 2; ++i) {
        moves.push_back(TimedCommand(quillet, CM_TOPIC_MOVE_RIGHT));
        moves.push_back(TimedCommand(quillet, CM_TOPIC_MOVE_LEFT));
    }
    for (int i = 0; i < 3; ++i) {
        quillet.PostCommand(CM_TOPIC_ADD);
        tForeignDialog dialog;
        if (WaitForDialog(quillet.id(), dialog, nullptr, kLimitMs))
            SetDialogItemText(dialog, IDC_TOPIC_NAME, "Bench " + std::to_string(i + 1));
        adds.push_back(TimedAnswer(quillet, IDOK, topics + 1));
        // The new topic is current: deleting it leaves the file as it was.
        quillet.PostCommand(CM_TOPIC_DELETE);
        deletes.push_back(TimedAnswer(quillet, IDYES, topics));
    }
    if (size > 10) MeasureFindAll(quillet, size, finds, goes, pairedClicks);
    Record(run, "tab click", clicks);
    Record(run, "Next Topic", next);
    Record(run, "Previous Topic", previous);
    Record(run, "Move Topic", moves);
    Record(run, "Add Topic", adds);
    Record(run, "Delete Topic", deletes);
    if (!finds.empty()) {
        Record(run, "Find All (idea)", finds);
        Record(run, "go to a hit", goes);
        Record(run, "tab click, in turn", pairedClicks);
    }
    quillet.Command(CM_SHUTDOWN);
    if (quillet.WaitForExit(kLimitMs) != 0) {
        std::printf("    the program did not end cleanly\n");
        ++run.failures;
    }
    return run;
}

// The tab control alone in a window of the program's default size: filling
// it and changing its selection, for the platform's share of the cost.
void MeasureBareControl() {
    InitCommonControls();
    HWND window = CreateWindowExA(0, "STATIC", "tabs", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                                  400, nullptr, nullptr, nullptr, nullptr);
    struct tCase {
        int count;
        bool multiLine;
        bool fixedWidthFill;
    } cases[] = {{1000, true, false}, {1000, false, false}, {1000, false, true}, {5000, false, true}};
    for (const tCase& c : cases) {
        HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "",
                                    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                                        (c.multiLine ? TCS_MULTILINE : 0) |
                                        (c.fixedWidthFill ? TCS_FIXEDWIDTH : 0),
                                    0, 0, 580, 360, window, nullptr, nullptr, nullptr);
        double t0 = NowMs();
        for (int i = 0; i < c.count; ++i) {
            std::string name = "Topic " + std::to_string(i + 1);
            TCITEMA item = {};
            item.mask = TCIF_TEXT | TCIF_IMAGE;
            item.pszText = &name[0];
            item.iImage = -1;
            SendMessageA(tabs, TCM_INSERTITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        }
        if (c.fixedWidthFill)
            SetWindowLongA(tabs, GWL_STYLE, GetWindowLongA(tabs, GWL_STYLE) & ~TCS_FIXEDWIDTH);
        UpdateWindow(tabs);
        double fill = NowMs() - t0;
        std::vector<double> select;
        for (int i = 0; i < 4; ++i) {
            t0 = NowMs();
            SendMessageA(tabs, TCM_SETCURSEL, WPARAM((i % 2) ? 0 : c.count / 2), 0);
            UpdateWindow(tabs);
            select.push_back(NowMs() - t0);
        }
        RECT display = {0, 0, 580, 360};
        TabCtrl_AdjustRect(tabs, FALSE, &display);
        std::printf("  %5d tabs, %-10s %-22s fill %8.1f ms, selection change %7.1f ms, rows %ld px\n",
                    c.count, c.multiLine ? "multi-line" : "one row",
                    c.fixedWidthFill ? "(filled at fixed width)" : "", fill, Median(select),
                    display.top);
        DestroyWindow(tabs);
    }
    DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_topics <folder for the note files> [folder that keeps "
                             "the generated files between runs]\n");
        return 2;
    }
    std::string folder = argv[1];
    // Writing thousands of topics through the storage layer takes minutes
    // under Wine: generated files are kept, and each run works on a copy.
    std::string kept = argc > 2 ? argv[2] : folder;
    struct tFile {
        int topics;
        size_t size;
    } files[] = {{10, 10}, {100, 10}, {1000, 10}, {5000, 10},
                 {10, 20 * 1024}, {100, 20 * 1024}, {1000, 20 * 1024}};
    std::map<std::pair<size_t, int>, tRun> runs;
    int failures = 0;
    for (const tFile& file : files) {
        std::string name = "\\topics-" + std::to_string(file.topics) + "-" +
                           std::to_string(file.size) + ".qld";
        std::string original = kept + name;
        std::string note = folder + name;
        double t0 = NowMs();
        bool made = GetFileAttributesA(original.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (made) MakeNoteFile(original, file.topics, file.size);
        if (original != note && !CopyFileA(original.c_str(), note.c_str(), FALSE)) {
            std::printf("cannot copy %s\n", original.c_str());
            return 2;
        }
        std::printf("%d topics of %u bytes (%s in %.0f ms)\n", file.topics, unsigned(file.size),
                    made ? "written" : "copied", NowMs() - t0);
        std::fflush(stdout);
        tRun run = Measure(note, file.topics, file.size);
        failures += run.failures;
        runs[{file.size, file.topics}] = run;
        DeleteFileA(note.c_str());
    }

    std::printf("\nGrowth against 10 topics of the same size (x)\n");
    for (const auto& entry : runs) {
        const tRun& base = runs[{entry.first.first, 10}];
        if (entry.first.second == 10) continue;
        std::printf("  %4d x %5u B:", entry.first.second, unsigned(entry.first.first));
        for (const auto& figure : entry.second.median) {
            double b = base.median.count(figure.first) ? base.median.at(figure.first) : 0;
            std::printf("  %s %.1f", figure.first.c_str(), b > 0 ? figure.second / b : 0);
        }
        std::printf("\n");
    }

    std::printf("\nThe tab control alone\n");
    MeasureBareControl();

    std::printf("\nTargets\n");
    bool pass = failures == 0;
    if (failures) std::printf("  %d measurement(s) failed\n", failures);
    for (size_t size : {size_t(10), size_t(20 * 1024)}) {
        const tRun& base = runs[{size, 10}];
        const tRun& big = runs[{size, 1000}];
        std::string label = size == 10 ? "small" : "20 KB";
        auto at = [](const tRun& run, const char* what) {
            return run.median.count(what) ? run.median.at(what) : 1e9;
        };
        pass &= Target(("1,000 " + label + " topics: Next Topic").c_str(), at(big, "Next Topic"),
                       "ms", 50);
        pass &= Target(("1,000 " + label + " topics: Next Topic / 10 topics").c_str(),
                       at(big, "Next Topic") / at(base, "Next Topic"), "x", 5);
        pass &= Target(("1,000 " + label + " topics: start / 10 topics").c_str(),
                       at(big, "start to shown window") / at(base, "start to shown window"), "x",
                       1.5);
    }
    const tRun& big = runs[{size_t(20 * 1024), 1000}];
    auto figure = [&big](const char* what) {
        return big.median.count(what) ? big.median.at(what) : 1e9;
    };
    // Both are the same switch of topic; the list's double-click is four round
    // trips to the tab click's two, which the tolerance covers.
    pass &= Target("1,000 20 KB topics: go to a hit / tab click in turn",
                   figure("go to a hit") / figure("tab click, in turn"), "x", 1.1);
    const tRun& largest = runs[{size_t(10), 5000}];
    double slowest = largest.median.empty() ? 1e9 : 0;
    for (const auto& figure : largest.median) slowest = std::max(slowest, figure.second);
    pass &= Target("5,000 topics: slowest figure", slowest, "ms", 1000);
    return pass ? 0 : 3;
}
