#include "storage/file_bytes.h"
#include "storage/disk_log.h"
#include "storage/journal.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint64_t kPage = kJournalPageSize;

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    return at;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool tDiskFile::Open(const std::string& path, tHow how, DWORD attributes) {
    path_ = path;
    const DWORD disposition = how == createNew ? CREATE_NEW : how == openOrCreate ? OPEN_ALWAYS
                                                                                   : OPEN_EXISTING;
    file_.reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                            attributes, nullptr));
    if (!file_) return Fail();
    made_ = how == createNew || (how == openOrCreate && GetLastError() != ERROR_ALREADY_EXISTS);
    return true;
}

bool tDiskFile::Fail() {
    error_ = GetLastError();
    if (error_ == 0) error_ = ERROR_WRITE_FAULT;
    return false;
}

uint64_t tDiskFile::Size() const {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file_.get(), &size) ? uint64_t(size.QuadPart) : 0;
}

bool tDiskFile::Read(uint64_t offset, void* buffer, size_t count) {
    for (size_t got = 0; got < count;) {
        OVERLAPPED at = At(offset + got);
        DWORD n = 0;
        const DWORD want = DWORD(std::min<size_t>(count - got, 1u << 30));
        if (!ReadFile(file_.get(), static_cast<char*>(buffer) + got, want, &n, &at)) return Fail();
        if (n == 0) {
            SetLastError(ERROR_HANDLE_EOF);
            return Fail();
        }
        got += n;
    }
    return true;
}

bool tDiskFile::Write(uint64_t offset, const void* buffer, size_t count) {
    if (WatchingDisk()) TellDiskEvent(tDiskEvent::write, path_, offset, buffer, count);
    for (size_t done = 0; done < count;) {
        OVERLAPPED at = At(offset + done);
        DWORD n = 0;
        const DWORD want = DWORD(std::min<size_t>(count - done, 1u << 30));
        if (!WriteFile(file_.get(), static_cast<const char*>(buffer) + done, want, &n, &at)) return Fail();
        if (n == 0) {
            SetLastError(ERROR_DISK_FULL);
            return Fail();
        }
        done += n;
    }
    return true;
}

bool tDiskFile::Resize(uint64_t size) {
    if (WatchingDisk()) TellDiskEvent(tDiskEvent::resize, path_, size);
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(size);
    if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.get()))
        return Fail();
    return true;
}

bool tDiskFile::Flush() {
    if (WatchingDisk()) TellDiskEvent(tDiskEvent::flush, path_, 0);
    return FlushFileBuffers(file_.get()) ? true : Fail();
}

