#include "dialogs/help_viewer.h"
#include "support/window_driver.h"

namespace {
// The window class of the help viewer that WinHelpA talks to.
constexpr const char* kViewerClass = "MS_WINHELP";
}

bool HelpViewerRunning() {
    return FindWindowA(kViewerClass, nullptr) != nullptr;
}

void QuitHelpViewer() {
    if (!HelpViewerRunning()) return;
    WinHelpA(nullptr, nullptr, HELP_QUIT, 0);
    WaitUntil([] { return !HelpViewerRunning(); }, 5000);
}
