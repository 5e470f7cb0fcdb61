#include "base/fatal.h"
#include "base/names.h"
#include <exception>

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

namespace {

// Faults of the processor, as opposed to exceptions raised on purpose.
bool IsCrash(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return true;
    default:
        return false;
    }
}

bool InOwnImage(const void* address) {
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    if (!base) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto* at = static_cast<const BYTE*>(address);
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

[[noreturn]] void EndAfterCrash() {
    // A crash while the fatal path itself runs ends the process at once.
    if (FatalErrorInProgress()) ExitProcess(1);
    EndAfterFatalError(nullptr);
}

// Seen before any handler on the stack: the system's own window-procedure
// callers may swallow a fault, which would leave the program running in an
// unknown state. Only faults in the program's own code are taken here;
// system code may probe memory and handle its own faults.
LONG CALLBACK OnFirstChanceException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    if (record && IsCrash(record->ExceptionCode) && InOwnImage(record->ExceptionAddress))
        EndAfterCrash();
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) {
    EndAfterCrash();
}

[[noreturn]] void OnTerminate() {
    EndAfterCrash();
}

}  // namespace

void InstallCrashHandlers() {
    AddVectoredExceptionHandler(1, OnFirstChanceException);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
}
