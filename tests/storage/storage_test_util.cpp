#include "storage_test_util.h"
#include "base/errors.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include <fstream>
#include <sstream>

std::string Uint32Bytes(DWORD value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char(BYTE(value >> (8 * i)));
    return bytes;
}

std::string Record(const std::string& s) { return Uint32Bytes(DWORD(s.size())) + s; }

std::string IndexBytes(const std::vector<std::string>& names) {
    std::string bytes = Uint32Bytes(DWORD(names.size()));
    for (const std::string& name : names) bytes += Record(name);
    return bytes;
}

namespace {
std::wstring Wide(const std::string& s) {
    int size = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &wide[0], size);
    wide.resize(size_t(size) - 1);
    return wide;
}

void WriteStream(IStorage* parent, const std::string& name, const std::string& bytes) {
    IStream* stream = nullptr;
    HRESULT hr = parent->CreateStream(Wide(name).c_str(),
                                      STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream);
    ASSERT_TRUE(SUCCEEDED(hr)) << "create stream " << name;
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), ULONG(bytes.size()), &written);
    stream->Release();
    ASSERT_EQ(bytes.size(), written);
}
}  // namespace

tRawFile::tRawFile(const std::string& path) {
    HRESULT hr = StgCreateDocfile(Wide(path).c_str(),
                                  STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, &root_);
    EXPECT_TRUE(SUCCEEDED(hr)) << "create " << path;
    if (FAILED(hr)) root_ = nullptr;
}

tRawFile::~tRawFile() {
    if (topics_) topics_->Release();
    if (root_) {
        root_->Commit(STGC_DEFAULT);
        root_->Release();
    }
}

void tRawFile::SetClass(const CLSID& id) { root_->SetClass(id); }

void tRawFile::Stream(const std::string& name, const std::string& bytes) {
    WriteStream(root_, name, bytes);
}

void tRawFile::TopicsStorage() {
    if (topics_) return;
    HRESULT hr = root_->CreateStorage(L"Topics", STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE,
                                      0, 0, &topics_);
    EXPECT_TRUE(SUCCEEDED(hr));
    if (FAILED(hr)) topics_ = nullptr;
}

void tRawFile::TopicStream(const std::string& name, const std::string& bytes) {
    TopicsStorage();
    WriteStream(topics_, name, bytes);
}

void WriteNoteFile(const std::string& path,
                   const std::vector<std::pair<std::string, std::string>>& topics) {
    tRawFile file(path);
    file.SetClass(kNoteFileClassId);
    std::vector<std::string> names;
    file.TopicsStorage();
    for (const auto& topic : topics) {
        names.push_back(topic.first);
        file.TopicStream(topic.first, Record(topic.second));
    }
    file.Stream("Index", IndexBytes(names));
}

bool ReadRawStream(const std::string& path, const std::string& element, std::string& bytes) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(Wide(path).c_str(), nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ,
                              nullptr, 0, &root)))
        return false;
    IStorage* parent = root;
    IStorage* topics = nullptr;
    std::string name = element;
    if (element.compare(0, 7, "Topics/") == 0) {
        if (FAILED(root->OpenStorage(L"Topics", nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ, nullptr,
                                     0, &topics))) {
            root->Release();
            return false;
        }
        parent = topics;
        name = element.substr(7);
    }
    IStream* stream = nullptr;
    bool ok = SUCCEEDED(parent->OpenStream(Wide(name).c_str(), nullptr,
                                           STGM_SHARE_EXCLUSIVE | STGM_READ, 0, &stream));
    if (ok) {
        bytes.clear();
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0)
            bytes.append(buffer, got);
        stream->Release();
    }
    if (topics) topics->Release();
    root->Release();
    return ok;
}

CLSID RawClassOf(const std::string& path) {
    CLSID id = CLSID_NULL;
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(Wide(path).c_str(), nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ,
                              nullptr, 0, &root)))
        return id;
    STATSTG stat = {};
    if (SUCCEEDED(root->Stat(&stat, STATFLAG_NONAME))) id = stat.clsid;
    root->Release();
    return id;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

LOGFONTA Font(LONG height, const char* face) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

HRESULT RootOpenResult(const std::string& path, DWORD mode) {
    try {
        tRootStorage root(tHow::open, path, mode);
        return S_OK;
    } catch (const tQuilletError& error) {
        return error.code;
    }
}
