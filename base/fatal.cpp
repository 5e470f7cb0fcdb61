#include "base/fatal.h"
#include "base/names.h"

namespace {
bool fatalErrorInProgress = false;

std::function<void()>& EmergencySave() {
    static std::function<void()> save;
    return save;
}
}  // namespace

void ShowFatalError(HWND owner, const tQuilletError& error) {
    if (error.message)
        MessageBoxA(owner, error.message, kFatalCaption, MB_ICONERROR);
    ShowGenericFatalError(owner);
}

void ShowGenericFatalError(HWND owner) {
    MessageBoxA(owner, kFatalErrorText, kFatalCaption, MB_ICONERROR);
}

void ShowFileNewError(HWND owner) {
    MessageBoxA(owner, "Error with file new", kAppCaption, MB_ICONERROR);
}

bool FatalErrorInProgress() { return fatalErrorInProgress; }

void SetEmergencySave(std::function<void()> save) { EmergencySave() = std::move(save); }

[[noreturn]] void EndAfterFatalError(const tQuilletError* error) {
    fatalErrorInProgress = true;
    if (error)
        ShowFatalError(nullptr, *error);
    else
        ShowGenericFatalError(nullptr);
    if (EmergencySave()) {
        // A second failure while saving must not stop the process from ending.
        try {
            EmergencySave()();
        } catch (...) {
        }
    }
    ExitProcess(1);
}
