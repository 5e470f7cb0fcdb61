// Stands in for the installer's uninstall program in the tests. It writes its
// arguments to the marker file named first, then stays (at most 15 s) until the test sets
// the event named second, and notes whether it was let go or gave up, so a
// test can tell that Unquill did not wait for it.
#include <windows.h>
#include <cstdlib>
#include <fstream>
#include "base/handles.h"

namespace {
void Note(const char* marker, const std::string& line) {
    std::ofstream out(marker, std::ios::app | std::ios::binary);
    out << line << "\n";
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    const char* marker = __argv[1];
    std::string arguments = "started";
    for (int i = 1; i < __argc; ++i) arguments += std::string("|") + __argv[i];
    Note(marker, arguments);
    tHandle release(OpenEventA(SYNCHRONIZE, FALSE, __argv[2]));
    bool released = release && WaitForSingleObject(release.get(), 15000) == WAIT_OBJECT_0;
    Note(marker, released ? "released" : "gave up");
    return 0;
}
