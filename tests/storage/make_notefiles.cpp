// Writes note files through the program's own storage layer, for a check by an
// independent compound-file reader (check_notefiles.py).
//   make_notefiles <folder>
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "base/errors.h"
#include "app/globals.h"
#include "client/client.h"
#include "storage/compfile.h"

namespace {

std::string LongText() {
    std::string text;
    for (int line = 0; line < 800; ++line)
        text += "Line " + std::to_string(line) + " of a long topic\r\n";
    return text;
}

// Opens path (created when missing) in the client.
void Open(tQuilletClient& client, const std::string& path) {
    if (!OpenFileInClient(client, path, false)) throw tQuilletError{"cannot open"};
}

void Close(tQuilletClient& client) {
    client.SaveTopics(true);
    client.Commit();
    client.root.reset();
}

void AddTopic(tQuilletClient& client, const std::string& name, const std::string& text) {
    tTopic topic;
    topic.name = name;
    topic.text = text;
    client.notebook.topics.push_back(topic);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_notefiles <folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    CoInitialize(nullptr);
    app.noTray = true;
    int result = 0;
    try {
        tQuilletClient client{tQuilletClient::tForTests{}};

        // A new file, exactly as LoadFile makes it.
        Open(client, folder + "\\new.qld");
        Close(client);

        // Several topics, written as the program writes them.
        Open(client, folder + "\\topics.qld");
        client.notebook.topics.clear();
        AddTopic(client, "To-do", "Buy milk\r\nCall Anna\r\n");
        AddTopic(client, "Notes", "");
        AddTopic(client, "Shopping list", "bread, butter");
        AddTopic(client, "12345678901234567890", LongText());
        AddTopic(client, "a  b", "two blanks");
        AddTopic(client, "Caf\xE9", "na\xEFve \xE4\xF6\xFC");
        {
            tStorage topics(client.root->storage, "Topics", kModeDirectReadWrite);
            topics.storage->DestroyElement(L"Notes");  // listed, but without a stream
        }
        for (tTopic& topic : client.notebook.topics)
            if (topic.name != "Notes") topic.Save(*client.root, true);
        client.WriteIndex(*client.root);
        Close(client);

        // Colours and fonts.
        Open(client, folder + "\\appearance.qld");
        client.backgroundColour = 0x00112233;
        client.textColour = 0x00445566;
        for (int i = 0; i < 16; ++i) client.customColours[i] = COLORREF(i * 0x00010203);
        std::memset(&client.textLogFont, 0, sizeof client.textLogFont);
        client.textLogFont.lfHeight = -13;
        client.textLogFont.lfWeight = FW_BOLD;
        lstrcpynA(client.textLogFont.lfFaceName, "Courier New", LF_FACESIZE);
        std::memset(&client.tabLogFont, 0, sizeof client.tabLogFont);  // no tab font
        client.WriteAppearance();
        Close(client);
    } catch (const tQuilletError& error) {
        std::fprintf(stderr, "make_notefiles: failed%s%s\n", error.message ? ": " : "",
                     error.message ? error.message : "");
        result = 1;
    }
    CoUninitialize();
    return result;
}
