#include "app/fatal.h"
#include "app/globals.h"
#include "client/client.h"

void ShowFatalError(HWND owner, const tQuilletError& error) {
    if (error.message)
        MessageBoxA(owner, error.message, kFatalCaption, MB_ICONERROR);
    ShowGenericFatalError(owner);
}

void ShowGenericFatalError(HWND owner) {
    MessageBoxA(owner,
                "An error has ocurred with your system.  It is recommended that you restart "
                "your computer and try launching Quillet again.",
                kFatalCaption, MB_ICONERROR);
}

namespace {
bool fatalErrorInProgress = false;
}

bool FatalErrorInProgress() { return fatalErrorInProgress; }

[[noreturn]] void EndAfterFatalError(const tQuilletError* error) {
    fatalErrorInProgress = true;
    if (error)
        ShowFatalError(nullptr, *error);
    else
        ShowGenericFatalError(nullptr);
    if (app.client) {
        // A second failure while saving must not stop the process from ending.
        try {
            app.client->EmergencySave();
        } catch (...) {
        }
    }
    ExitProcess(1);
}
