#include "storage/file_bytes.h"
#include <algorithm>
#include <cstring>

namespace {

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    return at;
}

// Reads up to count bytes; false when the read failed. got < count at the end of the file.
bool ReadSome(HANDLE file, uint64_t offset, void* buffer, ULONG count, ULONG& got) {
    got = 0;
    while (got < count) {
        OVERLAPPED at = At(offset + got);
        DWORD n = 0;
        if (!ReadFile(file, static_cast<char*>(buffer) + got, count - got, &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) return true;
            return false;
        }
        if (n == 0) return true;
        got += n;
    }
    return true;
}

bool SetFileSize(HANDLE file, uint64_t size) {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(size);
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

uint64_t SizeOf(HANDLE file) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? uint64_t(size.QuadPart) : 0;
}

}  // namespace

bool ReadWholly(HANDLE file, uint64_t offset, void* buffer, ULONG count) {
    ULONG got = 0;
    return ReadSome(file, offset, buffer, count, got) && got == count;
}

bool WriteWholly(HANDLE file, uint64_t offset, const void* buffer, ULONG count) {
    ULONG done = 0;
    while (done < count) {
        OVERLAPPED at = At(offset + done);
        DWORD n = 0;
        if (!WriteFile(file, static_cast<const char*>(buffer) + done, count - done, &n, &at) ||
            n == 0)
            return false;
        done += n;
    }
    return true;
}

void tRollback::Start(uint64_t size) {
    pages_.clear();
    size_ = size;
    resized_ = false;
}

const std::string* tRollback::Page(uint64_t page) const {
    auto it = pages_.find(page);
    return it == pages_.end() ? nullptr : &it->second;
}

bool tRollback::PutBack(HANDLE file) {
    for (const auto& page : pages_) {
        uint64_t offset = page.first * kFilePageSize;
        if (offset >= size_) continue;
        ULONG count = ULONG(std::min<uint64_t>(page.second.size(), size_ - offset));
        if (!WriteWholly(file, offset, page.second.data(), count)) return false;
    }
    if (SizeOf(file) != size_ && !SetFileSize(file, size_)) return false;
    if (!FlushFileBuffers(file)) return false;
    Start(size_);
    return true;
}

tComPtr<tFileBytes> tFileBytes::Make(tFileHandle file, const tRollback* asItWas) {
    return tComPtr<tFileBytes>(new tFileBytes(std::move(file), asItWas));
}

tFileBytes::tFileBytes(tFileHandle file, const tRollback* asItWas)
    : file_(std::move(file)), asItWas_(asItWas) {
    fileSize_ = SizeOf(file_.get());
    rollback_.Start(fileSize_);
}

HRESULT STDMETHODCALLTYPE tFileBytes::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ILockBytes)) {
        *object = static_cast<ILockBytes*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE tFileBytes::AddRef() { return ULONG(InterlockedIncrement(&refs_)); }

ULONG STDMETHODCALLTYPE tFileBytes::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
}

bool tFileBytes::ReadFileAt(uint64_t offset, void* buffer, size_t count) {
    return count <= 0xFFFFFFFFu && ReadWholly(file_.get(), offset, buffer, ULONG(count));
}

HRESULT STDMETHODCALLTYPE tFileBytes::ReadAt(ULARGE_INTEGER offset, void* buffer, ULONG count,
                                             ULONG* read) {
    if (read) *read = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    const uint64_t size = asItWas_ ? asItWas_->Size() : Size();
    const uint64_t start = offset.QuadPart;
    if (start >= size) return S_OK;
    count = ULONG(std::min<uint64_t>(count, size - start));
    char* to = static_cast<char*>(buffer);
    if (!failed_ && !asItWas_) {
        ULONG got = 0;
        if (!ReadSome(file_.get(), start, to, count, got)) return STG_E_READFAULT;
        std::memset(to + got, 0, count - got);
    } else {
        for (ULONG done = 0; done < count;) {
            const uint64_t at = start + done;
            const uint64_t page = at / kFilePageSize;
            const ULONG inPage = ULONG(at % kFilePageSize);
            const ULONG take = std::min<ULONG>(count - done, kFilePageSize - inPage);
            const std::string* kept = nullptr;
            auto remembered = memory_.find(page);
            if (failed_ && remembered != memory_.end())
                kept = &remembered->second;
            else if (asItWas_)
                kept = asItWas_->Page(page);
            if (kept) {
                std::memcpy(to + done, kept->data() + inPage, take);
            } else {
                ULONG got = 0;
                if (!ReadSome(file_.get(), at, to + done, take, got)) return STG_E_READFAULT;
                std::memset(to + done + got, 0, take - got);
            }
            done += take;
        }
    }
    if (read) *read = count;
    return S_OK;
}

