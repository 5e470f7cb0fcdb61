#include "client/search.h"

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

namespace {

bool BoundedAsWord(const std::string& text, size_t at, size_t length) {
    if (at > 0 && IsWordChar(text[at - 1])) return false;
    size_t end = at + length;
    return end >= text.size() || !IsWordChar(text[end]);
}

}  // namespace

size_t Search(const std::string& text, const std::string& pattern, size_t selStart, size_t selEnd,
              tDirection direction, bool wholeWord) {
    bool down = direction == tDirection::down;
    if (pattern.empty() || pattern.size() > text.size()) return kNoMatch;
    for (;;) {
        size_t at;
        if (down) {
            if (selEnd > text.size()) return kNoMatch;
            at = text.find(pattern, selEnd);
        } else {
            if (selStart == 0) return kNoMatch;
            at = text.rfind(pattern, selStart - 1);
        }
        if (at == kNoMatch) return kNoMatch;
        if (!wholeWord || BoundedAsWord(text, at, pattern.size())) return at;
        // Rejected: try again beyond it, which also skips overlapping occurrences.
        if (down)
            selEnd = at + pattern.size();
        else
            selStart = at;
    }
}

bool SelectionIsOccurrence(const std::string& text, const std::string& pattern, size_t start,
                           size_t end, bool wholeWord) {
    if (pattern.empty() || end < start || end > text.size()) return false;
    if (end - start != pattern.size()) return false;
    if (text.compare(start, pattern.size(), pattern) != 0) return false;
    return !wholeWord || BoundedAsWord(text, start, pattern.size());
}

size_t ReplaceAllInText(std::string& text, size_t start, const std::string& pattern,
                        const std::string& replacement, bool matchCase, bool wholeWord) {
    if (pattern.empty() || start > text.size()) return 0;
    std::string result = text.substr(0, start);
    result.reserve(text.size());
    bool boundary = start == 0 || !IsWordChar(text[start - 1]);
    size_t count = 0;
    size_t pos = start;
    while (pos < text.size()) {
        bool match = pos + pattern.size() <= text.size();
        for (size_t i = 0; match && i < pattern.size(); ++i)
            match = matchCase ? text[pos + i] == pattern[i]
                              : FoldAscii(text[pos + i]) == FoldAscii(pattern[i]);
        if (match && wholeWord) {
            size_t after = pos + pattern.size();
            match = boundary && (after >= text.size() || !IsWordChar(text[after]));
        }
        if (match) {
            result += replacement;
            pos += pattern.size();
            boundary = !IsWordChar(pattern.back());
            ++count;
        } else {
            boundary = !IsWordChar(text[pos]);
            result += text[pos];
            ++pos;
        }
    }
    if (count) text.swap(result);
    return count;
}
