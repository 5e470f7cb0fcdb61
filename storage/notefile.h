#pragma once
// The note file format: what the streams of a note file hold, how a whole
// file is read before the client takes it over, and how its elements are
// written.
#include <windows.h>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "storage/compfile.h"
#include "storage/topic.h"

class tOpenNoteFile;

constexpr DWORD kDefaultBackground = 0x0000FFFF;  // yellow
constexpr DWORD kDefaultTextColour = 0x00000000;  // black

// Root class identifier of every note file.
extern const CLSID kNoteFileClassId;

constexpr ULONG kColoursStreamSize = 72;   // background, text, 16 custom colours
constexpr ULONG kFontRecordSize = 60;      // one LOGFONTA
constexpr ULONG kFontStreamSize = 120;     // text font, then tab font

// The topics every new note file starts with, in order.
extern const char* const kNewFileTopics[2];

// Colours and font descriptions as a note file stores them.
struct tAppearanceRecord {
    COLORREF backgroundColour;
    COLORREF textColour;
    COLORREF customColours[16];
    LOGFONTA textLogFont;
    LOGFONTA tabLogFont;
};

// Sets the three colour fields to their defaults: yellow, black, no custom colours.
void SetDefaultColours(tAppearanceRecord& appearance);

// Reads the "Colours" fields in turn. The first field that comes back short gets
// its default and ends the reading; the fields after it keep their values.
void ReadColours(tStream& stream, tAppearanceRecord& appearance);

// What the "Font" stream said about one control's font.
enum class tFontRecord {
    untouched,  // not read: the control keeps the font it has
    none,       // no font (short record or height 0; the height is then 0)
    chosen      // the description names a font
};
struct tFontRecords {
    tFontRecord text;
    tFontRecord tab;
};

// Reads the two 60-byte descriptions of the "Font" stream into the record.
tFontRecords ReadFonts(tStream& stream, tAppearanceRecord& appearance);

// Reads the topic count and the topic names of an "Index" stream. A count the
// stream cannot hold (each record takes at least 4 bytes) or a short record throws.
std::vector<std::string> ReadIndex(tStream& stream);

// Names of elements as the file compares them (see ElementKey).
using tElementKeys = std::set<std::wstring>;

// Everything read from an existing note file, held apart from the client until
// the file has been read completely.
struct tLoadedFile {
    std::vector<tTopic> topics;
    tAppearanceRecord appearance;
    tFontRecords fonts = {tFontRecord::untouched, tFontRecord::untouched};
    // Some names of the Index could not be kept (see StorableTopicNames):
    // those topics were renamed and the Index must be written again.
    bool indexOutdated = false;
    // Elements of "Topics" that no name of the Index owns: kept as they are,
    // and no topic may take their names.
    tElementKeys otherElements;
    // The file has a "Colours" or a "Font" stream.
    bool hasAppearance = false;
};

// Reads an opened note file completely: the index, every topic, the colours and
// the fonts. Fields the file does not set keep the values of current. Throws
// tQuilletError when the file is damaged; nothing of the client is touched.
void ReadNoteFile(IStorage* root, const tAppearanceRecord& current, tLoadedFile& file);

// Whether the root's class identifier is the note file's; throws when it
// cannot be read.
bool HasNoteFileClass(IStorage* root);

// Writing into a root; every failure throws tQuilletError.
// The "Index" stream: the count, then every name in order.
void WriteTopicIndex(IStorage* root, const std::vector<tTopic>& topics);
// The "Colours" and "Font" streams.
void WriteAppearance(IStorage* root, const tAppearanceRecord& appearance);
// A topic's stream in "Topics", made anew with the text.
void WriteTopicText(IStorage* root, const std::string& name, const std::string& text);
// Removes a topic's stream from "Topics"; one that is not there is no failure.
void DestroyTopicElement(IStorage* root, const std::string& name);
// The stream of a renamed topic: under its new name, with its text. A change
// of letter case only renames nothing, as element names ignore case.
void RenameTopicElement(IStorage* root, const std::string& from, const std::string& to,
                        const std::string& text);

// A whole note file written into root: the class identifier, "Topics" with a
// stream per topic, the "Index" and, when given, the appearance. Elements of
// "Topics" that belong to no topic and are not in keep go. Used for new files,
// the emergency save and a file written again after the disk refused it.
void WriteNoteFile(IStorage* root, const std::vector<tTopic>& topics,
                   const tAppearanceRecord* appearance, const tElementKeys& keep);

// An open note file and everything read from it, until its new owner takes it.
struct tNoteFile {
    std::unique_ptr<tOpenNoteFile> file;
    tLoadedFile content;
    bool isNew = false;
    tNoteFile();
    tNoteFile(tNoteFile&&) noexcept;
    tNoteFile& operator=(tNoteFile&&) noexcept;
    ~tNoteFile();
};

enum class tReadResult {
    read,
    notFound,  // nothing at path
    unusable   // not a note file, already open, damaged or not accessible
};

// Opens the note file at path and reads it completely. Fields the file does
// not set keep the values of current. Only on read is file filled in.
tReadResult OpenNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file);

// Creates and commits a note file at path with the first two topics, default
// colours and no fonts. False when it cannot be made; nothing is left behind.
bool CreateNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file);

// Writes topics as a new note file at path, as the emergency save (no
// appearance) and the recovery of a damaged file do.
tNewFileResult WriteNewNoteFile(const std::string& path, const std::vector<tTopic>& topics,
                                const tAppearanceRecord* appearance = nullptr);
