#pragma once
#include "app/errors.h"

constexpr const char* kFatalCaption = "Quillet - Fatal Error";

void ShowFatalError(HWND owner, const tQuilletError& error);
void ShowGenericFatalError(HWND owner);

// True from the first fatal error on: windows then ignore their messages and
// nothing more is committed, so the boxes and the emergency save cannot let a
// timer tick or a menu command touch the open file in its broken state.
bool FatalErrorInProgress();

// The end of every fatal path inside a window procedure: the boxes, the
// emergency save when a client exists, then the process ends with code 1.
[[noreturn]] void EndAfterFatalError(const tQuilletError* error);

// A crash (access violation and the like) or an exception that nothing
// catches takes the same fatal path: the boxes, the emergency save, exit code 1.
void InstallCrashHandlers();
