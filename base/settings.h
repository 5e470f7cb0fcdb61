#pragma once
// Per-user settings in the registry. Each call opens and closes its keys afresh.
#include <windows.h>
#include <string>

constexpr const char* kProductKey = "Software\\Larkspur Software\\Quillet\\1.00";
constexpr const char* kInstallerKey = "Software\\Larkspur Software\\Quillet\\1.00 Beta 3";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValueName = "Larkspur Software Quillet";
constexpr int kSettingTextSize = 261;  // text buffer of a string read, terminator included

constexpr const char* kConfig = "Config";
constexpr const char* kPrinting = "Printing";

DWORD GetConfigDword(const char* section, const char* name, DWORD defaultValue);
void SetConfigDword(const char* section, const char* name, DWORD value);
// buffer holds kSettingTextSize characters.
void GetConfigString(const char* section, const char* name, char* buffer, const char* defaultText);
void SetConfigString(const char* section, const char* name, const char* text);

// The same read under the installer key of the local machine (used by Unquill).
void GetInstallerString(const char* section, const char* name, char* buffer, const char* defaultText);

std::string GetRunValue();
void SetRunValue(const std::string& data);
void DeleteRunValue();