void FlushFolderOf(const std::string& path) {
    // Windows flushes a folder through a handle opened for writing with
    // backup semantics; Wine then syncs the folder itself.
    tFileHandle folder(CreateFileA(FolderOf(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder) FlushFileBuffers(folder.get());
}

tComPtr<tFileBytes> tFileBytes::Open(const std::string& path, tDiskFile::tHow how, bool withJournal,
                                     DWORD& error) {
    tComPtr<tFileBytes> bytes(new (std::nothrow) tFileBytes);
    if (!bytes) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return {};
    }
    tFileBytes& b = *bytes;
    if (!b.file_.Open(path, how)) {
        error = b.file_.Error();
        return {};
    }
    // A commit cut short leaves its journal: the file goes back to the commit
    // before, before anyone reads it. Otherwise the journal is made with the
    // first commit, so that only reading the file writes nothing beside it.
    b.wantsJournal_ = withJournal;
    if (withJournal && b.journal_.Open(JournalPathFor(path), tDiskFile::openExisting,
                                       FILE_ATTRIBUTE_HIDDEN)) {
        b.journalHot_ = b.journal_.Size() != 0;
        if (b.journalHot_ && !b.PlayBackJournal()) {
            error = b.lastError_;
            return {};
        }
    } else if (withJournal && b.journal_.Error() != ERROR_FILE_NOT_FOUND) {
        error = b.journal_.Error();  // another program holds it, or it cannot be read
        return {};
    }
    try {
        b.image_.resize(size_t(b.file_.Size()));
    } catch (const std::exception&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        return {};
    }
    if (!b.image_.empty() && !b.file_.Read(0, &b.image_[0], b.image_.size())) {
        error = b.file_.Error();
        return {};
    }
    b.durableSize_ = b.image_.size();
    return bytes;
}

tComPtr<tFileBytes> tFileBytes::InMemory() { return tComPtr<tFileBytes>(new tFileBytes); }

// A journal whose commit is done goes with the file: nothing is left behind
// that a user could take for anything. One that may be needed stays for the
// next open.
tFileBytes::~tFileBytes() {
    file_.Close();
    if (!journal_.IsOpen()) return;
    journal_.Close();
    if (!journalHot_) DeleteFileA(journal_.Path().c_str());
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

HRESULT STDMETHODCALLTYPE tFileBytes::ReadAt(ULARGE_INTEGER offset, void* buffer, ULONG count,
                                             ULONG* read) {
    if (read) *read = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    const uint64_t start = offset.QuadPart;
    if (start >= image_.size()) return S_OK;
    const size_t n = size_t(std::min<uint64_t>(count, image_.size() - start));
    std::memcpy(buffer, image_.data() + start, n);
    if (read) *read = ULONG(n);
    return S_OK;
}

// The pages in [from, to) that the disk holds keep their bytes as they are
// on disk, the first time they change; all of them count as changed.
void tFileBytes::KeepOldPages(uint64_t from, uint64_t to) {
    if (to <= from) return;
    for (uint64_t page = from / kPage; page * kPage < to; ++page) {
        const uint64_t offset = page * kPage;
        if (offset < durableSize_ && oldPages_.count(page) == 0) {
            const size_t n = size_t(std::min<uint64_t>(kPage, durableSize_ - offset));
            oldPages_.emplace(page, image_.substr(size_t(offset), n));
        }
        changed_.insert(page);
    }
}

HRESULT STDMETHODCALLTYPE tFileBytes::WriteAt(ULARGE_INTEGER offset, const void* buffer,
                                              ULONG count, ULONG* written) {
    if (written) *written = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    const uint64_t start = offset.QuadPart, end = start + count;
    if (end > 0xFFFFFFFFull || end > image_.max_size()) return STG_E_MEDIUMFULL;
    try {
        KeepOldPages(start, end);
        if (end > image_.size()) image_.resize(size_t(end));
    } catch (const std::exception&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    std::memcpy(&image_[size_t(start)], buffer, count);
    if (written) *written = count;
    return S_OK;
}

// The storage code's own flushes mean nothing here: only Persist writes.
HRESULT STDMETHODCALLTYPE tFileBytes::Flush() { return S_OK; }

HRESULT STDMETHODCALLTYPE tFileBytes::SetSize(ULARGE_INTEGER size) {
    const uint64_t wanted = size.QuadPart;
    if (wanted > 0xFFFFFFFFull || wanted > image_.max_size()) return STG_E_MEDIUMFULL;
    try {
        // What a cut takes away is kept first, as a write's pages are.
        if (wanted < image_.size()) KeepOldPages(wanted, image_.size());
        else KeepOldPages(image_.size(), wanted);
        image_.resize(size_t(wanted));
    } catch (const std::exception&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
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
    stat->cbSize.QuadPart = image_.size();
    stat->grfMode = STGM_READWRITE;
    if (!(flags & STATFLAG_NONAME)) {
        stat->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(OLECHAR)));
        if (!stat->pwcsName) return STG_E_INSUFFICIENTMEMORY;
        stat->pwcsName[0] = 0;
    }
    return S_OK;
}

bool tFileBytes::Refuse(DWORD error) {
    lastError_ = error ? error : ERROR_WRITE_FAULT;
    return false;
}

namespace {

// The pages of image that differ from the disk, in order.
std::vector<uint64_t> PagesToWrite(const std::string& image, const std::set<uint64_t>& changed,
                                   const std::map<uint64_t, std::string>& old) {
    std::vector<uint64_t> pages;
    for (uint64_t page : changed) {
        const uint64_t offset = page * kPage;
        if (offset >= image.size()) break;
        const size_t n = size_t(std::min<uint64_t>(kPage, image.size() - offset));
        auto was = old.find(page);
        if (was != old.end() && was->second.size() == n &&
            image.compare(size_t(offset), n, was->second) == 0)
            continue;  // written again as it was
        pages.push_back(page);
    }
    return pages;
}

}  // namespace

// The old bytes of every page about to be written (none beyond the old end)
// and of every page the commit cuts away, with the new bytes' checksums.
bool tFileBytes::WriteJournal(const std::vector<uint64_t>& pages) {
    tJournal journal;
    journal.oldSize = durableSize_;
    journal.newSize = image_.size();
    for (uint64_t page : pages) {
        const uint64_t offset = page * kPage;
        const size_t n = size_t(std::min<uint64_t>(kPage, image_.size() - offset));
        auto kept = oldPages_.find(page);
        journal.pages.push_back({page, kept == oldPages_.end() ? std::string() : kept->second, true,
                                 PageChecksum(image_.data() + offset, n)});
    }
    for (auto kept = oldPages_.lower_bound((image_.size() + kPage - 1) / kPage); kept != oldPages_.end(); ++kept)
        journal.pages.push_back({kept->first, kept->second, false, 0});
    std::string bytes = EncodeJournal(journal);
    journalHot_ = true;
    if (!journal_.Write(0, bytes.data(), bytes.size()) || !journal_.Resize(bytes.size()) ||
        !journal_.Flush())
        return Refuse(journal_.Error());
    return true;
}

bool tFileBytes::WriteChangedPages(const std::vector<uint64_t>& pages) {
    // Pages near each other go in one write, with the few unchanged pages
    // between them, which the disk holds as they are in the image already.
    constexpr uint64_t kGap = 8;
    for (size_t i = 0; i < pages.size();) {
        size_t j = i + 1;
        while (j < pages.size() && pages[j] - pages[j - 1] <= kGap) ++j;
        const uint64_t offset = pages[i] * kPage;
        const size_t n = size_t(std::min<uint64_t>((pages[j - 1] + 1) * kPage, image_.size()) - offset);
        if (!file_.Write(offset, image_.data() + offset, n)) return Refuse(file_.Error());
        i = j;
    }
    if (image_.size() != durableSize_ && !file_.Resize(image_.size())) return Refuse(file_.Error());
    if (!file_.Flush()) return Refuse(file_.Error());
    return true;
}

bool tFileBytes::VoidJournal() {
    if (!journal_.Resize(0) || !journal_.Flush()) return Refuse(journal_.Error());
    journalHot_ = false;
    return true;
}

// Puts the file back as the journal says it was, when the journal is whole,
// belongs to this file and its commit did not wholly reach it; a journal cut
// short was never followed by a write into the file, and one that does not
// fit it is not its own.
bool tFileBytes::PlayBackJournal() {
    std::string bytes;
    try {
        bytes.resize(size_t(journal_.Size()));
    } catch (const std::exception&) {
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!bytes.empty() && !journal_.Read(0, &bytes[0], bytes.size())) return Refuse(journal_.Error());
    tJournal journal;
    const auto read = [&](uint64_t offset, size_t count) {
        std::string part(count, '\0');
        return count == 0 || file_.Read(offset, &part[0], count) ? part : std::string();
    };
    if (DecodeJournal(bytes, journal) && JournalFits(journal, file_.Size(), read) &&
        !JournalCompleted(journal, file_.Size(), read)) {
        for (const tJournalPage& page : journal.pages)
            if (!page.old.empty() && !file_.Write(page.page * kPage, page.old.data(), page.old.size()))
                return Refuse(file_.Error());
        if (file_.Size() != journal.oldSize && !file_.Resize(journal.oldSize))
            return Refuse(file_.Error());
        if (!file_.Flush()) return Refuse(file_.Error());
    }
    return VoidJournal();
}

bool tFileBytes::Persist() {
    if (journalHot_ && !PlayBackJournal()) return false;
    const std::vector<uint64_t> pages = PagesToWrite(image_, changed_, oldPages_);
    if (pages.empty() && image_.size() == durableSize_) {
        oldPages_.clear();
        changed_.clear();
        return true;
    }
    if (wantsJournal_ && !journal_.IsOpen()) {
        // A note file whose journal cannot be made takes no commit.
        if (!journal_.Open(JournalPathFor(file_.Path()), tDiskFile::openOrCreate,
                           FILE_ATTRIBUTE_HIDDEN))
            return Refuse(journal_.Error());
        FlushFolderOf(journal_.Path());  // its name is on disk before the file is touched
    }
    if (journal_.IsOpen() && !WriteJournal(pages)) return false;
    if (!WriteChangedPages(pages)) {
        const DWORD error = lastError_;
        if (journal_.IsOpen()) PlayBackJournal();  // at once if the disk lets it; else at the next open
        return Refuse(error);
    }
    // The file holds the whole commit, flushed: the journal now describes a
    // commit that is done, which the next open recognises, so voiding it
    // would only cost a third flush. The next commit writes over it.
    journalHot_ = false;
    durableSize_ = image_.size();
    oldPages_.clear();
    changed_.clear();
    return true;
}

void tFileBytes::Revert() {
    image_.resize(size_t(durableSize_));
    for (const auto& kept : oldPages_)
        image_.replace(size_t(kept.first * kPage), kept.second.size(), kept.second);
    oldPages_.clear();
    changed_.clear();
}

void tFileBytes::Replace(const std::string& bytes) {
    KeepOldPages(0, std::max<uint64_t>(image_.size(), bytes.size()));
    image_ = bytes;
}
