// Print layout of a 10 MB and a 1 MB topic with a real device context's measures.
#include <windows.h>
#include <commdlg.h>
#include <algorithm>
#include "base/errors.h"
#include "bench/bench_util.h"
#include "print/layout.h"
#include "print/page_gdi.h"

namespace {

// One topic to lay out and its timings.
struct tLayoutCase {
    const char* label;
    tPrintTopic topic;
    std::vector<double> lines, pages;
    size_t lineCount = 0, pageCount = 0;
    double Total() const { return Median(lines) + Median(pages); }
};

void MakeCase(tLayoutCase& c, size_t size) {
    c.topic.name = "Large topic";
    // Paragraphs of about 600 characters: most need breaking into several lines.
    c.topic.text = MakeText(size, 5, 600);
}

// As a print job does it: the widths once, then the topic's lines.
void TimeLayout(tPrintMetrics& metrics, tLayoutCase& c) {
    double t0 = NowMs();
    const tTextWidths widths = BodyTextWidths(metrics);
    std::vector<tPrintableTopic> printable;
    printable.push_back(MakePrintableTopic(metrics, widths, c.topic));
    double t1 = NowMs();
    std::vector<tPage> laidOut = PackPages(printable, metrics, [] {});
    double t2 = NowMs();
    c.lineCount = printable[0].lines.size();
    c.pageCount = laidOut.size();
    c.lines.push_back(t1 - t0);
    c.pages.push_back(t2 - t1);
}

void PrintCase(const tLayoutCase& c) {
    std::printf("Layout of a %s topic (%zu bytes): %zu lines on %zu pages\n"
                "  MakePrintableTopic ms: %s\n  PackPages ms: %s\n",
                c.label, c.topic.text.size(), c.lineCount, c.pageCount, Samples(c.lines).c_str(),
                Samples(c.pages).c_str());
    Figure("MakePrintableTopic, median", Median(c.lines), "ms");
    Figure("PackPages, median", Median(c.pages), "ms");
    Figure("layout total, median", c.Total(), "ms");
}

}  // namespace

int main() {
    int misses = 0;
    try {
        PRINTDLGA pd = {};
        pd.lStructSize = sizeof pd;
        pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
        HDC dc = nullptr;
        bool printer = PrintDlgA(&pd) && pd.hDC;
        if (printer) {
            dc = pd.hDC;
            std::printf("Measuring on the default printer's DC\n");
        } else {
            HDC screen = GetDC(nullptr);
            dc = CreateCompatibleDC(screen);
            ReleaseDC(nullptr, screen);
            Check(dc != nullptr);
            std::printf("No printer (PrintDlg error 0x%lx): measuring on a screen-compatible memory DC\n",
                        CommDlgExtendedError());
        }
        std::printf("  DC: %d x %d device units, %d dpi\n", GetDeviceCaps(dc, HORZRES),
                    GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSY));
        LOGFONTA body = {};
        body.lfHeight = -13;
        lstrcpyA(body.lfFaceName, "Arial");
        LOGFONTA title = body;
        title.lfWeight = FW_BOLD;
        RECT margins = {40, 40, 40, 40};
        {
            tPrintMetrics metrics(dc, &body, &title, &margins);
            tLayoutCase large{"10 MB"}, small{"1 MB"};
            MakeCase(large, 10 * 1024 * 1024);
            MakeCase(small, 1024 * 1024);
            // The sizes take turns, so a change in the machine's load hits both alike.
            for (int round = 0; round < 3; ++round) {
                TimeLayout(metrics, small);
                TimeLayout(metrics, large);
                TimeLayout(metrics, small);
            }
            PrintCase(large);
            PrintCase(small);
            // How often, and how much, the device measures: the widths
            // table and whatever the lines are checked with.
            long long calls = 0, measured = 0;
            const tMeasureText run = BodyRunMeasure(metrics);
            const tMeasureText counting = [&](const char* text, int length) {
                ++calls;
                measured += length;
                return run(text, length);
            };
            const tTextWidths widths = BodyTextWidths(metrics, counting);
            const std::string& text = small.topic.text;
            metrics.SelectBodyFont();
            const std::vector<std::string> lines = BreakIntoLines(text, LineRoom(metrics), widths);
            // The same lines as measuring every run the breaking tries.
            const double t0 = NowMs();
            const std::vector<std::string> measuredLines =
                BreakIntoLines(text, LineRoom(metrics), BodyTextMeasure(metrics));
            const double everyRunMs = NowMs() - t0;
            // What a font whose runs are not the sums would cost: every line
            // checked on the device.
            tTextWidths checked = widths;
            checked.exactRun = counting;
            const long long callsBefore = calls, measuredBefore = measured;
            const double t1 = NowMs();
            const bool checkedSame = BreakIntoLines(text, LineRoom(metrics), checked) == lines;
            const double checkedMs = NowMs() - t1;
            const long long checkedMeasured = measured - measuredBefore;
            calls = callsBefore;
            measured = measuredBefore;
            metrics.RestoreFont();
            size_t differ = lines.size() > measuredLines.size() ? lines.size() - measuredLines.size()
                                                                : measuredLines.size() - lines.size();
            for (size_t i = 0; i < std::min(lines.size(), measuredLines.size()); ++i)
                if (lines[i] != measuredLines[i]) ++differ;
            std::printf("  (info) 1 MB: widths %s; %lld measurements of %lld characters in all for"
                        " %zu lines (%.2f per line)\n",
                        widths.exactRun ? "summed and each line checked on the device"
                                        : "summed alone (the font's runs are the sums)",
                        calls, measured, lines.size(), double(calls) / double(lines.size()));
            std::printf("  (info) 1 MB measuring every run tried instead: %.0f ms\n", everyRunMs);
            std::printf("  (info) 1 MB with every line checked on the device: %.0f ms, %.2f characters"
                        " measured per byte, %s lines\n",
                        checkedMs, double(checkedMeasured) / double(text.size()),
                        checkedSame ? "the same" : "OTHER");
            std::printf("Print layout\n");
            if (!Target("layout 1 MB", small.Total(), "ms", 100)) ++misses;
            if (!Target("layout 10 MB", large.Total(), "ms", 1000)) ++misses;
            if (!Target("characters measured per byte, 1 MB", double(measured) / double(text.size()),
                        "x", 1.2))
                ++misses;
            if (!Target("lines unlike measuring every run, 1 MB", double(differ), "lines", 0)) ++misses;
        }
        DeleteDC(dc);
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
    } catch (const tQuilletError&) {
        std::printf("FAILED: a checked call failed\n");
        return 1;
    }
    return misses ? 3 : 0;
}
