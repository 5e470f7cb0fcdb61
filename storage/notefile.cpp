#include "storage/notefile.h"
#include "base/errors.h"
#include "storage/compfile.h"
#include "storage/open_note_file.h"
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

const char* const kNewFileTopics[2] = {"To-do", "Notes"};

namespace {

constexpr const char* kTopicsStorage = "Topics";

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

namespace {

// The text of a topic's stream; empty when the topic has no stream.
std::string ReadTopicText(IStorage* topics, const std::string& name) {
    std::unique_ptr<tStream> stream = OpenStreamIfThere(topics, name, kModeRead);
    if (stream) return ReadString(*stream);
    // A name without a stream is an empty topic. A stream that is there but
    // cannot be read must not show empty: the next save would replace text
    // the file still holds.
    return std::string();
}

void WriteTopicStream(IStorage* topics, const std::string& name, const std::string& text) {
    tStream stream(topics, name, kModeCreateWrite, tHow::create);
    WriteString(stream, text);
}

void DestroyElementIn(IStorage* storage, const std::wstring& name) {
    HRESULT hr = storage->DestroyElement(name.c_str());
    if (hr != STG_E_FILENOTFOUND) CheckHr(hr);
}

// The names of the elements in storage, as stored.
std::vector<std::wstring> ElementNamesIn(IStorage* storage) {
    std::vector<std::wstring> names;
    tComPtr<IEnumSTATSTG> elements;
    CheckHr(storage->EnumElements(0, nullptr, 0, elements.put()));
    STATSTG stat = {};
    ULONG got = 0;
    while (elements->Next(1, &stat, &got) == S_OK && got == 1) {
        if (stat.pwcsName) {
            names.emplace_back(stat.pwcsName);
            CoTaskMemFree(stat.pwcsName);
        }
        stat = STATSTG{};
    }
    return names;
}

tElementKeys ElementKeysIn(IStorage* storage) {
    tElementKeys keys;
    for (std::wstring& name : ElementNamesIn(storage)) keys.insert(ElementKey(std::move(name)));
    return keys;
}

tStorage OpenOrCreateTopics(IStorage* root) {
    try {
        return tStorage(root, kTopicsStorage, kModeDirectReadWrite);
    } catch (const tQuilletError& error) {
        if (error.code != STG_E_FILENOTFOUND) throw;
    }
    return tStorage(root, kTopicsStorage, kModeDirectReadWrite, tHow::create);
}

}  // namespace

void ReadNoteFile(IStorage* root, const tAppearanceRecord& current, tLoadedFile& file) {
    file.appearance = current;
    tStream index(root, "Index", kModeDirectReadWrite);
    {
        std::unique_ptr<tStream> colours = OpenStreamIfThere(root, "Colours", kModeRead);
        file.hasAppearance = colours != nullptr;
        if (colours)
            ReadColours(*colours, file.appearance);
        else
            SetDefaultColours(file.appearance);
    }
    {
        std::unique_ptr<tStream> font = OpenStreamIfThere(root, "Font", kModeRead);
        file.hasAppearance = file.hasAppearance || font != nullptr;
        if (font)
            file.fonts = ReadFonts(*font, file.appearance);
        else {
            // No fonts in this file: the descriptions another file left must
            // not be written into this one later.
            file.fonts = {tFontRecord::none, tFontRecord::none};
            file.appearance.textLogFont = LOGFONTA{};
            file.appearance.tabLogFont = LOGFONTA{};
        }
    }
    std::vector<std::string> names = ReadIndex(index);
    file.topics.reserve(names.size());
    // Opened once: opening it again for every topic costs a lookup each. An
    // Index without names needs nothing from "Topics", which may then be missing.
    tComPtr<IStorage> topicsStorage;
    HRESULT opened = root->OpenStorage(ToElementName(kTopicsStorage).c_str(), nullptr, kModeRead,
                                       nullptr, 0, topicsStorage.put());
    if (FAILED(opened)) {
        if (names.empty() && opened == STG_E_FILENOTFOUND) return;
        throw tQuilletError{nullptr, opened};
    }
    tElementKeys elements = ElementKeysIn(topicsStorage.get());
    std::vector<std::string> storable = StorableTopicNames(
        names, [&](const std::string& name) { return elements.count(ElementKey(name)) != 0; });
    file.otherElements = elements;
    for (size_t i = 0; i < names.size(); ++i) {
        file.otherElements.erase(ElementKey(names[i]));
        tTopic topic;
        topic.name = std::move(names[i]);
        // A repeated name reads the stream it shares.
        topic.text = ReadTopicText(topicsStorage.get(), topic.name);
        if (storable[i] != topic.name) {
            // Written under its new name at the next save.
            topic.name = storable[i];
            topic.modified = true;
            file.indexOutdated = true;
        }
        file.topics.push_back(std::move(topic));
    }
}

void WriteTopicIndex(IStorage* root, const std::vector<tTopic>& topics) {
    tStream index(root, "Index", kModeCreateReadWrite, tHow::create);
    WriteUint32(index, DWORD(topics.size()));
    for (const tTopic& topic : topics) WriteString(index, topic.name);
}

void WriteAppearance(IStorage* root, const tAppearanceRecord& appearance) {
    {
        BYTE bytes[kColoursStreamSize];
        EncodeColour(appearance.backgroundColour, bytes);
        EncodeColour(appearance.textColour, bytes + 4);
        for (int i = 0; i < 16; ++i) EncodeColour(appearance.customColours[i], bytes + 8 + 4 * i);
        tStream colours(root, "Colours", kModeCreateWrite, tHow::create);
        colours.WriteBytes(bytes, sizeof bytes);
    }
    {
        BYTE bytes[kFontStreamSize];
        std::memcpy(bytes, &appearance.textLogFont, kFontRecordSize);
        std::memcpy(bytes + kFontRecordSize, &appearance.tabLogFont, kFontRecordSize);
        tStream font(root, "Font", kModeCreateWrite, tHow::create);
        font.WriteBytes(bytes, sizeof bytes);
    }
}

void WriteTopicText(IStorage* root, const std::string& name, const std::string& text) {
    tStorage topics(root, kTopicsStorage, kModeDirectReadWrite);
    WriteTopicStream(topics.Get(), name, text);
}

void DestroyTopicElement(IStorage* root, const std::string& name) {
    tStorage topics(root, kTopicsStorage, kModeDirectReadWrite);
    DestroyElementIn(topics.Get(), ToElementName(name));
}

void RenameTopicElement(IStorage* root, const std::string& from, const std::string& to,
                        const std::string& text) {
    if (SameElementName(from, to)) return;
    // Wine's RenameElement keeps the old name's length in the directory entry
    // ("Ab\0do" for "To-do" renamed "Ab"), which other readers do not take:
    // the stream is written anew under its new name instead.
    tStorage topics(root, kTopicsStorage, kModeDirectReadWrite);
    WriteTopicStream(topics.Get(), to, text);
    DestroyElementIn(topics.Get(), ToElementName(from));
}

void WriteNoteFile(IStorage* root, const std::vector<tTopic>& topics,
                   const tAppearanceRecord* appearance, const tElementKeys& keep) {
    CheckHr(root->SetClass(kNoteFileClassId));
    {
        tStorage topicsStorage = OpenOrCreateTopics(root);
        tElementKeys wanted = keep;
        std::vector<std::wstring> keys;
        keys.reserve(topics.size());
        for (const tTopic& topic : topics) keys.push_back(ElementKey(topic.name));
        wanted.insert(keys.begin(), keys.end());
        for (const std::wstring& element : ElementNamesIn(topicsStorage.Get()))
            if (wanted.count(ElementKey(element)) == 0)
                DestroyElementIn(topicsStorage.Get(), element);
        // Made in this order, the streams form a balanced tree, so that
        // every later lookup is short.
        for (size_t i : BalancedCreationOrder(keys))
            WriteTopicStream(topicsStorage.Get(), topics[i].name, topics[i].text);
    }
    WriteTopicIndex(root, topics);
    if (appearance) WriteAppearance(root, *appearance);
}

namespace {

// Copies the element name of from into to, as it is.
void CopyElement(IStorage* from, IStorage* to, const std::wstring& name) {
    tComPtr<IStream> source;
    if (SUCCEEDED(from->OpenStream(name.c_str(), nullptr, kModeRead, 0, source.put()))) {
        tComPtr<IStream> copy;
        CheckHr(to->CreateStream(name.c_str(), kModeCreateWrite, 0, 0, copy.put()));
        ULARGE_INTEGER all;
        all.QuadPart = ~0ull;
        CheckHr(source->CopyTo(copy.get(), all, nullptr, nullptr));
        return;
    }
    tComPtr<IStorage> storage, made;
    CheckHr(from->OpenStorage(name.c_str(), nullptr, kModeRead, nullptr, 0, storage.put()));
    CheckHr(to->CreateStorage(name.c_str(), kModeCreateReadWrite, 0, 0, made.put()));
    CheckHr(storage->CopyTo(0, nullptr, nullptr, made.get()));
}

// The whole of root made anew with the elements of "Topics" created in
// balanced order; everything else is copied as it is.
std::string BalancedImage(IStorage* root) {
    return MakeFileImage([&](IStorage* fresh) {
        const std::wstring topicsName = ToElementName(kTopicsStorage);
        for (const std::wstring& name : ElementNamesIn(root))
            if (ElementKey(name) != ElementKey(topicsName)) CopyElement(root, fresh, name);
        CheckHr(fresh->SetClass(kNoteFileClassId));
        tStorage from(root, kTopicsStorage, kModeRead);
        tStorage to(fresh, kTopicsStorage, kModeCreateReadWrite, tHow::create);
        std::vector<std::wstring> names = ElementNamesIn(from.Get());
        std::vector<std::wstring> keys;
        keys.reserve(names.size());
        for (const std::wstring& name : names) keys.push_back(ElementKey(name));
        for (size_t i : BalancedCreationOrder(keys))
            CopyElement(from.Get(), to.Get(), names[i]);
    });
}

// A file whose topics form a long list in the directory (streams created
// in name order by an older writer, or topics added alphabetically) costs a
// walk of that list for every save: it is rewritten balanced, atomically,
// once. A disk that refuses leaves it as it is.
void BalanceIfNeeded(tRootStorage& root) {
    if (!root.Unbalanced()) return;
    std::string image;
    try {
        image = BalancedImage(root.Get());
    } catch (const tQuilletError&) {
        return;
    }
    root.Rewrite(image);
}

}  // namespace

tNoteFile::tNoteFile() = default;
tNoteFile::tNoteFile(tNoteFile&&) noexcept = default;
tNoteFile& tNoteFile::operator=(tNoteFile&&) noexcept = default;
tNoteFile::~tNoteFile() = default;

tReadResult OpenNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file) {
    std::unique_ptr<tRootStorage> root;
    try {
        root = std::make_unique<tRootStorage>(tHow::open, path, kModeNoteFile);
    } catch (const tQuilletError& error) {
        return error.code == STG_E_FILENOTFOUND ? tReadResult::notFound : tReadResult::unusable;
    }
    // Read completely before anything is handed over, so a damaged file
    // leaves whatever is open as it was.
    tLoadedFile content;
    try {
        if (!HasNoteFileClass(root->Get())) return tReadResult::unusable;
        ReadNoteFile(root->Get(), current, content);
    } catch (const tQuilletError&) {
        return tReadResult::unusable;
    } catch (const std::exception&) {
        return tReadResult::unusable;
    }
    BalanceIfNeeded(*root);
    if (!root->Get()) return tReadResult::unusable;
    file.file = std::make_unique<tOpenNoteFile>(std::move(root), content.otherElements,
                                                content.hasAppearance);
    file.content = std::move(content);
    file.isNew = false;
    return tReadResult::read;
}

