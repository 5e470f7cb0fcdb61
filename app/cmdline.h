#pragma once
#include <string>
#include <vector>
#include "base/text.h"

struct tCommandLine {
    bool noTray = false;        // "/nosystray"
    bool startVisible = false;  // "/visible"
    bool fileGiven = false;
    bool tooManyFiles = false;  // a second file name: the program must end
    std::string filePath;       // as written
};

// args excludes the program name.
tCommandLine ParseCommandLine(const std::vector<std::string>& args);
