#include "app/guard.h"
#include "app/fatal.h"
#include "storage/compfile.h"

LRESULT HandleGuarded(tMessageHandler handler, HWND wnd, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    if (FatalErrorInProgress()) return DefWindowProcA(wnd, message, wParam, lParam);
    try {
        LRESULT result = 0;
        bool handled;
        {
            tCommitter committer;  // commits before the default procedure runs
            handled = handler(wnd, message, wParam, lParam, result);
        }
        return handled ? result : DefWindowProcA(wnd, message, wParam, lParam);
    } catch (const tQuilletError& error) {
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}
