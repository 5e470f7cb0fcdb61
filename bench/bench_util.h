#pragma once
// Timing and reporting shared by the benchmark programs.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

// Deletes a registry key with everything below it.
inline void DeleteTree(HKEY parent, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteTree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

// A visible top-level window of the class that belongs to the process.
inline HWND FindShown(DWORD processId, const char* className) {
    for (HWND wnd = FindWindowExA(nullptr, nullptr, className, nullptr); wnd;
         wnd = FindWindowExA(nullptr, wnd, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(wnd, &owner);
        if (owner == processId && IsWindowVisible(wnd)) return wnd;
    }
    return nullptr;
}

// Milliseconds from CreateProcess to a visible window of the class; negative
// when the program failed to show one or to end.
inline double TimeStart(const std::string& commandLine, const char* className, UINT closeMessage,
                        WPARAM closeWParam, DWORD limitMs) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    double t0 = NowMs();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    HWND shown = nullptr;
    double elapsed = -1;
    while (NowMs() - t0 < limitMs) {
        shown = FindShown(info.dwProcessId, className);
        if (shown) {
            elapsed = NowMs() - t0;
            break;
        }
        if (WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (shown) PostMessageA(shown, closeMessage, closeWParam, 0);
    if (WaitForSingleObject(info.hProcess, limitMs) != WAIT_OBJECT_0) {
        std::printf("  (process did not end: terminated)\n");
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
        elapsed = -1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return elapsed;
}
