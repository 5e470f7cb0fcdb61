#include "storage/compfile.h"
#include "base/errors.h"
#include "base/handles.h"
#include "storage/compound_check.h"
#include <algorithm>
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
bool LooksSound(ILockBytes& bytes) {
    STATSTG stat = {};
    if (FAILED(bytes.Stat(&stat, STATFLAG_NONAME))) return false;
    return IsSoundCompoundFile(stat.cbSize.QuadPart, [&](uint64_t offset, void* buffer, size_t count) {
        for (char* to = static_cast<char*>(buffer); count > 0;) {
            ULONG want = ULONG(std::min<size_t>(count, 1u << 20)), got = 0;
            ULARGE_INTEGER at;
            at.QuadPart = offset;
            if (FAILED(bytes.ReadAt(at, to, want, &got)) || got != want) return false;
            to += got;
            offset += got;
            count -= got;
        }
        return true;
    });
}

HRESULT LastError() {
    DWORD error = GetLastError();
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return STG_E_FILENOTFOUND;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return STG_E_FILEALREADYEXISTS;
    case ERROR_SHARING_VIOLATION: return STG_E_SHAREVIOLATION;
    default: return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
}

}  // namespace

tRootStorage::tRootStorage(tHow how, const std::string& path, DWORD mode)
    : hr(STG_E_INVALIDNAME), name(path) {
    // Held exclusively for as long as the storage lives, as the storage code
    // itself would hold it.
    tFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 how == create ? CREATE_NEW : OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        hr = LastError();
        return;
    }
    created_ = how == create;
    if (how == create) mode |= STGM_CREATE;  // over bytes of its own the file counts as there
    Open(std::move(file), mode, nullptr);
}

tRootStorage::tRootStorage(const std::string& path, const tRollback& asItWas)
    : hr(STG_E_INVALIDNAME), name(path) {
    tFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        hr = LastError();
        return;
    }
    Open(std::move(file), kModeRead, &asItWas);
}

void tRootStorage::Open(tFileHandle file, DWORD mode, const tRollback* asItWas) {
    bytes_ = tFileBytes::Make(std::move(file), asItWas);
    if (mode & STGM_CREATE)
        hr = StgCreateDocfileOnILockBytes(bytes_.get(), mode, 0, storage.put());
    else if (!LooksSound(*bytes_))
        hr = STG_E_DOCFILECORRUPT;
    else
        hr = StgOpenStorageOnILockBytes(bytes_.get(), nullptr, mode, nullptr, 0, storage.put());
    if (FAILED(hr)) storage.reset();
}

tRootStorage::~tRootStorage() {
    storage.reset();  // before the bytes it reads and writes
}

tRollback tRootStorage::Close() {
    storage.reset();
    tRollback rollback = bytes_ ? bytes_->TakeRollback() : tRollback();
    bytes_.reset();
    return rollback;
}

tStorage::tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide = ToElementName(name);
    if (how == create)
        hr = parent->CreateStorage(wide.c_str(), mode, 0, 0, storage.put());
    else
        hr = parent->OpenStorage(wide.c_str(), nullptr, mode, nullptr, 0, storage.put());
    if (FAILED(hr)) {
        storage.reset();
        throw tQuilletError{nullptr, hr};
    }
}

tStream::tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide = ToElementName(name);
    if (how == create)
        hr = parent->CreateStream(wide.c_str(), mode, 0, 0, stream.put());
    else
        hr = parent->OpenStream(wide.c_str(), nullptr, mode, 0, stream.put());
    if (FAILED(hr)) {
        stream.reset();
        throw tQuilletError{nullptr, hr};
    }
}

tStream::tStream(IStorage* parent, const std::string& name, DWORD mode, tNoThrow) {
    hr = STG_E_INVALIDNAME;
    std::wstring wide;
    try {
        wide = ToElementName(name);
    } catch (const tQuilletError&) {
        return;
    }
    hr = parent->OpenStream(wide.c_str(), nullptr, mode, 0, stream.put());
    if (FAILED(hr)) stream.reset();
}

ULONG tStream::ReadBytes(void* buffer, ULONG size) {
    ULONG got = 0;
    if (FAILED(stream->Read(buffer, size, &got))) return 0;
    return got > size ? size : got;
}

void tStream::WriteBytes(const void* data, ULONG size) {
    ULONG written = 0;
    HRESULT result = stream->Write(data, size, &written);
    CheckHr(result);
    // A write that stops short has run out of room.
    if (written != size) throw tQuilletError{nullptr, STG_E_MEDIUMFULL};
}

ULONGLONG RemainingBytes(tStream& stream) {
    STATSTG stat = {};
    CheckHr(stream.stream->Stat(&stat, STATFLAG_NONAME));
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER position = {};
    CheckHr(stream.stream->Seek(zero, STREAM_SEEK_CUR, &position));
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
