#include "uninstall/unquill.h"
#include "base/errors.h"
#include "base/names.h"
#include "base/handles.h"
#include "base/settings.h"
#include <cstring>
#include <shellapi.h>

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

constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED; not in every header set

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

// CreateProcess also finds "name.exe" for a name without an extension.
bool NamesAProgram(const std::string& name) {
    DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    size_t lastPart = name.find_last_of("\\/");
    if (name.find('.', lastPart == std::string::npos ? 0 : lastPart) != std::string::npos)
        return false;
    attributes = GetFileAttributesA((name + ".exe").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void StartElevated(const tCommandParts& command) {
    SHELLEXECUTEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;  // Unquill ends right after
    info.lpVerb = "open";
    info.lpFile = command.program.c_str();
    info.lpParameters = command.parameters.empty() ? nullptr : command.parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExA(&info)) return;
    // Refusing consent abandons the uninstall, as Cancel does in the boxes before.
    Check(GetLastError() == ERROR_CANCELLED);
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
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started) == 1) {
        tHandle process(started.hProcess);
        tHandle thread(started.hThread);
        return;
    }
    // An uninstaller that needs administrator rights cannot be started by CreateProcess from
    // a program that runs as invoked; the shell asks the user for consent instead.
    Check(GetLastError() == kElevationRequired);
    StartElevated(SplitCommandLine(commandLine, NamesAProgram));
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

tCommandParts SplitCommandLine(const std::string& commandLine,
                               bool (*isProgram)(const std::string& name)) {
    tCommandParts parts;
    size_t end;
    size_t next;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        if (end == std::string::npos) end = commandLine.size();
        parts.program = commandLine.substr(1, end - 1);
        next = end < commandLine.size() ? end + 1 : end;
    } else {
        size_t first = commandLine.find_first_of(" \t");
        end = first == std::string::npos ? commandLine.size() : first;
        bool found = false;
        for (size_t at = first; at != std::string::npos && !found;
             at = commandLine.find_first_of(" \t", at + 1)) {
            found = isProgram(commandLine.substr(0, at));
            if (found) end = at;
        }
        if (!found && first != std::string::npos && isProgram(commandLine)) end = commandLine.size();
        parts.program = commandLine.substr(0, end);
        next = end;
    }
    while (next < commandLine.size() && IsBlank(commandLine[next])) ++next;
    parts.parameters = commandLine.substr(next);
    return parts;
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
