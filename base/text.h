#pragma once
// Letter case as the program compares it: the ASCII letters only, so that
// positions and lengths never change and other bytes are never touched.
#include <string>

inline char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// a-z to A-Z; nothing else changes.
std::string UpperAscii(std::string text);
// The same into out, reusing its memory, eight bytes at a time.
void UpperAsciiInto(const std::string& text, std::string& out);

bool SameTextIgnoringCase(const std::string& a, const std::string& b);
