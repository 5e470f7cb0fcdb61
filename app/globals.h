#pragma once
// What is truly process-wide in Quillet: the instance, the program's paths,
// the start-up flags and the cursors. The frame object holds the rest.
#include <windows.h>
#include <string>

struct tAppGlobals {
    HINSTANCE hInstance = nullptr;
    std::string programPath;
    bool noTray = false;        // "/nosystray": no icon, and closing the frame ends the program
    bool startVisible = false;  // "/visible", or the first-use dialog was shown
    bool runAtStartup = false;  // the Run value names this program
    bool notFirstRun = false;   // as the settings said when the program started
    HCURSOR arrowCursor = nullptr;
    HCURSOR helpCursor = nullptr;
};

extern tAppGlobals app;
