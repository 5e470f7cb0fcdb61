#pragma once
// The bytes of a note file as the compound-file layer reads and writes them.
// The platform's storage code cannot be trusted with a failing disk: Wine's
// ignores some failed writes, reports success for commits that did not reach
// the disk, links live chains to new sectors before it writes them, and then
// asserts on what it reads back. So the program hands it the file through an
// ILockBytes of its own that sees every write:
// - the first failed write (or resize) is remembered, and from then on
//   nothing more goes to the disk: later writes are kept in memory and read
//   back from there, so the storage code stays consistent until it is dropped;
// - the old contents of every page overwritten since the last good commit are
//   kept, so that the file can be put back as it was, or read as it was.
#include <windows.h>
#include <objbase.h>
#include <cstdint>
#include <string>
#include <unordered_map>
#include "base/handles.h"

// The pages of a file as they were at its last good commit, for those pages
// written since, and the file's size then.
class tRollback {
public:
    bool Empty() const { return pages_.empty() && !resized_; }
    uint64_t Size() const { return size_; }

    void Start(uint64_t size);
    void Keep(uint64_t page, const std::string& old) { pages_.emplace(page, old); }
    bool Kept(uint64_t page) const { return pages_.count(page) != 0; }
    void MarkResized() { resized_ = true; }

    // The old bytes of a page kept here, or null.
    const std::string* Page(uint64_t page) const;

    // Writes the old pages back into file and cuts it to its old size; true
    // when the file is as it was at the last good commit (nothing is then kept).
    bool PutBack(HANDLE file);

private:
    std::unordered_map<uint64_t, std::string> pages_;
    uint64_t size_ = 0;
    bool resized_ = false;
};

constexpr ULONG kFilePageSize = 512;

class tFileBytes : public ILockBytes {
public:
    // Takes over file, opened for reading (and writing, unless readOnly).
    // A rollback given to a read-only view is laid over the file, so that the
    // view shows the file as it was at its last good commit.
    static tComPtr<tFileBytes> Make(tFileHandle file, const tRollback* asItWas = nullptr);

    // IUnknown and ILockBytes.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE ReadAt(ULARGE_INTEGER offset, void* buffer, ULONG count,
                                     ULONG* read) override;
    HRESULT STDMETHODCALLTYPE WriteAt(ULARGE_INTEGER offset, const void* buffer, ULONG count,
                                      ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Flush() override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;

    // Reads straight from the file (for the structure check before opening).
    bool ReadFileAt(uint64_t offset, void* buffer, size_t count);
    uint64_t FileSize() const { return fileSize_; }

    // A write, resize or flush has failed since the last good commit.
    bool Failed() const { return failed_; }
    // What is on disk now is the last good commit.
    void MarkGood();
    // The old pages since the last good commit, taken out (the object is then
    // of no further use).
    tRollback TakeRollback() { return std::move(rollback_); }

private:
    tFileBytes(tFileHandle file, const tRollback* asItWas);
    virtual ~tFileBytes() = default;  // only Release deletes it
    bool DiskWrite(uint64_t offset, const void* buffer, ULONG count);
    bool KeepOldPages(uint64_t offset, ULONG count);
    void Remember(uint64_t offset, const void* buffer, ULONG count);
    uint64_t Size() const { return failed_ ? memorySize_ : fileSize_; }

    LONG refs_ = 1;
    tFileHandle file_;
    const tRollback* asItWas_;  // borrowed; set only for a read-only view
    uint64_t fileSize_ = 0;
    bool failed_ = false;
    tRollback rollback_;
    // After a failure: what the storage code wrote since, by page, and the size it set.
    std::unordered_map<uint64_t, std::string> memory_;
    uint64_t memorySize_ = 0;
};

// Reads or writes count bytes at offset of a file; false unless all of them.
bool ReadWholly(HANDLE file, uint64_t offset, void* buffer, ULONG count);
bool WriteWholly(HANDLE file, uint64_t offset, const void* buffer, ULONG count);
