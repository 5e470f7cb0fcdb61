#pragma once
// Thin owners of the note file's compound-file elements. Every failed storage
// call throws tQuilletError, except where a caller reads hr itself.
#include <windows.h>
#include <objbase.h>
#include <functional>
#include <memory>
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

// How a wrapper gets its element: the one that is there, or one made anew.
enum class tHow { open, create };

// The wrappers below own one element each. Every failure to get or use the
// element throws tQuilletError with the storage call's code; none of them
// reports a failure any other way.

// The root storage of one compound file. The file is held open exclusively by
// the program itself, with its journal, for as long as this object lives, and
// the storage code reaches its bytes only through a tFileBytes: its writes
// stay in memory until Commit makes them the file's, atomically.
class tRootStorage {
public:
    // open: an existing note file, its journal played back if a commit was
    // cut short. create: a new file under a name no one else uses yet (it
    // needs no journal; see WriteWholeFile), which fails when the file
    // exists. A file whose structure would lead the storage code astray is
    // not opened (STG_E_DOCFILECORRUPT).
    tRootStorage(tHow how, const std::string& path, DWORD mode);
    ~tRootStorage();
    tRootStorage(const tRootStorage&) = delete;
    tRootStorage& operator=(const tRootStorage&) = delete;

    // Null after a failure of the storage code itself, until Reopen.
    IStorage* Get() const { return storage_.get(); }
    const std::string& Path() const { return path_; }

    // Commits the storage and makes the commit the file's on disk. A failure
    // of the storage code drops the storage object (see Reopen); a refusal of
    // the disk keeps it, with the commit in memory, and the next Commit tries
    // the disk again. Returns S_OK or why not; never throws.
    HRESULT Commit();
    // The system's error of the last refusal of the disk.
    DWORD DiskError() const { return bytes_->LastError(); }
    // Drops whatever was written since the last commit that reached the
    // disk and opens the storage again on the same held file.
    bool Reopen();
    // Makes image the file's whole contents, atomically, and opens the
    // storage again on it; false (with the file as it was) when the disk
    // refused.
    bool Rewrite(const std::string& image);
    // Some storage of the file holds its elements in a search tree far
    // deeper than a balanced one (see IsSoundCompoundFile).
    bool Unbalanced() const { return unbalanced_; }

private:
    HRESULT OpenStorage();
    tComPtr<tFileBytes> bytes_;   // released after the storage that uses it
    tComPtr<IStorage> storage_;
    std::string path_;
    DWORD mode_;
    bool unbalanced_ = false;
};

enum class tNewFileResult {
    written,
    notCreated,  // there is a file of that name already, or none can be made there
    failed       // made, but not written completely: it is removed again
};

// Writes a whole new compound file at path: under a name of its own in the
// same folder, committed and flushed, then moved to path, so that path never
// names a half-written file. write fills the new root. Nothing is left behind
// unless it was written.
tNewFileResult WriteWholeFile(const std::string& path, DWORD mode,
                              const std::function<void(IStorage*)>& write);

// The bytes of a new compound file made in memory by write.
std::string MakeFileImage(const std::function<void(IStorage*)>& write);

class tStorage {
public:
    tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how = tHow::open);
    IStorage* Get() const { return storage_.get(); }

private:
    tComPtr<IStorage> storage_;
};

class tStream {
public:
    tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how = tHow::open);
    IStream* Get() const { return stream_.get(); }

    // Reads up to size bytes; returns how many arrived (a failed read counts as 0).
    ULONG ReadBytes(void* buffer, ULONG size);
    // Writes all bytes or throws.
    void WriteBytes(const void* data, ULONG size);

private:
    tComPtr<IStream> stream_;
};

// An element that may be missing: null when parent holds none of that name
// (or none can have it); any other failure throws.
std::unique_ptr<tStream> OpenStreamIfThere(IStorage* parent, const std::string& name, DWORD mode);

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