namespace {

std::vector<tTopic> NewFileTopics() {
    std::vector<tTopic> topics;
    for (const char* name : kNewFileTopics) {
        tTopic topic;
        topic.name = name;
        topics.push_back(std::move(topic));
    }
    return topics;
}

tNewFileResult WriteNewFile(const std::string& path, DWORD mode, const std::vector<tTopic>& topics,
                            const tAppearanceRecord* appearance = nullptr) {
    return WriteWholeFile(path, mode, [&](IStorage* root) {
        WriteNoteFile(root, topics, appearance, tElementKeys());
    });
}

}  // namespace

bool CreateNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file) {
    tLoadedFile content;
    content.topics = NewFileTopics();
    if (WriteNewFile(path, kModeNoteFile, content.topics) != tNewFileResult::written) return false;
    std::unique_ptr<tRootStorage> root;
    try {
        root = std::make_unique<tRootStorage>(tHow::open, path, kModeNoteFile);
    } catch (const tQuilletError&) {
        // It holds nothing anyone wrote, and the user is told it failed.
        DeleteFileA(path.c_str());
        return false;
    }
    // A new file has the default colours and no fonts.
    content.appearance = current;
    SetDefaultColours(content.appearance);
    content.appearance.textLogFont = LOGFONTA{};
    content.appearance.tabLogFont = LOGFONTA{};
    content.fonts = {tFontRecord::none, tFontRecord::none};
    file.file = std::make_unique<tOpenNoteFile>(std::move(root), tElementKeys(),
                                                /*hasAppearance*/ false);
    file.content = std::move(content);
    file.isNew = true;
    return true;
}

tNewFileResult WriteNewNoteFile(const std::string& path, const std::vector<tTopic>& topics,
                                const tAppearanceRecord* appearance) {
    return WriteNewFile(path, kModeDirectReadWrite, topics, appearance);
}
