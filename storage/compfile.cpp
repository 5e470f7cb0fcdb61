#include "storage/compfile.h"
#include "base/errors.h"
#include "base/handles.h"
#include "storage/compound_check.h"
#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

std::wstring ToElementName(const std::string& text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    Check(size > 0);
    std::wstring wide(size_t(size), L'\0');
    Check(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], size) == size);
    wide.resize(size_t(size) - 1);  // the converted terminator
    return wide;
}

namespace {

// The storage system follows the counts, sector numbers and links of a file
// as they stand: a damaged file can send it into an endless loop or a huge
// allocation (Wine's ole32 does both), so the structure is checked first.
bool LooksSound(const std::string& image, bool& unbalanced) {
    return IsSoundCompoundFile(image.size(), [&](uint64_t offset, void* buffer, size_t count) {
        if (offset > image.size() || count > image.size() - offset) return false;
        if (count) std::memcpy(buffer, image.data() + offset, count);
        return true;
    }, &unbalanced);
}

HRESULT FromSystemError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return STG_E_FILENOTFOUND;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return STG_E_FILEALREADYEXISTS;
    case ERROR_SHARING_VIOLATION: return STG_E_SHAREVIOLATION;
    default: return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
}

std::string TempNameBeside(const std::string& path) {
    char temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(FolderOf(path).c_str(), "qlt", 0, temp)) return std::string();
    return temp;
}

}  // namespace

tRootStorage::tRootStorage(tHow how, const std::string& path, DWORD mode)
    : path_(path), mode_(mode & ~DWORD(STGM_CREATE)) {
    DWORD error = 0;
    bytes_ = tFileBytes::Open(path, how == tHow::create ? tDiskFile::createNew : tDiskFile::openExisting,
                              /*withJournal*/ how == tHow::open, error);
    if (!bytes_) throw tQuilletError{nullptr, FromSystemError(error)};
    HRESULT hr = STG_E_DOCFILECORRUPT;
    if (how == tHow::create)
        hr = StgCreateDocfileOnILockBytes(bytes_.get(), mode_ | STGM_CREATE, 0, storage_.put());
    else if (LooksSound(bytes_->Image(), unbalanced_))
        hr = OpenStorage();
    if (FAILED(hr)) {
        storage_.reset();
        throw tQuilletError{nullptr, hr};
    }
}

HRESULT tRootStorage::OpenStorage() {
    storage_.reset();
    HRESULT result = StgOpenStorageOnILockBytes(bytes_.get(), nullptr, mode_, nullptr, 0, storage_.put());
    if (FAILED(result)) storage_.reset();
    return result;
}

tRootStorage::~tRootStorage() {
    storage_.reset();  // before the bytes it reads and writes
}

HRESULT tRootStorage::Commit() {
    if (!storage_) return E_UNEXPECTED;
    HRESULT result = storage_->Commit(STGC_DEFAULT);
    if (FAILED(result)) {
        storage_.reset();  // what it did to the bytes is not known
        return result;
    }
    return bytes_->Persist() ? S_OK : FromSystemError(bytes_->LastError());
}

bool tRootStorage::Reopen() {
    storage_.reset();
    bytes_->Revert();
    return SUCCEEDED(OpenStorage());
}

bool tRootStorage::Rewrite(const std::string& image) {
    storage_.reset();
    bytes_->Replace(image);
    bool persisted = bytes_->Persist();
    if (!persisted) bytes_->Revert();
    return SUCCEEDED(OpenStorage()) && persisted;
}

tNewFileResult WriteWholeFile(const std::string& path, DWORD mode,
                              const std::function<void(IStorage*)>& write) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return tNewFileResult::notCreated;
    const std::string temp = TempNameBeside(path);
    if (temp.empty()) return tNewFileResult::notCreated;
    DeleteFileA(temp.c_str());  // made anew below, held exclusively
    std::unique_ptr<tRootStorage> root;
    try {
        root = std::make_unique<tRootStorage>(tHow::create, temp, mode);
    } catch (const tQuilletError&) {
        DeleteFileA(temp.c_str());
        return tNewFileResult::notCreated;
    }
    bool written = false;
    try {
        write(root->Get());
        written = SUCCEEDED(root->Commit());
    } catch (const tQuilletError&) {
    }
    root.reset();
    if (!written) {
        DeleteFileA(temp.c_str());
        return tNewFileResult::failed;
    }
    // Never over another file: a name taken meanwhile is not the user's choice.
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return tNewFileResult::notCreated;
    }
    // Under Wine the write-through flag alone does not make the move durable.
    FlushFolderOf(path);
    return tNewFileResult::written;
}

