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
std::function<void()>& WriteHook() {
    static std::function<void()> written;
    return written;
}
}  // namespace

void MarkUncommitted() {
    if (WriteHook()) WriteHook()();
}

void SetWriteHook(std::function<void()> written) { WriteHook() = std::move(written); }

namespace {

// The storage system follows the counts, sector numbers and links of a file
// as they stand: a damaged file can send it into an endless loop or a huge
// allocation (Wine's ole32 does both), so the structure is checked first.
// A file that cannot be read here (missing, open elsewhere, no access) is
// left to the open call, which tells why.
bool LooksSound(const std::wstring& path) {
    tUniqueHandle<HANDLE, tFileHandleTraits> file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size)) return true;
    return IsSoundCompoundFile(uint64_t(size.QuadPart), [&](uint64_t offset, void* buffer, size_t count) {
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(offset);
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return false;
        for (char* to = static_cast<char*>(buffer); count > 0;) {
            DWORD want = DWORD(std::min<size_t>(count, 1u << 20)), got = 0;
            if (!ReadFile(file.get(), to, want, &got, nullptr) || got == 0) return false;
            to += got;
            count -= got;
        }
        return true;
    });
}

}  // namespace

tRootStorage::tRootStorage(bool create, const std::string& path, DWORD mode)
    : hr(STG_E_INVALIDNAME), name(path) {
    std::wstring wide;
    try {
        wide = ToElementName(name);
    } catch (const tQuilletError&) {
        return;  // a name that cannot be converted opens nothing
    }
    if (create)
        hr = StgCreateDocfile(wide.c_str(), mode, 0, &storage);
    else if (!LooksSound(wide))
        hr = STG_E_DOCFILECORRUPT;
    else
        hr = StgOpenStorage(wide.c_str(), nullptr, mode, nullptr, 0, &storage);
    if (FAILED(hr)) storage = nullptr;
}

tRootStorage::~tRootStorage() {
    if (SUCCEEDED(hr) && storage) storage->Release();
}

tStorage::tStorage(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide = ToElementName(name);
    if (how == create)
        hr = parent->CreateStorage(wide.c_str(), mode, 0, 0, &storage);
    else
        hr = parent->OpenStorage(wide.c_str(), nullptr, mode, nullptr, 0, &storage);
    MarkUncommitted();
    if (FAILED(hr)) {
        storage = nullptr;
        throw tQuilletError{};
    }
}

tStorage::~tStorage() {
    if (SUCCEEDED(hr) && storage) storage->Release();
}

tStream::tStream(IStorage* parent, const std::string& name, DWORD mode, tHow how) {
    std::wstring wide = ToElementName(name);
    if (how == create)
        hr = parent->CreateStream(wide.c_str(), mode, 0, 0, &stream);
    else
        hr = parent->OpenStream(wide.c_str(), nullptr, mode, 0, &stream);
    MarkUncommitted();
    if (FAILED(hr)) {
        stream = nullptr;
        throw tQuilletError{};
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
    hr = parent->OpenStream(wide.c_str(), nullptr, mode, 0, &stream);
    MarkUncommitted();
    if (FAILED(hr)) stream = nullptr;
}

tStream::~tStream() {
    if (SUCCEEDED(hr) && stream) stream->Release();
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
    MarkUncommitted();
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
