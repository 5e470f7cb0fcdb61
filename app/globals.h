#pragma once
// Process-wide state of Quillet: one record, read and written by every subsystem.
#include <windows.h>
#include <string>

class tQuilletWindow;
class tQuilletClient;

// Fixed names shared by the program's parts.
constexpr const char* kUninstallMutexName = "LarkspurQuilletUninstallMutex";
constexpr const char* kFrameClassName = "QuilletWndClass";
constexpr const char* kClientClassName = "QuilletClientWndClass";
constexpr const char* kAppCaption = "Quillet";
constexpr const char* kHelpFileName = "QLHelp.hlp";
constexpr const char* kDefaultNoteFileName = "Quillet.qld";
constexpr int kPathBufferSize = MAX_PATH + 1;  // 261: path limit plus terminator
constexpr int kTopicNameBufferSize = 21;

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
    tQuilletWindow* window = nullptr;
    tQuilletClient* client = nullptr;
    HWND findDialogWnd = nullptr;
    UINT findMessageId = 0;
    HCURSOR arrowCursor = nullptr;
    HCURSOR helpCursor = nullptr;
    HCURSOR waitCursor = nullptr;
    bool clientEnabled = true;
    char topicNameBuffer[kTopicNameBufferSize] = {};
    bool printCancelled = false;
    HWND abortDlgWnd = nullptr;
    bool printing = false;          // a print job runs (its abort procedure passes messages on)
    bool endAfterPrinting = false;  // Shut Down came while printing
};

extern tAppGlobals app;
