// Print layout of a 10 MB and a 1 MB topic with a real device context's measures.
#include <windows.h>
#include <commdlg.h>
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

void TimeLayout(tPrintMetrics& metrics, tLayoutCase& c) {
    double t0 = NowMs();
    std::vector<tPrintableTopic> printable;
    printable.push_back(MakePrintableTopic(metrics, c.topic));
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
            // Where the time goes: how often, and how much, the breaking measures.
            long long calls = 0, measured = 0;
            metrics.SelectBodyFont();
            const tMeasureText body = BodyTextMeasure(metrics);
            const tMeasureText counting = [&](const char* text, int length) {
                ++calls;
                measured += length;
                return body(text, length);
            };
            std::vector<std::string> lines = BreakIntoLines(small.topic.text, LineRoom(metrics), counting);
            metrics.RestoreFont();
            std::printf("  (info) 1 MB: %lld measurements of %lld characters in all for %zu lines"
                        " (%.1f per line; each byte measured %.1f times)\n",
                        calls, measured, lines.size(), double(calls) / double(lines.size()),
                        double(measured) / double(small.topic.text.size()));
            std::printf("Print layout, 10 MB against 1 MB\n");
            if (!Target("layout 1 MB (well under 1 s)", small.Total(), "ms", 500)) ++misses;
            if (!Target("layout ratio 10 MB / 1 MB", large.Total() / small.Total(), "x", 11)) ++misses;
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
