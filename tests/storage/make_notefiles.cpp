// Writes note files through the program's own storage layer, for a check by an
// independent compound-file reader (check_notefiles.py).
//   make_notefiles <folder>
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "base/errors.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage/open_note_file.h"

namespace {

std::string LongText() {
    std::string text;
    for (int line = 0; line < 800; ++line)
        text += "Line " + std::to_string(line) + " of a long topic\r\n";
    return text;
}

tTopic Topic(const std::string& name, const std::string& text) {
    tTopic topic;
    topic.name = name;
    topic.text = text;
    return topic;
}

tAppearanceRecord Defaults() {
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    return appearance;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_notefiles <folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    CoInitialize(nullptr);
    int result = 0;
    try {
        // A new file, exactly as the program makes it.
        {
            tNoteFile file;
            if (!CreateNoteFile(folder + "\\new.qld", Defaults(), file)) throw tQuilletError{"new"};
        }

        // Several topics, written as the program writes a whole file.
        {
            tRootStorage root(tHow::create, folder + "\\topics.qld", kModeNoteFile);
            std::vector<tTopic> topics = {
                Topic("To-do", "Buy milk\r\nCall Anna\r\n"), Topic("Notes", ""),
                Topic("Shopping list", "bread, butter"), Topic("12345678901234567890", LongText()),
                Topic("a  b", "two blanks"), Topic("Caf\xE9", "na\xEFve \xE4\xF6\xFC")};
            WriteNoteFile(root.Get(), topics, nullptr, tElementKeys());
            DestroyTopicElement(root.Get(), "Notes");  // listed, but without a stream
            CheckHr(root.Commit());
        }

        // Colours and fonts, written into a new file as the Appearance page does.
        {
            tNoteFile file;
            if (!CreateNoteFile(folder + "\\appearance.qld", Defaults(), file))
                throw tQuilletError{"appearance"};
            tAppearanceRecord appearance = Defaults();
            appearance.backgroundColour = 0x00112233;
            appearance.textColour = 0x00445566;
            for (int i = 0; i < 16; ++i) appearance.customColours[i] = COLORREF(i * 0x00010203);
            appearance.textLogFont.lfHeight = -13;
            appearance.textLogFont.lfWeight = FW_BOLD;
            lstrcpynA(appearance.textLogFont.lfFaceName, "Courier New", LF_FACESIZE);
            if (!file.file->WriteAppearance(appearance) || !file.file->Commit())
                throw tQuilletError{"appearance"};
        }
    } catch (const tQuilletError& error) {
        std::fprintf(stderr, "make_notefiles: failed%s%s\n", error.message ? ": " : "",
                     error.message ? error.message : "");
        result = 1;
    }
    CoUninitialize();
    return result;
}
