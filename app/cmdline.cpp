#include "app/cmdline.h"

namespace {
char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
}  // namespace

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

tCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    tCommandLine result;
    for (const std::string& arg : args) {
        if (SameTextIgnoringCase(arg, "/nosystray")) {
            result.noTray = true;
        } else if (SameTextIgnoringCase(arg, "/visible")) {
            result.startVisible = true;
        } else if (!result.fileGiven) {
            result.fileGiven = true;
            result.filePath = arg;
        } else {
            result.tooManyFiles = true;
            break;
        }
    }
    return result;
}
