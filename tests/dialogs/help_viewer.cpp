#include "dialogs/help_viewer.h"

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
    for (int i = 0; i < 250 && HelpViewerRunning(); ++i) Sleep(20);
}
