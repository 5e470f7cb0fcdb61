// Prints what the recovery reads from each file named, one line per file:
// the file, then per topic "W" (whole) or "P" (in part), its name and its text
// in hex, then per lost topic "L" and its name. Built natively by
// bench/recovery_corpus; names are taken as Latin-1.
#include "storage/note_salvage.h"
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex.empty() ? "-" : hex;
}

}  // namespace

int main(int argc, char** argv) {
    auto narrow = [](const std::u16string& name) {
        std::string s;
        for (char16_t c : name) s += char(c < 256 ? c : '?');
        return s;
    };
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const tSalvagedNotes notes =
            SalvageNotes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), narrow);
        std::printf("%s", argv[i]);
        for (const tSalvagedTopic& topic : notes.topics)
            std::printf(" %s:%s:%s", topic.whole ? "W" : "P", Hex(topic.name).c_str(), Hex(topic.text).c_str());
        for (const std::string& name : notes.lost) std::printf(" L:%s", Hex(name).c_str());
        std::printf("\n");
    }
    return 0;
}
