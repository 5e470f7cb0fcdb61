#pragma once
// One topic of the note file: a named page of plain text.
#include <string>

struct tTopic {
    std::string name;
    std::string text;
    bool modified = false;  // holds what was not written into the file yet
};
