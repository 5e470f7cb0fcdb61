#pragma once
// The note file format: what the streams of a note file hold and how a whole
// file is read before the client takes it over.
#include <windows.h>
#include <string>
#include <memory>
#include <vector>
#include "base/handles.h"
#include "storage/topic.h"

#include "storage/compfile.h"
class tStream;

constexpr DWORD kDefaultBackground = 0x0000FFFF;  // yellow
constexpr DWORD kDefaultTextColour = 0x00000000;  // black

// Root class identifier of every note file.
extern const CLSID kNoteFileClassId;

constexpr ULONG kColoursStreamSize = 72;   // background, text, 16 custom colours
constexpr ULONG kFontRecordSize = 60;      // one LOGFONTA
constexpr ULONG kFontStreamSize = 120;     // text font, then tab font

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

// A font made from a description; empty when the height is 0 or creation fails.
tFont MakeFont(const LOGFONTA& description);

// Reads the topic count and the topic names of an "Index" stream. A count the
// stream cannot hold (each record takes at least 4 bytes) or a short record throws.
std::vector<std::string> ReadIndex(tStream& stream);

// Everything read from an existing note file, held apart from the client until
// the file has been read completely.
struct tLoadedFile {
    std::vector<tTopic> topics;
    tAppearanceRecord appearance;
    tFontRecords fonts = {tFontRecord::untouched, tFontRecord::untouched};
    tFont textFont;  // owned until the client takes it
    tFont tabFont;
    // Some names of the Index could not be kept (see StorableTopicNames):
    // those topics were renamed and the Index must be written again.
    bool indexOutdated = false;
};

// Reads an opened note file completely: the index, every topic, the colours and
// the fonts. Fields the file does not set keep the values of current. Throws
// tQuilletError when the file is damaged; nothing of the client is touched.
void ReadNoteFile(tRootStorage& root, const tAppearanceRecord& current, tLoadedFile& file);

// Writes the "Index" stream: the count, then every name in order.
void WriteTopicIndex(IStorage* root, const std::vector<tTopic>& topics);

// Whether "Topics" holds an element of that name, whatever the Index says.
bool TopicElementExists(IStorage* root, const std::string& name);
// The same in an opened storage.
bool ElementExistsIn(IStorage* storage, const std::string& name);

// Whether "Topics" holds an element of that name, whatever the Index says.
bool TopicElementExists(IStorage* root, const std::string& name);
// The same in an opened storage.
bool ElementExistsIn(IStorage* storage, const std::string& name);

// Whether the root's class identifier is the note file's; throws when it
// cannot be read.
bool HasNoteFileClass(IStorage* root);

// Writes the "Colours" and "Font" streams.
void WriteAppearance(IStorage* root, const tAppearanceRecord& appearance);

// An open note file and everything read from it, until its new owner takes it.
struct tNoteFile {
    std::unique_ptr<tRootStorage> root;
    tLoadedFile content;
    bool isNew = false;
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
// colours and no fonts. False when it cannot be made; a file it began and
// could not finish is removed.
bool CreateNoteFile(const std::string& path, const tAppearanceRecord& current, tNoteFile& file);
