#include "base/text.h"
#include <cstdint>
#include <cstring>

std::string UpperAscii(std::string text) {
    for (char& c : text) c = FoldAscii(c);
    return text;
}

void UpperAsciiInto(const std::string& text, std::string& out) {
    out.resize(text.size());
    const char* from = text.data();
    char* to = &out[0];
    const size_t size = text.size();
    constexpr uint64_t ones = 0x0101010101010101u, highBits = ones * 0x80;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t bytes;
        std::memcpy(&bytes, from + i, 8);
        // Per byte below 0x80: the high bit set from 'a' up, and from past 'z' up;
        // no sum carries into the next byte.
        uint64_t low = bytes & ~highBits;
        uint64_t fromA = low + ones * (0x80 - 'a');
        uint64_t pastZ = low + ones * (0x80 - 'z' - 1);
        uint64_t lower = fromA & ~pastZ & ~bytes & highBits;
        bytes -= lower >> 2;  // 0x20 off each lower-case letter
        std::memcpy(to + i, &bytes, 8);
    }
    for (; i < size; ++i) to[i] = FoldAscii(from[i]);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}
