#pragma once
// Timing and reporting shared by the benchmark programs.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "support/quillet_process.h"
#include "support/temp_dir.h"

inline double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline std::string Samples(const std::vector<double>& values) {
    std::string text;
    char buffer[32];
    for (double v : values) {
        std::snprintf(buffer, sizeof buffer, "%s%.1f", text.empty() ? "" : " ", v);
        text += buffer;
    }
    return text;
}

// One figure line: what, the value, its unit.
inline void Figure(const char* what, double value, const char* unit) {
    std::printf("  %-56s %10.2f %s\n", what, value, unit);
    std::fflush(stdout);
}

// A checked figure: PASS when value <= limit.
inline bool Target(const char* what, double value, const char* unit, double limit) {
    bool pass = value <= limit;
    std::printf("  %-56s %10.2f %s  target <= %g %s  %s\n", what, value, unit, limit, unit,
                pass ? "PASS" : "MISS");
    std::fflush(stdout);
    return pass;
}

// Deterministic words for topic text: paragraphs of a little over lineLength
// characters, each ended by CR LF.
inline std::string MakeText(size_t size, unsigned seed, size_t lineLength = 70) {
    static const char* const words[] = {"note", "paper", "quill", "ink", "margin", "topic",
                                        "letter", "draft", "window", "table", "garden", "river",
                                        "meeting", "Tuesday", "call", "list", "budget", "idea"};
    std::string text;
    text.reserve(size + 80);
    size_t lineStart = 0;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        if (text.size() > lineStart) text += ' ';
        text += words[(seed >> 16) % (sizeof words / sizeof *words)];
        if (text.size() - lineStart > lineLength) {
            text += "\r\n";
            lineStart = text.size();
        }
    }
    text.resize(size);
    return text;
}

// Milliseconds from CreateProcess to a visible window of the class; negative
// when the program failed to show one or to end.
inline double TimeStart(const std::string& commandLine, const char* className, UINT closeMessage,
                        WPARAM closeWParam, DWORD limitMs) {
    double t0 = NowMs();
    tProcess program(commandLine);
    if (!program.id()) return -1;
    std::vector<HWND> shown;
    WaitUntil([&] {
        shown = TopWindows(className, program.id());
        return !shown.empty() || program.WaitForExit(0) != STILL_ACTIVE;
    }, limitMs, 1);
    double elapsed = shown.empty() ? -1 : NowMs() - t0;
    if (!shown.empty()) PostMessageA(shown[0], closeMessage, closeWParam, 0);
    if (program.WaitForExit(limitMs) != STILL_ACTIVE) return elapsed;
    std::printf("  (process did not end: terminated)\n");
    return -1;
}
