#pragma once
// Unquill: makes sure Quillet is neither running nor set to run at log-on,
// then starts the installer's own uninstall program. It removes nothing itself.
#include <windows.h>

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

// Only the exact word asks for the uninstall: same case, nothing around it.
bool IsUninstallCommand(const char* commandText);

// The whole program, given the text after the program name. The result is
// the exit code, always 0.
int RunUnquill(const char* commandText);
