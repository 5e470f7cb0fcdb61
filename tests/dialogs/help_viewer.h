#pragma once
// The help viewer that help requests start lives on after them; tests end it
// so that no stray process outlives the test program.
#include <windows.h>

// True when a help viewer window exists.
bool HelpViewerRunning();

// Asks a running viewer to quit and waits until its window is gone.
void QuitHelpViewer();
