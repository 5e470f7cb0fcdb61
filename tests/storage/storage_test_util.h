#pragma once
// Helpers of the storage tests: compound files built and read directly through
// ole32, independently of the program's storage layer.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <memory>
#include <string>
#include <vector>
#include "support/temp_dir.h"

// Bytes of a 32-bit little-endian value and of a string record.
std::string Uint32Bytes(DWORD value);
std::string Record(const std::string& s);
// An "Index" stream: the count, then one record per name.
std::string IndexBytes(const std::vector<std::string>& names);
// A bold font description of this height and face.
LOGFONTA Font(LONG height, const char* face);

// Writes a compound file element by element, committed when it goes out of scope.
class tRawFile {
public:
    explicit tRawFile(const std::string& path);
    ~tRawFile();
    tRawFile(const tRawFile&) = delete;
    tRawFile& operator=(const tRawFile&) = delete;
    void SetClass(const CLSID& id);
    void Stream(const std::string& name, const std::string& bytes);
    void TopicsStorage();
    void TopicStream(const std::string& name, const std::string& bytes);
private:
    IStorage* root_ = nullptr;
    IStorage* topics_ = nullptr;
};

// A well-formed note file with these topics (name, text).
void WriteNoteFile(const std::string& path,
                   const std::vector<std::pair<std::string, std::string>>& topics);

// Reads one element of a closed file: a stream of the root, or "Topics/<name>".
// Returns false when it cannot be opened.
bool ReadRawStream(const std::string& path, const std::string& element, std::string& bytes);
// The class identifier of a closed compound file's root.
CLSID RawClassOf(const std::string& path);
// What opening the file at path as a root gives: S_OK, or why not.
HRESULT RootOpenResult(const std::string& path, DWORD mode = 0x10012);
// The whole file, byte for byte.
std::string FileBytes(const std::string& path);
bool FileExists(const std::string& path);
