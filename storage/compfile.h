#pragma once
// Thin owners of the note file's compound-file elements. Every failed storage
// call throws tQuilletError, except where a caller reads hr itself.
#include <windows.h>
#include <objbase.h>
#include <functional>
#include <string>
#include "storage/records.h"

// Access modes the program uses, and no others.
constexpr DWORD kModeNoteFile = STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;   // 0x10012
constexpr DWORD kModeDirectReadWrite = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;               // 0x12
constexpr DWORD kModeRead = STGM_SHARE_EXCLUSIVE | STGM_READ;                               // 0x10
constexpr DWORD kModeCreateWrite = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;         // 0x1011
constexpr DWORD kModeCreateReadWrite = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE; // 0x1012

// Converts an ANSI name or path to the wide form the storage calls take.
std::wstring ToElementName(const std::string& text);

class tCompFile {};

class tRootStorage : public tCompFile {
public:
    // Opens or creates; never throws: the caller reads hr.
    tRootStorage(bool create, const std::string& name, DWORD mode);
    ~tRootStorage();
    tRootStorage(const tRootStorage&) = delete;
    tRootStorage& operator=(const tRootStorage&) = delete;

    HRESULT hr;
    IStorage* storage = nullptr;  // valid only when hr is not negative
    std::string name;
};

class tStorage : public tCompFile {
public:
    enum tHow { open, create };
    // Throws on failure.
    tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how = open);
    ~tStorage();
    tStorage(const tStorage&) = delete;
    tStorage& operator=(const tStorage&) = delete;

    IStorage* storage = nullptr;
    HRESULT hr;
};

class tStream : public tCompFile {
public:
    enum tHow { open, create };
    // Throws on failure.
    tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how = open);
    // For the optional elements: never throws, the caller reads hr.
    struct tNoThrow {};
    tStream(IStorage* parent, const std::string& name, DWORD mode, tNoThrow);
    ~tStream();
    tStream(const tStream&) = delete;
    tStream& operator=(const tStream&) = delete;

    // Reads up to size bytes; returns how many arrived (a failed read counts as 0).
    ULONG ReadBytes(void* buffer, ULONG size);
    // Writes all bytes or throws; marks the open file uncommitted.
    void WriteBytes(const void* data, ULONG size);

    IStream* stream = nullptr;
    HRESULT hr;
};

// String record: 32-bit little-endian length, then the bytes, no terminator.
// A length the stream cannot hold is a failed read, never an allocation.
void WriteString(tStream& stream, const std::string& s);
std::string ReadString(tStream& stream);
// The stream as a source for the plain record readers.
tReadSome StreamReader(tStream& stream);

// 32-bit little-endian unsigned value; a short read throws.
void WriteUint32(tStream& stream, DWORD value);
DWORD ReadUint32(tStream& stream);

// Bytes between the read position and the end of the stream; throws when the
// stream cannot tell.
ULONGLONG RemainingBytes(tStream& stream);

// Tells whoever set the hook that a note file was written and has changes to commit.
void MarkUncommitted();

// The one listener for writes: the owner of the open note file sets it while it
// exists (an empty function clears it).
void SetWriteHook(std::function<void()> written);
