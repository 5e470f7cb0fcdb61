#include "storage/topic.h"
#include "base/errors.h"
#include "storage/compfile.h"

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
