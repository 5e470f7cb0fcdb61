#pragma once
// One topic of the note file: a named page of plain text.
#include <string>

class tTopic {
public:
    std::string name;
    std::string text;
    bool modified = false;  // differs from what was last committed
    bool written = false;   // written to the file since the last commit

    void MarkModified() { modified = true; written = false; }
    void AfterCommit() { if (written) { modified = false; written = false; } }
};
