#pragma once
// The one guard around every message of the program's windows: what the
// window wants done at the end of a message (the frame and the client commit
// the note file) runs when the message ended normally, before the default
// procedure; any failure takes the fatal path (boxes, emergency save, exit
// code 1) instead of unwinding through the system's frames.
#include <windows.h>
#include "base/fatal.h"

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
    try {
        LRESULT result = 0;
        bool handled = handle(result);
        afterMessage();
        return handled ? result : byDefault();
    } catch (const tQuilletError& error) {
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}