std::string MakeFileImage(const std::function<void(IStorage*)>& write) {
    // Bytes of the program's own: a growing image costs amortised copies,
    // where the platform's memory bytes copy the whole for every sector.
    tComPtr<tFileBytes> bytes = tFileBytes::InMemory();
    {
        tComPtr<IStorage> root;
        CheckHr(StgCreateDocfileOnILockBytes(bytes.get(), kModeCreateReadWrite, 0, root.put()));
        write(root.get());
        CheckHr(root->Commit(STGC_DEFAULT));
    }
    return bytes->Image();
}

tStorage::tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide = ToElementName(name);
    HRESULT hr = how == tHow::create
                     ? parent->CreateStorage(wide.c_str(), mode, 0, 0, storage_.put())
                     : parent->OpenStorage(wide.c_str(), nullptr, mode, nullptr, 0, storage_.put());
    if (FAILED(hr)) {
        storage_.reset();
        throw tQuilletError{nullptr, hr};
    }
}

tStream::tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide;
    try {
        wide = ToElementName(name);
    } catch (const tQuilletError&) {
        throw tQuilletError{nullptr, STG_E_INVALIDNAME};
    }
    HRESULT hr = how == tHow::create ? parent->CreateStream(wide.c_str(), mode, 0, 0, stream_.put())
                                     : parent->OpenStream(wide.c_str(), nullptr, mode, 0, stream_.put());
    if (FAILED(hr)) {
        stream_.reset();
        throw tQuilletError{nullptr, hr};
    }
}

std::unique_ptr<tStream> OpenStreamIfThere(IStorage* parent, const std::string& name, DWORD mode) {
    try {
        return std::make_unique<tStream>(parent, name, mode);
    } catch (const tQuilletError& error) {
        if (error.code == STG_E_FILENOTFOUND || error.code == STG_E_INVALIDNAME) return nullptr;
        throw;
    }
}

ULONG tStream::ReadBytes(void* buffer, ULONG size) {
    ULONG got = 0;
    if (FAILED(stream_->Read(buffer, size, &got))) return 0;
    return got > size ? size : got;
}

void tStream::WriteBytes(const void* data, ULONG size) {
    ULONG written = 0;
    HRESULT result = stream_->Write(data, size, &written);
    CheckHr(result);
    // A write that stops short has run out of room.
    if (written != size) throw tQuilletError{nullptr, STG_E_MEDIUMFULL};
}

ULONGLONG RemainingBytes(tStream& stream) {
    STATSTG stat = {};
    CheckHr(stream.Get()->Stat(&stat, STATFLAG_NONAME));
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER position = {};
    CheckHr(stream.Get()->Seek(zero, STREAM_SEEK_CUR, &position));
    if (position.QuadPart >= stat.cbSize.QuadPart) return 0;
    return stat.cbSize.QuadPart - position.QuadPart;
}

void WriteUint32(tStream& stream, DWORD value) {
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    stream.WriteBytes(bytes, sizeof bytes);
}

DWORD ReadUint32(tStream& stream) {
    BYTE bytes[4] = {};
    Check(stream.ReadBytes(bytes, sizeof bytes) == sizeof bytes);
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

void WriteString(tStream& stream, const std::string& s) {
    Check(s.size() <= std::numeric_limits<DWORD>::max());
    DWORD length = DWORD(s.size());
    WriteUint32(stream, length);
    stream.WriteBytes(s.data(), length);
}

tReadSome StreamReader(tStream& stream) {
    return [&stream](void* buffer, size_t size) { return size_t(stream.ReadBytes(buffer, ULONG(size))); };
}

std::string ReadString(tStream& stream) {
    std::string text;
    Check(ReadStringRecord(StreamReader(stream), RemainingBytes(stream), text));
    return text;
}
