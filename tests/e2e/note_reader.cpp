#include "note_reader.h"
#include <windows.h>
#include <objbase.h>
#include <cstdint>

namespace {

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(size_t(n - 1));
    return w;
}

bool ReadRecord(IStream* stream, std::string& out) {
    uint32_t length = 0;
    ULONG got = 0;
    if (FAILED(stream->Read(&length, 4, &got)) || got != 4 || length > (64u << 20)) return false;
    out.assign(length, '\0');
    if (length == 0) return true;
    return SUCCEEDED(stream->Read(&out[0], length, &got)) && got == length;
}

}  // namespace

tNoteOnDisk ReadNoteOnDisk(const std::string& path) {
    tNoteOnDisk note;
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorage(Wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                              nullptr, 0, &root)))
        return note;
    IStream* index = nullptr;
    IStorage* topics = nullptr;
    bool ok = SUCCEEDED(root->OpenStream(L"Index", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                         &index)) &&
              SUCCEEDED(root->OpenStorage(L"Topics", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                          nullptr, 0, &topics));
    if (ok) {
        uint32_t count = 0;
        ULONG got = 0;
        ok = SUCCEEDED(index->Read(&count, 4, &got)) && got == 4 && count < 100000;
        for (uint32_t i = 0; ok && i < count; ++i) {
            std::string name;
            ok = ReadRecord(index, name);
            if (!ok) break;
            note.names.push_back(name);
            std::string text;
            IStream* topic = nullptr;
            if (SUCCEEDED(topics->OpenStream(Wide(name).c_str(), nullptr,
                                             STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &topic))) {
                ok = ReadRecord(topic, text);
                topic->Release();
            }
            note.texts.push_back(text);
        }
    }
    if (index) index->Release();
    if (topics) topics->Release();
    root->Release();
    note.ok = ok;
    return note;
}
