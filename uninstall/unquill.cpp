#include "uninstall/unquill.h"
#include "base/errors.h"
#include "base/names.h"
#include "base/handles.h"
#include "base/settings.h"
#include <cstring>

const char* const kIntroText =
    "Please ensure that Quillet is not currently running, that all users have disabled the "
    "\"Run automatically at startup\" option, and that no Quillet help files or other associated "
    "files are open.";
const char* const kRunningText =
    "Quillet Uninstall has detected that Quillet is currently running.\n"
    " Either:\n"
    "   shut down Quillet and click \"OK\" to continue uninstallation,\n"
    " or:\n"
    "   click \"Cancel\" to abandon the uninstallation.";
const char* const kRunAtStartupText =
    "Quillet Uninstall has detected that Quillet is set to run automatically at startup.\n"
    " Either:\n"
    "   click \"OK\" to disable the run at startup option,\n"
    " or:\n"
    "   click \"Cancel\" to abandon the uninstallation.";
const char* const kCannotChainText =
    "Cannot run uninstall program - Quillet is not correctly installed";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int ShowBox(const char* text, UINT type) {
    return MessageBoxA(nullptr, text, kUninstallCaption, type);
}

// Every running Quillet holds the mutex for its whole life; creating it here
// tells whether one exists. Our own handle goes at once, and the mutex with
// it when no Quillet holds it.
bool QuilletIsRunning() {
    HANDLE created = CreateMutexA(nullptr, FALSE, kUninstallMutexName);
    DWORD error = GetLastError();
    tHandle mutex(created);
    return error == ERROR_ALREADY_EXISTS;
}

// False when the user abandons the uninstall. Anything but OK counts as
// Cancel, so a box that cannot be shown never loops.
bool PassChecks() {
    ShowBox(kIntroText, MB_ICONWARNING | MB_OK);
    while (QuilletIsRunning()) {
        if (ShowBox(kRunningText, MB_ICONWARNING | MB_OKCANCEL) != IDOK) return false;
    }
    // A value that could not be deleted is simply found and asked about again.
    while (!GetRunValue().empty()) {
        if (ShowBox(kRunAtStartupText, MB_ICONWARNING | MB_OKCANCEL) != IDOK) return false;
        DeleteRunValue();
    }
    return true;
}

// Starts the installer's uninstall program and leaves it running on its own.
void StartChainedUninstall() {
    char commandLine[kSettingTextSize];
    GetInstallerString(kInstallerUninstallSection, kChainValueName, commandLine, "");
    Check(commandLine[0] != '\0');
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    Check(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &started) == 1);
    tHandle process(started.hProcess);
    tHandle thread(started.hThread);
}

}  // namespace

const char* SkipProgramName(const char* commandLine) {
    const char* p = commandLine ? commandLine : "";
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    while (IsBlank(*p)) ++p;
    return p;
}

bool IsUninstallCommand(const char* commandText) {
    return commandText && std::strcmp(commandText, kUninstallCommand) == 0;
}

int RunUnquill(const char* commandText) {
    if (!IsUninstallCommand(commandText)) return 0;
    // A failing check (the Run key cannot be read) does not hold up the uninstall.
    try {
        if (!PassChecks()) return 0;
    } catch (...) {
    }
    try {
        StartChainedUninstall();
    } catch (...) {
        ShowBox(kCannotChainText, MB_ICONERROR | MB_OK);
    }
    return 0;
}
