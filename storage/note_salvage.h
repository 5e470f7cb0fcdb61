#pragma once
// The notes that can still be read from a damaged note file: every topic
// stream whose record is whole, those cut short as far as they go, and the
// appearance where it is whole. Nothing is made up: no text that was not in
// the file, no topic twice. Plain C++ over bytes, as the compound-file reading
// below it.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// First line of a topic whose text was cut short or lost some bytes, so that
// the user sees it; where bytes were lost inside the text, kLostBytesMark
// stands in for them.
extern const char kRecoveredInPartLine[];
extern const char kLostBytesMark[];

struct tSalvagedTopic {
    std::string name;
    std::string text;   // a topic in part starts with kRecoveredInPartLine
    bool whole = true;
};

struct tSalvagedNotes {
    // In the Index's order, then the topics the Index does not name, by name.
    std::vector<tSalvagedTopic> topics;
    // Topics whose text could not be read at all: named by the Index without
    // a stream that could be found, or with a stream that holds none of it.
    std::vector<std::string> lost;
    std::string colours;  // the whole "Colours" stream, or empty
    std::string font;     // the whole "Font" stream, or empty
    size_t WholeCount() const;
    size_t InPartCount() const;
};

// An element name in the narrow form the Index holds.
using tToNarrowName = std::function<std::string(const std::u16string&)>;

tSalvagedNotes SalvageNotes(const unsigned char* bytes, size_t size, const tToNarrowName& toNarrow);

// Whether bytes (the start of a file, or all of it) are worth recovering
// notes from: the compound-file signature, unless the file is a sound
// compound file of another kind, or the note file's class identifier on
// its root.
bool MayHoldNotes(const unsigned char* bytes, size_t size);
