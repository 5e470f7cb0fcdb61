#include "client/url.h"
#include <cstring>

bool IsMenuWhitespace(char c) {
    return c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 32;
}

std::string SelectionCandidate(const std::string& text, size_t start, size_t end) {
    if (end > text.size()) end = text.size();
    if (start >= end) return std::string();
    while (start < end && IsMenuWhitespace(text[start])) ++start;
    while (end > start && IsMenuWhitespace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

const char* UrlProgramKind(const std::string& text) {
    static const struct {
        const char* prefix;
        size_t compared;  // "mailto" and "news" are taken without their colon
        const char* kind;
    } prefixes[] = {
        {"http://", 7, "Web browser"},     {"ftp://", 6, "ftp program"},
        {"mailto:", 6, "email program"},   {"gopher://", 9, "gopher program"},
        {"news:", 4, "news reader"},
    };
    for (const auto& p : prefixes)
        if (text.size() >= p.compared && std::memcmp(text.data(), p.prefix, p.compared) == 0)
            return p.kind;
    return nullptr;
}

bool HasWhitespace(const std::string& text) {
    for (char c : text)
        if (IsMenuWhitespace(c)) return true;
    return false;
}

bool LooksLikeFullPath(const std::string& text) {
    return (text.size() >= 2 && text[1] == ':') || text.compare(0, 2, "\\\\") == 0;
}
