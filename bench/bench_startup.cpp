// Start-up time of Quillet against the system's Notepad: process start to a
// shown main window, runs alternating between the two.
// usage: bench_startup <Quillet.exe> <note file> [runs]
#include <windows.h>
#include <string>
#include "bench/bench_util.h"

namespace {

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup <Quillet.exe> <note file> [runs]\n");
        return 2;
    }
    int runs = argc > 3 ? atoi(argv[3]) : 10;
    std::string quillet = std::string("\"") + argv[1] + "\" /visible \"" + argv[2] + "\"";
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string notepad = std::string("\"") + windows + "\\notepad.exe\"";
    const WPARAM kShutdown = 101;

    // One unmeasured start of each, so neither pays for the first load of the system DLLs.
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");
    double warmQ = TimeStart(quillet, "QuilletWndClass", WM_COMMAND, kShutdown, 30000);
    double warmN = TimeStart(notepad, "Notepad", WM_CLOSE, 0, 30000);
    std::printf("Start-up (warm-up, not counted): Quillet %.1f ms, Notepad %.1f ms\n", warmQ, warmN);
    std::vector<double> q, n;
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Larkspur Software");  // a fresh first start
        double a = TimeStart(quillet, "QuilletWndClass", WM_COMMAND, kShutdown, 30000);
        double b = TimeStart(notepad, "Notepad", WM_CLOSE, 0, 30000);
        if (a < 0 || b < 0) {
            ++failures;
            continue;
        }
        q.push_back(a);
        n.push_back(b);
    }
    std::printf("Start-up to a shown main window, %d runs each\n  Quillet ms: %s\n  Notepad ms: %s\n",
                runs, Samples(q).c_str(), Samples(n).c_str());
    if (failures) std::printf("  %d run(s) failed to show or end a window\n", failures);
    Figure("Quillet /visible <file>, median", Median(q), "ms");
    Figure("notepad.exe, median", Median(n), "ms");
    bool pass = !q.empty() && Target("start-up ratio Quillet / Notepad", Median(q) / Median(n), "x", 1.2);
    return pass && !failures ? 0 : 3;
}
