#include "base/settings.h"
#include "base/errors.h"
#include "base/handles.h"
#include <cstring>

namespace {

constexpr DWORD kMaxRunValueBytes = 32768;  // far beyond any real command line

HKEY CreateKey(HKEY parent, const char* path, REGSAM access) {
    HKEY key = nullptr;
    Check(RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                          &key, nullptr) == ERROR_SUCCESS);
    return key;
}

// Closing is checked: a key that cannot be closed is a failure of the store.
void CloseKey(tRegKey& key) {
    Check(RegCloseKey(key.release()) == ERROR_SUCCESS);
}

// Reads a value of the wanted type into buffer (size bytes). False when the
// section or value is missing, of another type, of another size for a DWORD,
// or does not fit.
bool ReadValue(HKEY hive, const char* rootPath, const char* section, const char* name,
               DWORD wantedType, BYTE* buffer, DWORD size, DWORD* got) {
    tRegKey root(CreateKey(hive, rootPath, KEY_READ));
    tRegKey sectionKey;
    if (RegOpenKeyExA(root.get(), section, 0, KEY_READ, sectionKey.put()) != ERROR_SUCCESS) {
        RegCloseKey(root.release());  // not checked on this path
        return false;
    }
    DWORD type = 0;
    DWORD length = size;
    bool ok = RegQueryValueExA(sectionKey.get(), name, nullptr, &type, buffer, &length) ==
                  ERROR_SUCCESS &&
              type == wantedType;
    *got = length;
    CloseKey(sectionKey);
    CloseKey(root);
    return ok;
}

void ReadString(HKEY hive, const char* rootPath, const char* section, const char* name,
                char* buffer, const char* defaultText) {
    DWORD got = 0;
    bool ok = ReadValue(hive, rootPath, section, name, REG_SZ, reinterpret_cast<BYTE*>(buffer),
                        kSettingTextSize, &got);
    if (!ok) {
        lstrcpynA(buffer, defaultText, kSettingTextSize);
        return;
    }
    // A value stored without its terminator still reads as a proper string.
    buffer[got < DWORD(kSettingTextSize) ? got : kSettingTextSize - 1] = '\0';
}

void WriteValue(const char* section, const char* name, DWORD type, const BYTE* data, DWORD size) {
    tRegKey root(CreateKey(HKEY_CURRENT_USER, kProductKey, KEY_ALL_ACCESS));
    tRegKey sectionKey(CreateKey(root.get(), section, KEY_ALL_ACCESS));
    Check(RegSetValueExA(sectionKey.get(), name, 0, type, data, size) == ERROR_SUCCESS);
    CloseKey(sectionKey);
    CloseKey(root);
}

}  // namespace

DWORD GetConfigDword(const char* section, const char* name, DWORD defaultValue) {
    DWORD value = 0;
    DWORD got = 0;
    if (!ReadValue(HKEY_CURRENT_USER, kProductKey, section, name, REG_DWORD,
                   reinterpret_cast<BYTE*>(&value), sizeof value, &got) ||
        got != sizeof value)
        return defaultValue;
    return value;
}

void SetConfigDword(const char* section, const char* name, DWORD value) {
    WriteValue(section, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void GetConfigString(const char* section, const char* name, char* buffer, const char* defaultText) {
    ReadString(HKEY_CURRENT_USER, kProductKey, section, name, buffer, defaultText);
}

void SetConfigString(const char* section, const char* name, const char* text) {
    WriteValue(section, name, REG_SZ, reinterpret_cast<const BYTE*>(text),
               DWORD(std::strlen(text) + 1));
}

void GetInstallerString(const char* section, const char* name, char* buffer, const char* defaultText) {
    ReadString(HKEY_LOCAL_MACHINE, kInstallerKey, section, name, buffer, defaultText);
}

std::string GetRunValue() {
    tRegKey key(CreateKey(HKEY_CURRENT_USER, kRunKey, KEY_READ));
    // Read the whole value: any text at all means the program is set to run,
    // even one too long to be this program's path.
    std::string result;
    DWORD type = 0;
    DWORD length = 0;
    if (RegQueryValueExA(key.get(), kRunValueName, nullptr, &type, nullptr, &length) ==
            ERROR_SUCCESS &&
        type == REG_SZ && length <= kMaxRunValueBytes) {
        std::string buffer(length + 1, '\0');
        if (RegQueryValueExA(key.get(), kRunValueName, nullptr, &type,
                             reinterpret_cast<BYTE*>(&buffer[0]), &length) == ERROR_SUCCESS &&
            type == REG_SZ)
            result = buffer.substr(0, std::strlen(buffer.c_str()));
    }
    CloseKey(key);
    return result;
}

void SetRunValue(const std::string& data) {
    tRegKey key(CreateKey(HKEY_CURRENT_USER, kRunKey, KEY_ALL_ACCESS));
    Check(RegSetValueExA(key.get(), kRunValueName, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1)) ==
          ERROR_SUCCESS);
    CloseKey(key);
}

void DeleteRunValue() {
    tRegKey key(CreateKey(HKEY_CURRENT_USER, kRunKey, KEY_ALL_ACCESS));
    RegDeleteValueA(key.get(), kRunValueName);  // a missing value is not an error
    CloseKey(key);
}
