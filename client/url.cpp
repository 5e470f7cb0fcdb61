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
    // Each prefix is compared whole, colon (and slashes) included: "news" or "mailto" alone
    // would hand relative paths such as news\..\x.exe to the shell, which runs them.
    static const struct {
        const char* prefix;
        const char* kind;
    } prefixes[] = {
        {"http://", "Web browser"},      {"ftp://", "ftp program"},
        {"mailto:", "email program"},    {"gopher://", "gopher program"},
        {"news:", "news reader"},
    };
    for (const auto& p : prefixes)
        if (text.compare(0, std::strlen(p.prefix), p.prefix) == 0) return p.kind;
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
