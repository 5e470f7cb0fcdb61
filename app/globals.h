#pragma once
// Process-wide state of Quillet, kept to the app folder: the lower layers get
// what they need as parameters.
#include <windows.h>
#include <memory>
#include <string>
#include "app/frame.h"
#include "base/names.h"

class tQuilletClient;

struct tAppGlobals {
    HINSTANCE hInstance = nullptr;
    std::string programPath;
    std::string helpPath;
    std::string filePath;
    std::string titleText;
    bool noTray = false;
    bool startVisible = false;
    bool runAtStartup = false;
    bool isDefaultFile = false;
    bool notFirstRun = false;
    bool helpMode = false;
    HWND frameWnd = nullptr;
    HWND clientWnd = nullptr;
    std::unique_ptr<tQuilletWindow> window;
    tQuilletClient* client = nullptr;  // owned by its window, the client window
    HCURSOR arrowCursor = nullptr;
    HCURSOR helpCursor = nullptr;
    bool endRequested = false;  // the program is ending (app/ending.h)
};

extern tAppGlobals app;
