#pragma once
// The one guard around every message of the program's windows and modeless
// dialogs: what the window wants done at the end of a message (the frame and
// the client commit the note file) runs when the message ended normally,
// before the default procedure; any failure takes the fatal path (boxes,
// emergency save, exit code 1) instead of unwinding through the system's frames.
#include <windows.h>
#include "base/fatal.h"

// Runs body and returns its result; any failure ends the program on the fatal path.
template <typename Body>
auto RunGuarded(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const tQuilletError& error) {
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}

// handle(result) handles the message and returns false to send it on to the
// default procedure (DefWindowProcA, or defaultProc when given); afterMessage()
// runs after it whenever it did not throw.
template <typename Handle, typename AfterMessage>
LRESULT HandleGuarded(Handle&& handle, AfterMessage&& afterMessage, HWND wnd, UINT message,
                      WPARAM wParam, LPARAM lParam, WNDPROC defaultProc = nullptr) {
    auto byDefault = [&] {
        return defaultProc ? CallWindowProcA(defaultProc, wnd, message, wParam, lParam)
                           : DefWindowProcA(wnd, message, wParam, lParam);
    };
    if (FatalErrorInProgress()) return byDefault();
    return RunGuarded([&]() -> LRESULT {
        LRESULT result = 0;
        bool handled = handle(result);
        afterMessage();
        return handled ? result : byDefault();
    });
}

// The same for a modeless dialog's procedure: handle() returns what the
// procedure returns (FALSE leaves the message to the dialog manager).
template <typename Handle>
INT_PTR HandleDialogGuarded(Handle&& handle) {
    if (FatalErrorInProgress()) return FALSE;
    return RunGuarded([&]() -> INT_PTR { return handle(); });
}
