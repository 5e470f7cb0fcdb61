#pragma once
// The bytes of a note file as the compound-file layer reads and writes them.
// The platform's storage code writes live structures in place, in many small
// writes, and cannot be trusted with a failing disk or a power cut. So the
// program hands it the file through an ILockBytes of its own: the whole file
// is read into memory once, the storage code reads and writes only that
// image, and a commit reaches the disk through Persist alone, atomically:
// the old contents of every page about to change go into a journal beside
// the file, which is flushed before the file is touched.
// The file is held exclusively for as long as this object lives, refusing
// disk or not, and so is its journal from the first commit on.
#include <windows.h>
#include <objbase.h>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "base/handles.h"

// One file of the program's own on disk, held exclusively; every write,
// resize and flush is told to the disk observer.
class tDiskFile {
public:
    enum tHow { openExisting, createNew, openOrCreate };
    tDiskFile() = default;
    // False (with the system's error in Error()) when the file cannot be had.
    bool Open(const std::string& path, tHow how, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    bool IsOpen() const { return bool(file_); }
    const std::string& Path() const { return path_; }
    // Whether Open made the file.
    bool Made() const { return made_; }
    DWORD Error() const { return error_; }

    uint64_t Size() const;
    bool Read(uint64_t offset, void* buffer, size_t count);
    bool Write(uint64_t offset, const void* buffer, size_t count);
    bool Resize(uint64_t size);
    bool Flush();
    void Close() { file_.reset(); }

private:
    bool Fail();
    tFileHandle file_;
    std::string path_;
    bool made_ = false;
    DWORD error_ = 0;
};

// The folder that holds path, with its last separator ("." for none).
std::string FolderOf(const std::string& path);

// Makes the name of a file made or moved in folder durable: under Wine a
// rename or a creation reaches the disk only when its folder is flushed.
void FlushFolderOf(const std::string& path);

class tFileBytes : public ILockBytes {
public:
    // Over a note file: the journal beside it is played back first if a
    // commit was cut short, and held from then on. A new file being written
    // under a name of its own needs no journal (withJournal false). Null,
    // with error set, when the file or its journal cannot be had or read.
    static tComPtr<tFileBytes> Open(const std::string& path, tDiskFile::tHow how,
                                    bool withJournal, DWORD& error);
    // Bytes in memory only, for a file image made whole before it is written.
    static tComPtr<tFileBytes> InMemory();

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

    // The file's bytes as the storage code last left them.
    const std::string& Image() const { return image_; }

    // Makes what the storage code wrote since the last Persist the file's
    // contents on disk, atomically. False when the disk refused: the file is
    // then as it was at its last commit (put back at once from the journal,
    // or at the next open), and a later Persist tries again.
    bool Persist();
    // The system's error of the last Persist that failed.
    DWORD LastError() const { return lastError_; }

    // Forgets what the storage code wrote since the last Persist.
    void Revert();
    // Takes bytes as the whole new contents, to be persisted like any commit.
    void Replace(const std::string& bytes);

private:
    tFileBytes() = default;
    virtual ~tFileBytes();
    void KeepOldPages(uint64_t from, uint64_t to);
    bool WriteJournal(const std::vector<uint64_t>& pages);
    bool WriteChangedPages(const std::vector<uint64_t>& pages);
    bool PlayBackJournal();
    bool VoidJournal();
    bool Refuse(DWORD error);

    LONG refs_ = 1;
    tDiskFile file_;
    tDiskFile journal_;  // not open for a file that needs none
    std::string image_;
    // Since the last Persist: the size on disk, the old bytes of every page
    // the storage code changed that the disk held, and every page it changed.
    uint64_t durableSize_ = 0;
    std::map<uint64_t, std::string> oldPages_;
    std::set<uint64_t> changed_;
    bool journalHot_ = false;
    bool wantsJournal_ = false;  // a note file: its commits go through a journal
    DWORD lastError_ = 0;
};
