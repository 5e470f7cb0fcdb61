#pragma once
// Thin owners of the note file's compound-file elements. Every failed storage
// call throws tQuilletError, except where a caller reads hr itself.
#include <windows.h>
#include <objbase.h>
#include <string>
#include "base/handles.h"
#include "storage/file_bytes.h"
#include "storage/records.h"

// Access modes the program uses, and no others.
constexpr DWORD kModeNoteFile = STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;   // 0x10012
constexpr DWORD kModeDirectReadWrite = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;               // 0x12
constexpr DWORD kModeRead = STGM_SHARE_EXCLUSIVE | STGM_READ;                               // 0x10
constexpr DWORD kModeCreateWrite = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;         // 0x1011
constexpr DWORD kModeCreateReadWrite = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE; // 0x1012

// Converts an ANSI name or path to the wide form the storage calls take.
std::wstring ToElementName(const std::string& text);

// The root storage of one compound file. The file is held open exclusively by
// the program itself, and the storage code reaches its bytes only through a
// tFileBytes, which tells whether every write reached the disk.
class tRootStorage {
public:
    enum tHow { open, create };
    // Opens or creates the file at path; never throws: the caller reads hr.
    // Creating fails when the file exists. A file whose structure would lead
    // the storage code astray is not opened (STG_E_DOCFILECORRUPT).
    tRootStorage(tHow how, const std::string& path, DWORD mode);
    // Opens the file at path read-only, as it was at its last good commit.
    tRootStorage(const std::string& path, const tRollback& asItWas);
    ~tRootStorage();
    tRootStorage(const tRootStorage&) = delete;
    tRootStorage& operator=(const tRootStorage&) = delete;

    // A write, resize or flush of the file failed since its last good commit:
    // whatever the storage calls said, this storage object must not be trusted.
    bool WriteFailed() const { return bytes_ && bytes_->Failed(); }
    // This object made the file (so whatever is in it is the program's own).
    bool Created() const { return created_; }
    // The file on disk is now a good commit.
    void MarkGood() { if (bytes_) bytes_->MarkGood(); }
    // Releases the storage and the file; returns how to put the file back as
    // it was at its last good commit.
    tRollback Close();

    HRESULT hr;
    tComPtr<IStorage> storage;  // set only when hr is not negative
    std::string name;

private:
    void Open(tFileHandle file, DWORD mode, const tRollback* asItWas);
    tComPtr<tFileBytes> bytes_;  // released after the storage that uses it
    bool created_ = false;
};

class tStorage {
public:
    enum tHow { open, create };
    // Throws on failure.
    tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how = open);

    tComPtr<IStorage> storage;
    HRESULT hr;
};

class tStream {
public:
    enum tHow { open, create };
    // Throws on failure.
    tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how = open);
    // For the optional elements: never throws, the caller reads hr.
    struct tNoThrow {};
    tStream(IStorage* parent, const std::string& name, DWORD mode, tNoThrow);

    // Reads up to size bytes; returns how many arrived (a failed read counts as 0).
    ULONG ReadBytes(void* buffer, ULONG size);
    // Writes all bytes or throws.
    void WriteBytes(const void* data, ULONG size);

    tComPtr<IStream> stream;
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
