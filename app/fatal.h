#pragma once
#include "app/errors.h"

constexpr const char* kFatalCaption = "Quillet - Fatal Error";

void ShowFatalError(HWND owner, const tQuilletError& error);
void ShowGenericFatalError(HWND owner);

// The end of every fatal path inside a window procedure: the boxes, the
// emergency save when a client exists, then the process ends with code 1.
[[noreturn]] void EndAfterFatalError(const tQuilletError* error);
