#pragma once
#include <functional>
#include "base/errors.h"

constexpr const char* kFatalCaption = "Quillet - Fatal Error";
// Shown after every fatal error and when a GDI object cannot be made.
constexpr const char* kFatalErrorText =
    "An error has ocurred with your system.  It is recommended that you restart your computer "
    "and try launching Quillet again.";

void ShowFatalError(HWND owner, const tQuilletError& error);
void ShowGenericFatalError(HWND owner);

// The box after the note-file dialog itself failed.
void ShowFileNewError(HWND owner);

// True from the first fatal error on: windows then ignore their messages and
// nothing more is committed, so the boxes and the emergency save cannot let a
// timer tick or a menu command touch the open file in its broken state.
bool FatalErrorInProgress();

// What the fatal path runs after its boxes: the owner of the open notes sets
// it while it exists (an empty function clears it).
void SetEmergencySave(std::function<void()> save);

// The end of every fatal path inside a window procedure: the boxes, the
// emergency save when one is set, then the process ends with code 1.
[[noreturn]] void EndAfterFatalError(const tQuilletError* error);

// A crash (access violation and the like) or an exception that nothing
// catches takes the same fatal path: the boxes, the emergency save, exit code 1.
void InstallCrashHandlers();
