#pragma once
// Recovering the notes of a damaged note file into a new note file beside it.
// The damaged file is only ever read.
#include <string>
#include <vector>

// Whether the file at path may hold notes worth recovering (see MayHoldNotes);
// false when it cannot be read, or is in use or may not be written (it may
// well be whole then).
bool MayRecoverNotes(const std::string& path);

// "<name> (recovered).qld" beside the file at path; from number 2 on,
// "<name> (recovered 2).qld" and so on.
std::string RecoveredFileName(const std::string& path, int number);

struct tRecovery {
    enum tResult {
        recovered,    // written into the new file at path
        nothingFound, // no topic could be read
        notRead,      // the damaged file could not be read
        notWritten    // no new file could be made or written beside it
    } result = notRead;
    std::string path;  // the new file (also when it could not be written)
    size_t whole = 0;
    size_t inPart = 0;
    std::vector<std::string> lost;  // topics the Index names that could not be read
};

// Reads every topic it can from the file at path and writes them, with the
// appearance where it is whole, into a new note file beside it.
tRecovery RecoverNotes(const std::string& path);
