#pragma once
// Reads a note file straight through ole32, independent of the program's own
// storage code, to check what the program left on disk.
#include <string>
#include <vector>

struct tNoteOnDisk {
    bool ok = false;
    std::vector<std::string> names;  // Index order
    std::vector<std::string> texts;  // topic streams ("" when missing)
};

tNoteOnDisk ReadNoteOnDisk(const std::string& path);
