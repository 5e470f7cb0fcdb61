#include "app/cmdline.h"

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
