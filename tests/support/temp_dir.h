#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <windows.h>
#include <string>

class tTempDir {
public:
    tTempDir();
    ~tTempDir();
    tTempDir(const tTempDir&) = delete;
    tTempDir& operator=(const tTempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

// Deletes a registry key with its subkeys (test isolation).
void DeleteRegistryTree(HKEY root, const char* path);
