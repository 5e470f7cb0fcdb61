#include "storage/recover_notes.h"
#include "base/handles.h"
#include "storage/note_salvage.h"
#include "storage/notefile.h"
#include "storage/topic_names.h"
#include <cstring>
#include <new>

namespace {

// Far beyond any note file, and still within what a 32-bit process can hold twice.
constexpr LONGLONG kLargestFile = LONGLONG(256) << 20;

// The whole file, read with others free to read it too; false when it cannot be.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    tFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestFile) return false;
    try {
        bytes.resize(size_t(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t at = 0; at < bytes.size();) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &bytes[at], DWORD(bytes.size() - at), &got, nullptr) || got == 0)
            return false;
        at += got;
    }
    return true;
}

const unsigned char* Data(const std::string& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

std::string ToNarrow(const std::u16string& name) {
    std::wstring wide(name.begin(), name.end());
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string narrow(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &narrow[0], size, nullptr, nullptr);
    return narrow;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

bool MayRecoverNotes(const std::string& path) {
    // A file in use or one that may not be written failed for that reason,
    // not for what it holds.
    if (!tFileHandle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)))
        return false;
    std::string bytes;
    return ReadWholeFile(path, bytes) && MayHoldNotes(Data(bytes), bytes.size());
}

std::string RecoveredFileName(const std::string& path, int number) {
    std::string stem = path;
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/:");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.resize(dot);
    std::string mark = number < 2 ? " (recovered)" : " (recovered " + std::to_string(number) + ")";
    return stem + mark + ".qld";
}

tRecovery RecoverNotes(const std::string& path) {
    tRecovery recovery;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return recovery;
    tSalvagedNotes notes;
    try {
        notes = SalvageNotes(Data(bytes), bytes.size(), ToNarrow);
    } catch (const std::bad_alloc&) {
        return recovery;
    }
    bytes = std::string();
    recovery.whole = notes.WholeCount();
    recovery.inPart = notes.InPartCount();
    recovery.lost = notes.lost;
    if (notes.topics.empty()) {
        recovery.result = tRecovery::nothingFound;
        return recovery;
    }

    // Names the Index held may not all be storable; they are made so as on loading.
    std::vector<std::string> names;
    for (const tSalvagedTopic& topic : notes.topics) names.push_back(topic.name);
    names = StorableTopicNames(names, [](const std::string&) { return false; });
    std::vector<tTopic> topics(notes.topics.size());
    for (size_t i = 0; i < topics.size(); ++i) {
        topics[i].name = names[i];
        topics[i].text = std::move(notes.topics[i].text);
    }
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    if (!notes.colours.empty()) {
        std::memcpy(&appearance.backgroundColour, notes.colours.data(), 4);
        std::memcpy(&appearance.textColour, notes.colours.data() + 4, 4);
        std::memcpy(appearance.customColours, notes.colours.data() + 8, sizeof appearance.customColours);
    }
    if (!notes.font.empty()) {
        std::memcpy(&appearance.textLogFont, notes.font.data(), kFontRecordSize);
        std::memcpy(&appearance.tabLogFont, notes.font.data() + kFontRecordSize, kFontRecordSize);
        appearance.textLogFont.lfFaceName[LF_FACESIZE - 1] = '\0';
        appearance.tabLogFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    }
    const bool hasAppearance = !notes.colours.empty() || !notes.font.empty();

    recovery.result = tRecovery::notWritten;
    for (int number = 1; number < 1000; ++number) {
        recovery.path = RecoveredFileName(path, number);
        if (FileExists(recovery.path)) continue;
        if (WriteNewNoteFile(recovery.path, topics, hasAppearance ? &appearance : nullptr) ==
            tNewFileResult::written)
            recovery.result = tRecovery::recovered;
        break;
    }
    return recovery;
}
