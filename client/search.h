#pragma once
// Find and replace over a topic's bytes, without any window.
#include <cstddef>
#include <string>
#include "base/text.h"

constexpr size_t kNoMatch = std::string::npos;

// ASCII letters and digits only; every other byte (0x80 and up too) is not.
bool IsWordChar(char c);

enum class tDirection { down, up };

// The occurrence of pattern searched from the selection: down from selEnd, or
// up before selStart. An empty pattern never matches.
size_t Search(const std::string& text, const std::string& pattern, size_t selStart, size_t selEnd,
              tDirection direction, bool wholeWord);

// True when the selection [start, end) is itself an occurrence.
bool SelectionIsOccurrence(const std::string& text, const std::string& pattern, size_t start,
                           size_t end, bool wholeWord);

// Replaces every occurrence from position start on; text before start is kept.
// Returns the number of replacements; never searches inserted text again.
size_t ReplaceAllInText(std::string& text, size_t start, const std::string& pattern,
                        const std::string& replacement, bool matchCase, bool wholeWord);
