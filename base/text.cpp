#include "base/text.h"

std::string UpperAscii(std::string text) {
    for (char& c : text) c = FoldAscii(c);
    return text;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}
