#include "client/guard.h"
#include "base/fatal.h"
#include "client/client.h"

void CommitClientFile(tQuilletClient& client) { client.Commit(); }

LRESULT HandleGuarded(tMessageHandler handler, HWND clientWnd, HWND wnd, UINT message,
                      WPARAM wParam, LPARAM lParam, WNDPROC defaultProc) {
    auto byDefault = [&] {
        return defaultProc ? CallWindowProcA(defaultProc, wnd, message, wParam, lParam)
                           : DefWindowProcA(wnd, message, wParam, lParam);
    };
    if (FatalErrorInProgress()) return byDefault();
    try {
        LRESULT result = 0;
        // Committed before the default procedure runs.
        bool handled = RunAndCommit(
            clientWnd, [&] { return handler(wnd, message, wParam, lParam, result); });
        return handled ? result : byDefault();
    } catch (const tQuilletError& error) {
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}
