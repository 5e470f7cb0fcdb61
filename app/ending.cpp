#include "app/ending.h"
#include "app/globals.h"
#include "app/modal_window.h"

void RequestEnd() {
    if (app.endRequested) return;
    app.endRequested = true;
    EndMenu();
    CancelDialogs();
}

bool EndRequested() { return app.endRequested; }

void EndLoopIfRequested() {
    if (app.endRequested) PostQuitMessage(0);
}

void CarryOutEnd() {
    // Also after a quit message someone else posted: the notes are saved all the same.
    app.endRequested = true;
    if (app.frameWnd && IsWindow(app.frameWnd)) DestroyWindow(app.frameWnd);
}
