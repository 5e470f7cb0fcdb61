#include "storage/topic.h"
#include "app/errors.h"
#include "storage/compfile.h"
#include <vector>

void tTopic::Save(tRootStorage& root, bool force) {
    if (!modified && !force) return;
    tStorage topicsStorage(root.storage, "Topics", kModeDirectReadWrite);
    tStream stream(topicsStorage.storage, name, kModeCreateWrite, tStream::create);
    WriteString(stream, text);
    written = true;
}

void tTopic::Load(tRootStorage& root) {
    tStorage topicsStorage(root.storage, "Topics", kModeRead);
    Load(topicsStorage.storage);
}

void tTopic::Load(IStorage* topicsStorage) {
    tStream stream(topicsStorage, name, kModeRead, tStream::tNoThrow{});
    if (SUCCEEDED(stream.hr)) {
        text = ReadString(stream);
    } else if (stream.hr == STG_E_FILENOTFOUND || stream.hr == STG_E_INVALIDNAME) {
        text.clear();  // a name without a stream is an empty topic
    } else {
        // The stream is there but cannot be read: showing it empty would let
        // the next save replace text the file still holds.
        throw tQuilletError{};
    }
    modified = false;
    written = false;
}

void tTopic::TakeText(HWND edit) {
    LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    if (length < 0) length = 0;
    std::vector<char> buffer(size_t(length) + 1, '\0');
    LRESULT got = SendMessageA(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    if (got < 0) got = 0;
    if (size_t(got) > size_t(length)) got = length;
    text.assign(buffer.data(), size_t(got));
}

void tTopic::ShowText(HWND edit) const {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