// The pages the write is about to change, as they were at the last good
// commit, unless they are kept already or lie beyond the file as it was then.
bool tFileBytes::KeepOldPages(uint64_t offset, ULONG count) {
    const uint64_t end = std::min<uint64_t>(offset + count, rollback_.Size());
    for (uint64_t page = offset / kFilePageSize; page * kFilePageSize < end; ++page) {
        if (rollback_.Kept(page)) continue;
        std::string old(kFilePageSize, '\0');
        ULONG got = 0;
        if (!ReadSome(file_.get(), page * kFilePageSize, &old[0], kFilePageSize, got)) return false;
        rollback_.Keep(page, old);
    }
    return true;
}

bool tFileBytes::DiskWrite(uint64_t offset, const void* buffer, ULONG count) {
    if (!KeepOldPages(offset, count) || !WriteWholly(file_.get(), offset, buffer, count))
        return false;
    fileSize_ = std::max(fileSize_, offset + count);
    return true;
}

void tFileBytes::Remember(uint64_t offset, const void* buffer, ULONG count) {
    const char* from = static_cast<const char*>(buffer);
    for (ULONG done = 0; done < count;) {
        const uint64_t at = offset + done;
        const uint64_t page = at / kFilePageSize;
        const ULONG inPage = ULONG(at % kFilePageSize);
        const ULONG take = std::min<ULONG>(count - done, kFilePageSize - inPage);
        auto it = memory_.find(page);
        if (it == memory_.end()) {
            std::string bytes(kFilePageSize, '\0');
            ULONG got = 0;
            if (page * kFilePageSize < memorySize_)
                ReadSome(file_.get(), page * kFilePageSize, &bytes[0], kFilePageSize, got);
            it = memory_.emplace(page, std::move(bytes)).first;
        }
        std::memcpy(&it->second[inPage], from + done, take);
        done += take;
    }
    memorySize_ = std::max(memorySize_, offset + count);
}

// Writes are answered as done even when the disk refused them: the storage
// code then finishes what it does on a consistent picture in memory, and the
// program, which asks Failed(), drops it.
HRESULT STDMETHODCALLTYPE tFileBytes::WriteAt(ULARGE_INTEGER offset, const void* buffer,
                                              ULONG count, ULONG* written) {
    if (written) *written = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    if (asItWas_) return STG_E_ACCESSDENIED;
    if (!failed_ && !DiskWrite(offset.QuadPart, buffer, count)) {
        failed_ = true;
        memorySize_ = fileSize_;
    }
    if (failed_) Remember(offset.QuadPart, buffer, count);
    if (written) *written = count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE tFileBytes::Flush() {
    if (!failed_ && !asItWas_ && !FlushFileBuffers(file_.get())) {
        failed_ = true;
        memorySize_ = fileSize_;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE tFileBytes::SetSize(ULARGE_INTEGER size) {
    if (asItWas_) return STG_E_ACCESSDENIED;
    const uint64_t wanted = size.QuadPart;
    if (!failed_) {
        // What a cut takes away is kept first, as a write's pages are.
        bool done = (wanted >= fileSize_ || KeepOldPages(wanted, ULONG(std::min<uint64_t>(
                                                                fileSize_ - wanted, 0xFFFFFFFFu)))) &&
                    SetFileSize(file_.get(), wanted);
        rollback_.MarkResized();
        if (done) {
            fileSize_ = wanted;
            return S_OK;
        }
        failed_ = true;
    }
    memorySize_ = wanted;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE tFileBytes::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;  // the file itself is held exclusively
}

HRESULT STDMETHODCALLTYPE tFileBytes::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE tFileBytes::Stat(STATSTG* stat, DWORD flags) {
    if (!stat) return STG_E_INVALIDPOINTER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_LOCKBYTES;
    stat->cbSize.QuadPart = asItWas_ ? asItWas_->Size() : Size();
    stat->grfMode = asItWas_ ? STGM_READ : STGM_READWRITE;
    stat->grfLocksSupported = 0;
    if (!(flags & STATFLAG_NONAME)) {
        stat->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(OLECHAR)));
        if (!stat->pwcsName) return STG_E_INSUFFICIENTMEMORY;
        stat->pwcsName[0] = 0;
    }
    return S_OK;
}

void tFileBytes::MarkGood() {
    if (failed_) return;
    rollback_.Start(fileSize_);
}
