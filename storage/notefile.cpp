#include "storage/notefile.h"
#include "app/errors.h"
#include "app/filedialog.h"
#include "app/globals.h"
#include "app/settings.h"
#include "client/client.h"
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

tAppearanceRecord AppearanceOf(const tQuilletClient& client) {
    tAppearanceRecord appearance;
    appearance.backgroundColour = client.backgroundColour;
    appearance.textColour = client.textColour;
    std::memcpy(appearance.customColours, client.customColours, sizeof appearance.customColours);
    appearance.textLogFont = client.textLogFont;
    appearance.tabLogFont = client.tabLogFont;
    return appearance;
}

}  // namespace

void ReplaceFont(HWND control, HFONT& font, HFONT made) {
    // The control lets go of the old handle before it is released.
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), FALSE);
    if (font && font != made) DeleteObject(font);
    font = made;
}

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

void tQuilletClient::WriteIndex(tRootStorage& file) {
    WriteTopicIndex(file.storage, topics);
    MarkUncommitted();
}

void tQuilletClient::WriteAppearance() {
    if (!root) return;
    {
        BYTE bytes[kColoursStreamSize];
        EncodeColour(backgroundColour, bytes);
        EncodeColour(textColour, bytes + 4);
        for (int i = 0; i < 16; ++i) EncodeColour(customColours[i], bytes + 8 + 4 * i);
        tStream colours(root->storage, "Colours", kModeCreateWrite, tStream::create);
        colours.WriteBytes(bytes, sizeof bytes);
    }
    {
        BYTE bytes[kFontStreamSize];
        std::memcpy(bytes, &textLogFont, kFontRecordSize);
        std::memcpy(bytes + kFontRecordSize, &tabLogFont, kFontRecordSize);
        tStream font(root->storage, "Font", kModeCreateWrite, tStream::create);
        font.WriteBytes(bytes, sizeof bytes);
    }
    MarkUncommitted();
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
bool BuildNewNoteFile(std::unique_ptr<tRootStorage>& file) {
    try {
        CheckHr(file->storage->SetClass(kNoteFileClassId));
        {
            tStorage topicsStorage(file->storage, "Topics", kModeDirectReadWrite, tStorage::create);
            for (const char* name : kNewFileTopics) {
                tStream topic(topicsStorage.storage, name, kModeCreateWrite, tStream::create);
                WriteUint32(topic, 0);
            }
        }
        std::vector<tTopic> topics;
        for (const char* name : kNewFileTopics) {
            topics.emplace_back();
            topics.back().name = name;
        }
        WriteTopicIndex(file->storage, topics);
        CheckHr(file->storage->Commit(STGC_DEFAULT));
        return true;
    } catch (const tQuilletError&) {
        return false;
    }
}

}  // namespace

bool tQuilletClient::LoadFile() {
    // The open file's changes must be on disk before another file replaces it.
    if (!FlushChanges()) {
        reportPending = false;
        ReportWriteRefused();
        return false;
    }

    std::unique_ptr<tRootStorage> file;
    bool isNew = false;
    for (;;) {
        file.reset(new tRootStorage(false, app.filePath, kModeNoteFile));
        if (file->hr != STG_E_FILENOTFOUND) break;

        bool create = true;
        if (app.isDefaultFile && app.notFirstRun) {
            std::string question = "Do you want to create default file " + app.filePath;
            create = MessageBoxA(wnd, question.c_str(), kAppCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
        }
        if (!create) {
            std::string chosen;
            switch (AskForNoteFile(wnd, "Select existing or new file to open/create:",
                                   OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, "", chosen)) {
            case tFileDialogResult::failed:
                MessageBoxA(wnd, "Error with file new", kAppCaption, MB_ICONHAND);
                return false;
            case tFileDialogResult::cancelled:
                return false;
            case tFileDialogResult::chosen:
                app.filePath = chosen;
                app.isDefaultFile = false;
                file.reset();
                SetConfigString(kConfig, "DefaultFile", "");
                continue;  // the chosen file may not exist either: it is then created
            }
        }
        file.reset();
        file.reset(new tRootStorage(true, app.filePath, kModeNoteFile));
        if (FAILED(file->hr) || !BuildNewNoteFile(file)) {
            // What a failed creation left behind can hold nothing: it goes.
            bool leftBehind = file && file->hr != STG_E_FILEALREADYEXISTS;
            file.reset();
            if (leftBehind) RemoveUnfinishedFile(app.filePath);
            std::string message = "Failed to open file: " + app.filePath;
            MessageBoxA(nullptr, message.c_str(), kAppCaption, MB_ICONHAND);
            return false;
        }
        isNew = true;
        break;
    }

    // An existing file is read completely before anything of the open one is
    // given up, so a damaged file leaves the open file, its topics and its
    // appearance as they were.
    tLoadedFile loaded;
    if (!isNew) {
        bool usable = SUCCEEDED(file->hr);
        if (usable) {
            try {
                usable = HasNoteFileClass(file->storage);
                if (usable) ReadNoteFile(*file, AppearanceOf(*this), loaded);
            } catch (const tQuilletError&) {
                usable = false;
            } catch (const std::exception&) {
                usable = false;
            }
        }
        if (!usable) {
            file.reset();
            std::string message =
                app.filePath + " is not a Quillet file, is already open, or cannot be accessed.";
            MessageBoxA(app.frameWnd, message.c_str(), kAppCaption, MB_ICONHAND);
            return false;  // fonts made for the rejected file go with loaded
        }
    }

    // Switch to the new file.
    topics.clear();
    currentTopic = 0;
    delete root;
    root = file.release();

    if (isNew) {
        for (const char* name : kNewFileTopics) {
            tTopic topic;
            topic.name = name;
            topics.push_back(std::move(topic));
        }
        indexOutdated = false;
        backgroundColour = kDefaultBackground;
        textColour = kDefaultTextColour;
        std::memset(customColours, 0, sizeof customColours);
        textLogFont = LOGFONTA{};
        tabLogFont = LOGFONTA{};
        ReplaceFont(editWnd, textFont, nullptr);
        ReplaceFont(tabWnd, tabFont, nullptr);
        uncommitted = false;  // built and committed above
        return true;
    }

    topics = std::move(loaded.topics);
    indexOutdated = loaded.indexOutdated;
    backgroundColour = loaded.appearance.backgroundColour;
    textColour = loaded.appearance.textColour;
    std::memcpy(customColours, loaded.appearance.customColours, sizeof customColours);
    textLogFont = loaded.appearance.textLogFont;
    tabLogFont = loaded.appearance.tabLogFont;
    // A control whose record was not read keeps the font it has.
    if (loaded.fonts.text != tFontRecord::untouched)
        ReplaceFont(editWnd, textFont, loaded.textFont.release());
    if (loaded.fonts.tab != tFontRecord::untouched)
        ReplaceFont(tabWnd, tabFont, loaded.tabFont.release());
    return true;
}
