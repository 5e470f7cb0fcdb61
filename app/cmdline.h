#pragma once
#include <string>
#include <vector>

struct tCommandLine {
    bool noTray = false;        // "/nosystray"
    bool startVisible = false;  // "/visible"
    bool fileGiven = false;
    bool tooManyFiles = false;  // a second file name: the program must end
    std::string filePath;       // as written
};

// args excludes the program name.
tCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Compares without regard to case for the ASCII letters only.
bool SameTextIgnoringCase(const std::string& a, const std::string& b);
