#pragma once
// What a selection is, for the smart context menu: a URL, a path, or nothing.
#include <string>

bool IsMenuWhitespace(char c);
// The selected text with whitespace trimmed from both ends (empty when none).
std::string SelectionCandidate(const std::string& text, size_t start, size_t end);
// The kind of program for the first URL prefix the text starts with, or null.
const char* UrlProgramKind(const std::string& text);
bool HasWhitespace(const std::string& text);
// A drive path ("C:...") or a network path ("\\server...").
bool LooksLikeFullPath(const std::string& text);
