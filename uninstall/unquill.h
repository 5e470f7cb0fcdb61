#pragma once
// Unquill: makes sure Quillet is neither running nor set to run at log-on,
// then starts the installer's own uninstall program. It removes nothing itself.
#include <windows.h>
#include <string>

constexpr const char* kUninstallCommand = "DoUninstall";
constexpr const char* kUninstallCaption = "Quillet Uninstall";
// Where the installer leaves the command line of its uninstall program:
// value "Chain" in this subkey of the installer key.
constexpr const char* kInstallerUninstallSection = "Uninstall";
constexpr const char* kChainValueName = "Chain";

extern const char* const kIntroText;
extern const char* const kRunningText;
extern const char* const kRunAtStartupText;
extern const char* const kCannotChainText;

// The text of a whole command line after the program name (quoted or not)
// and the blanks that follow it.
const char* SkipProgramName(const char* commandLine);

// A command line cut into the program and its parameters, as CreateProcess reads it
// without an application name: a quoted name ends at its closing quote; an unquoted one
// may hold blanks, and ends at the first blank where isProgram says a program is (the
// whole line counts too); failing that, at its first blank. The parameters start after
// the blanks that follow the name.
struct tCommandParts {
    std::string program;
    std::string parameters;
};
tCommandParts SplitCommandLine(const std::string& commandLine,
                               bool (*isProgram)(const std::string& name));

// Only the exact word asks for the uninstall: same case, nothing around it.
bool IsUninstallCommand(const char* commandText);

// The whole program, given the text after the program name. The result is
// the exit code, always 0.
int RunUnquill(const char* commandText);
