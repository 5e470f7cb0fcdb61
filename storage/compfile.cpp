#include "storage/compfile.h"
#include "base/errors.h"
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

std::string ReadString(tStream& stream) {
    DWORD length = ReadUint32(stream);
    // The length comes from the file: it must fit in what the stream still
    // holds before anything is allocated for it.
    Check(length < std::numeric_limits<DWORD>::max());
    Check(length <= RemainingBytes(stream));
    // The stream's size comes from the file too: the text grows only by what
    // has actually arrived, a piece at a time.
    const DWORD piece = 64 * 1024;
    std::string text;
    while (text.size() < length) {
        size_t done = text.size();
        DWORD want = DWORD(std::min<size_t>(piece, length - done));
        try {
            text.resize(done + want);
        } catch (const std::exception&) {
            throw tQuilletError{};  // a length that cannot be held is a failed read
        }
        Check(stream.ReadBytes(&text[done], want) == want);
    }
    return text;
}
