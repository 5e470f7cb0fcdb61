#include "storage/notefile.h"
#include "base/errors.h"
#include "storage/compfile.h"
#include "storage/topic_names.h"
#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>

// {FA236B80-C465-11CF-BBF3-0020AF71E433}
const CLSID kNoteFileClassId = {0xFA236B80, 0xC465, 0x11CF,
                                {0xBB, 0xF3, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};

static_assert(sizeof(LOGFONTA) == kFontRecordSize, "a font record is one LOGFONTA");

namespace {

const char* const kNewFileTopics[] = {"To-do", "Notes"};

COLORREF DecodeColour(const BYTE* bytes) {
    return COLORREF(bytes[0]) | COLORREF(bytes[1]) << 8 | COLORREF(bytes[2]) << 16 |
           COLORREF(bytes[3]) << 24;
}

void EncodeColour(COLORREF colour, BYTE* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = BYTE(colour >> (8 * i));
}

bool ReadColour(tStream& stream, COLORREF& colour) {
    BYTE bytes[4];
    if (stream.ReadBytes(bytes, sizeof bytes) != sizeof bytes) return false;
    colour = DecodeColour(bytes);
    return true;
}

// Whatever arrives goes into the description; true when the whole record came.
bool ReadFontRecord(tStream& stream, LOGFONTA& description) {
    BYTE bytes[kFontRecordSize];
    ULONG got = stream.ReadBytes(bytes, sizeof bytes);
    std::memcpy(&description, bytes, got);
    // The face name comes from the file: keep it a terminated string.
    description.lfFaceName[LF_FACESIZE - 1] = '\0';
    return got == sizeof bytes;
}

}  // namespace

void SetDefaultColours(tAppearanceRecord& appearance) {
    appearance.backgroundColour = kDefaultBackground;
    appearance.textColour = kDefaultTextColour;
    std::memset(appearance.customColours, 0, sizeof appearance.customColours);
}

void ReadColours(tStream& stream, tAppearanceRecord& appearance) {
    COLORREF colour;
    if (!ReadColour(stream, colour)) {
        appearance.backgroundColour = kDefaultBackground;
        return;
    }
    appearance.backgroundColour = colour;
    if (!ReadColour(stream, colour)) {
        appearance.textColour = kDefaultTextColour;
        return;
    }
    appearance.textColour = colour;
    BYTE custom[sizeof appearance.customColours];
    if (stream.ReadBytes(custom, sizeof custom) != sizeof custom) {
        std::memset(appearance.customColours, 0, sizeof appearance.customColours);
        return;
    }
    for (int i = 0; i < 16; ++i) appearance.customColours[i] = DecodeColour(custom + 4 * i);
}

tFontRecords ReadFonts(tStream& stream, tAppearanceRecord& appearance) {
    tFontRecords records = {tFontRecord::none, tFontRecord::untouched};
    if (!ReadFontRecord(stream, appearance.textLogFont)) {
        appearance.textLogFont.lfHeight = 0;
        return records;  // the tab font stays as it is
    }
    if (appearance.textLogFont.lfHeight != 0) records.text = tFontRecord::chosen;
    if (ReadFontRecord(stream, appearance.tabLogFont) && appearance.tabLogFont.lfHeight != 0) {
        records.tab = tFontRecord::chosen;
    } else {
        records.tab = tFontRecord::none;
        appearance.tabLogFont.lfHeight = 0;
    }
    return records;
}

tFont MakeFont(const LOGFONTA& description) {
    if (description.lfHeight == 0) return tFont();
    return tFont(CreateFontIndirectA(&description));
}

std::vector<std::string> ReadIndex(tStream& stream) {
    std::vector<std::string> names;
    Check(ReadIndexRecords(StreamReader(stream), RemainingBytes(stream), names));
    return names;
}

bool HasNoteFileClass(IStorage* root) {
    STATSTG stat = {};
    CheckHr(root->Stat(&stat, STATFLAG_NONAME));
    return IsEqualCLSID(stat.clsid, kNoteFileClassId) != FALSE;
}

void ReadNoteFile(tRootStorage& root, const tAppearanceRecord& current, tLoadedFile& file) {
    file.appearance = current;
    tStream index(root.storage, "Index", kModeDirectReadWrite);
    {
        tStream colours(root.storage, "Colours", kModeRead, tStream::tNoThrow{});
        if (SUCCEEDED(colours.hr))
            ReadColours(colours, file.appearance);
        else
            SetDefaultColours(file.appearance);
    }
    {
        tStream font(root.storage, "Font", kModeRead, tStream::tNoThrow{});
        if (SUCCEEDED(font.hr))
            file.fonts = ReadFonts(font, file.appearance);
        else {
            // No fonts in this file: the descriptions another file left must
            // not be written into this one later.
            file.fonts = {tFontRecord::none, tFontRecord::none};
            file.appearance.textLogFont = LOGFONTA{};
            file.appearance.tabLogFont = LOGFONTA{};
        }
        if (file.fonts.text == tFontRecord::chosen) file.textFont = MakeFont(file.appearance.textLogFont);
        if (file.fonts.tab == tFontRecord::chosen) file.tabFont = MakeFont(file.appearance.tabLogFont);
    }
    std::vector<std::string> names = ReadIndex(index);
    file.topics.reserve(names.size());
    if (names.empty()) return;
    // Opened once: opening it again for every topic costs a lookup each.
    tStorage topicsStorage(root.storage, "Topics", kModeRead);
    std::vector<std::string> storable = StorableTopicNames(names, [&](const std::string& name) {
        return ElementExistsIn(topicsStorage.storage, name);
    });
    for (size_t i = 0; i < names.size(); ++i) {
        tTopic topic;
        topic.name = std::move(names[i]);
        topic.Load(topicsStorage.storage);  // a repeated name reads the stream it shares
        if (storable[i] != topic.name) {
            // Written under its new name at the next save.
            topic.name = storable[i];
            topic.MarkModified();
            file.indexOutdated = true;
        }
        file.topics.push_back(std::move(topic));
    }
}

bool ElementExistsIn(IStorage* storage, const std::string& name) {
    std::wstring wide = ToElementName(name);
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(wide.c_str(), nullptr, kModeRead, 0, &stream);
    if (SUCCEEDED(hr)) stream->Release();
    if (hr != STG_E_FILENOTFOUND) return hr != STG_E_INVALIDNAME;
    IStorage* inner = nullptr;
    hr = storage->OpenStorage(wide.c_str(), nullptr, kModeRead, nullptr, 0, &inner);
    if (SUCCEEDED(hr)) inner->Release();
    return hr != STG_E_FILENOTFOUND && hr != STG_E_INVALIDNAME;
}

bool TopicElementExists(IStorage* root, const std::string& name) {
    tStorage topics(root, "Topics", kModeRead);
    return ElementExistsIn(topics.storage, name);
}

void WriteTopicIndex(IStorage* root, const std::vector<tTopic>& topics) {
    tStream index(root, "Index", kModeCreateReadWrite, tStream::create);
    WriteUint32(index, DWORD(topics.size()));
    for (const tTopic& topic : topics) WriteString(index, topic.name);
}


void WriteAppearance(IStorage* root, const tAppearanceRecord& appearance) {
    {
        BYTE bytes[kColoursStreamSize];
        EncodeColour(appearance.backgroundColour, bytes);
        EncodeColour(appearance.textColour, bytes + 4);
        for (int i = 0; i < 16; ++i) EncodeColour(appearance.customColours[i], bytes + 8 + 4 * i);
        tStream colours(root, "Colours", kModeCreateWrite, tStream::create);
        colours.WriteBytes(bytes, sizeof bytes);
    }
    {
        BYTE bytes[kFontStreamSize];
        std::memcpy(bytes, &appearance.textLogFont, kFontRecordSize);
        std::memcpy(bytes + kFontRecordSize, &appearance.tabLogFont, kFontRecordSize);
        tStream font(root, "Font", kModeCreateWrite, tStream::create);
        font.WriteBytes(bytes, sizeof bytes);
    }
    MarkUncommitted();
}

tReadResult OpenNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file) {
    auto root = std::make_unique<tRootStorage>(false, path, kModeNoteFile);
    if (root->hr == STG_E_FILENOTFOUND) return tReadResult::notFound;
    if (FAILED(root->hr)) return tReadResult::unusable;
    // Read completely before anything is handed over, so a damaged file
    // leaves whatever is open as it was.
    tLoadedFile content;
    try {
        if (!HasNoteFileClass(root->storage)) return tReadResult::unusable;
        ReadNoteFile(*root, current, content);
    } catch (const tQuilletError&) {
        return tReadResult::unusable;
    } catch (const std::exception&) {
        return tReadResult::unusable;
    }
    file.root = std::move(root);
    file.content = std::move(content);
    file.isNew = false;
    return tReadResult::read;
}

