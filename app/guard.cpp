#include "app/guard.h"
#include "app/fatal.h"
#include "app/globals.h"
#include "client/client.h"
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
        // A full or vanished medium is not the program's failure: the changes
        // wait in memory and are written when the medium takes them again.
        if (IsMediumFailure(error.code) && app.client) {
            app.client->OnWriteRefused();
            return 0;
        }
        EndAfterFatalError(&error);
    } catch (...) {
        EndAfterFatalError(nullptr);
    }
}
