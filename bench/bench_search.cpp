// Replace All and Find Next over large topics: the text routine alone and the
// client's whole path through a real (hidden) edit control.
#include <windows.h>
#include "base/errors.h"
#include "bench/bench_util.h"
#include <memory>
#include "base/window_text.h"
#include "client/edit.h"
#include "client/find_replace.h"
#include "client/search.h"

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
        size_t at = Search(upper, upperPattern, 0, 0, true, false);
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

}  // namespace

int main() {
    int misses = 0;
    try {
        tHost host;
        misses += BenchReplace(host);
        if (!BenchFindNext(host)) ++misses;
    } catch (const tQuilletError&) {
        std::printf("FAILED: a checked call failed\n");
        return 1;
    }
    return misses ? 3 : 0;
}