namespace {

// Removes a file this program began to create and could not finish: only one
// too small to be a compound file, so nothing anyone wrote is ever removed.
void RemoveUnfinishedFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        data.nFileSizeHigh == 0 && data.nFileSizeLow < 512)
        DeleteFileA(path.c_str());
}

// A new note file as the program starts every one, committed before anything
// of the open file is given up; false when it could not be made.
bool BuildNewNoteFile(tRootStorage& root, const std::vector<tTopic>& topics) {
    try {
        CheckHr(root.storage->SetClass(kNoteFileClassId));
        {
            tStorage topicsStorage(root.storage, "Topics", kModeDirectReadWrite, tStorage::create);
            for (const tTopic& topic : topics) {
                tStream stream(topicsStorage.storage, topic.name, kModeCreateWrite, tStream::create);
                WriteString(stream, topic.text);
            }
        }
        WriteTopicIndex(root.storage, topics);
        CheckHr(root.storage->Commit(STGC_DEFAULT));
        return true;
    } catch (const tQuilletError&) {
        return false;
    }
}

}  // namespace

bool CreateNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file) {
    tLoadedFile content;
    for (const char* name : kNewFileTopics) {
        tTopic topic;
        topic.name = name;
        content.topics.push_back(std::move(topic));
    }
    auto root = std::make_unique<tRootStorage>(true, path, kModeNoteFile);
    if (FAILED(root->hr) || !BuildNewNoteFile(*root, content.topics)) {
        // What a failed creation left behind can hold nothing: it goes.
        bool leftBehind = root->hr != STG_E_FILEALREADYEXISTS;
        root.reset();
        if (leftBehind) RemoveUnfinishedFile(path);
        return false;
    }
    // A new file has the default colours and no fonts.
    content.appearance = current;
    SetDefaultColours(content.appearance);
    content.appearance.textLogFont = LOGFONTA{};
    content.appearance.tabLogFont = LOGFONTA{};
    content.fonts = {tFontRecord::none, tFontRecord::none};
    file.root = std::move(root);
    file.content = std::move(content);
    file.isNew = true;
    return true;
}
