#include "storage/compound_format.h"
#include <cstring>

const unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

tCompoundHeader ReadCompoundHeader(const unsigned char* header) {
    tCompoundHeader h;
    h.signature = std::memcmp(header, kCompoundSignature, sizeof kCompoundSignature) == 0;
    h.sectorShift = Le16(header + 0x1E);
    h.miniSectorShift = Le16(header + 0x20);
    h.fatCount = Le32(header + 0x2C);
    h.directoryStart = Le32(header + 0x30);
    h.miniStreamCutoff = Le32(header + 0x38);
    h.miniFatStart = Le32(header + 0x3C);
    h.difatStart = Le32(header + 0x44);
    h.difatCount = Le32(header + 0x48);
    h.bytes = header;
    return h;
}

bool tDirectoryEntry::NameTerminated() const {
    for (size_t k = 0; k < kNameChars; ++k)
        if (Le16(bytes + 2 * k) == 0) return true;
    return false;
}

std::u16string tDirectoryEntry::Name() const {
    std::u16string name;
    for (size_t k = 0; k < kNameChars; ++k) {
        char16_t c = char16_t(Le16(bytes + 2 * k));
        if (c == 0) break;
        name += c;
    }
    return name;
}
