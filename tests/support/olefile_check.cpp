#include "support/olefile_check.h"
#include <windows.h>
#include <fstream>

void KeepForOlefileCheck(const std::string& notePath, const std::string& label,
                         const std::vector<std::string>& names,
                         const std::vector<std::string>& texts) {
    char out[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QUILLET_OLEFILE_OUT", out, sizeof out)) return;
    std::string target = std::string(out) + "\\" + label;
    CopyFileA(notePath.c_str(), (target + ".qld").c_str(), FALSE);
    // One line per topic: name, a tab, the text with line ends written as \n.
    std::ofstream expected(target + ".expected", std::ios::binary);
    for (size_t i = 0; i < names.size(); ++i) {
        std::string text;
        for (char c : texts[i]) text += c == '\n' ? std::string("\\n") : std::string(1, c);
        expected << names[i] << '\t' << text << '\n';
    }
}
