// Drives the real Quillet.exe through its printing commands for the printing
// end-to-end script, and makes the note files it prints. Prints what it saw
// (dialog captions and texts) on stdout; exit code 0 when all went as asked.
//   print_driver make-note <file>
//   print_driver print <file> [--printer NAME] [--next] [--selection] [--copies N] [--collate]
//                      [--answer CAPTION]  (a box with this caption is expected and closed)
//                      [--shutdown | --end-session | --quit]  (sent while the job runs)
//   print_driver no-printer <file>
//   print_driver page-setup <file> <left> <top> <right> <bottom>
#include <windows.h>
#include <dlgs.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "base/errors.h"
#include "base/settings.h"
#include "resources/resource.h"
#include "storage/compfile.h"
#include "storage/notefile.h"
#include "storage/topic.h"

namespace {

int Fail(const char* what) {
    std::printf("FAIL: %s\n", what);
    std::fflush(stdout);
    return 1;
}

std::string WindowText(HWND wnd) {
    char text[1024] = {};
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 3000, nullptr);
    return text;
}

// The note file: short topics around one long enough to be split over pages.
int MakeNote(const std::string& path) {
    std::vector<tTopic> topics(4);
    topics[0].name = "Shopping";
    topics[0].text = "Milk\r\nBread\r\n\tApples and pears";
    // Lines filled up to the frame, each with a tab after a run of a different
    // length: some of those tabs fall just short of a stop.
    std::string words;
    for (int i = 0; i < 30; ++i) words += " W";
    for (int run = 1; run <= 8; ++run)
        topics[0].text += "\r\n" + std::string(size_t(run), 'x') + "\t" + words;
    topics[1].name = "Journal";
    for (int line = 1; line <= 220; ++line) {
        char text[80];
        std::snprintf(text, sizeof text, "Journal entry %03d: the quick brown fox", line);
        topics[1].text += text;
        if (line < 220) topics[1].text += "\r\n";
    }
    topics[2].name = "Ideas";
    topics[2].text = "A notebook that prints itself";
    topics[3].name = "Recipes";
    topics[3].text = "Pancakes: flour, eggs, milk";

    CoInitialize(nullptr);
    tNewFileResult written = WriteNewNoteFile(path, topics);
    CoUninitialize();
    return written == tNewFileResult::written ? 0 : Fail("cannot create the note file");
}

class tQuillet {
public:
    explicit tQuillet(const std::string& noteFile) {
        std::string line = std::string("\"") + QUILLET_EXE + "\" /visible \"" + noteFile + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            info = {};
    }
    ~tQuillet() {
        if (!info.hProcess) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 3);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    tQuillet(const tQuillet&) = delete;
    tQuillet& operator=(const tQuillet&) = delete;

    bool WaitForFrame() {
        for (int i = 0; i < 300 && info.hProcess; ++i) {
            for (HWND wnd = FindWindowExA(nullptr, nullptr, "QuilletWndClass", nullptr); wnd;
                 wnd = FindWindowExA(nullptr, wnd, "QuilletWndClass", nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(wnd, &owner);
                if (owner == info.dwProcessId && IsWindowVisible(wnd)) {
                    frame = wnd;
                    return Responsive(5000);
                }
            }
            Sleep(100);
        }
        return false;
    }
    bool Responsive(UINT timeoutMs) const {
        DWORD_PTR result;
        return SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
    }
    // A visible top-level window of the process other than the frame.
    HWND FindDialog(const char* caption = nullptr) const {
        for (HWND wnd = GetTopWindow(nullptr); wnd; wnd = GetWindow(wnd, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(wnd, &owner);
            if (owner != info.dwProcessId || wnd == frame || !IsWindowVisible(wnd)) continue;
            char name[64] = {};
            GetClassNameA(wnd, name, sizeof name);
            if (std::strcmp(name, "#32770") != 0) continue;
            if (caption && WindowText(wnd) != caption) continue;
            return wnd;
        }
        return nullptr;
    }
    HWND WaitForDialog(const char* caption, DWORD timeoutMs) const {
        for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
            if (HWND wnd = FindDialog(caption)) return wnd;
            Sleep(50);
        }
        return nullptr;
    }
    // Waits for the process to end after the shut-down command.
    bool ShutDown() {
        PostMessageA(frame, WM_COMMAND, CM_SHUTDOWN, 0);
        return WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0;
    }

    PROCESS_INFORMATION info = {};
    HWND frame = nullptr;
};

// The text of a message box: its static control with id 0xFFFF.
std::string MessageText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

void Report(HWND dialog) {
    std::printf("dialog: \"%s\" text: \"%s\"\n", WindowText(dialog).c_str(),
                MessageText(dialog).c_str());
    std::fflush(stdout);
}

bool Click(HWND dialog, int button) {
    HWND control = GetDlgItem(dialog, button);
    if (!control) return false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(control));
    for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(50);
    return !IsWindow(dialog) || !IsWindowVisible(dialog);
}

// After a print: the frame enabled again, the "Print" box gone, no message shown.
bool WaitUntilIdle(tQuillet& quillet, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        Sleep(100);
        if (!IsWindowEnabled(quillet.frame)) continue;
        if (HWND dialog = quillet.FindDialog()) {
            if (WindowText(dialog) == "Print") continue;  // the job's box still up
            Report(dialog);
            return false;
        }
        if (quillet.Responsive(2000)) return true;
    }
    return false;
}

int Print(const std::string& path, int argc, char** argv) {
    bool next = false, selection = false, collate = false, shutDown = false;
    const char* ending = nullptr;
    int copies = 1;
    const char* printer = nullptr;
    const char* answer = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--printer") && i + 1 < argc) printer = argv[++i];
        else if (!std::strcmp(argv[i], "--answer") && i + 1 < argc) answer = argv[++i];
        else if (!std::strcmp(argv[i], "--next")) next = true;
        else if (!std::strcmp(argv[i], "--selection")) selection = true;
        else if (!std::strcmp(argv[i], "--collate")) collate = true;
        else if (!std::strcmp(argv[i], "--shutdown") || !std::strcmp(argv[i], "--end-session") ||
                 !std::strcmp(argv[i], "--quit"))
            shutDown = true, ending = argv[i];
        else if (!std::strcmp(argv[i], "--copies") && i + 1 < argc) copies = std::atoi(argv[++i]);
    }
    tQuillet quillet(path);
    if (!quillet.WaitForFrame()) return Fail("no frame window");
    if (next) SendMessageA(quillet.frame, WM_COMMAND, CM_TOPIC_NEXT, 0);
    PostMessageA(quillet.frame, WM_COMMAND, CM_PRINT, 0);
    HWND dialog = quillet.WaitForDialog("Print", 15000);
    if (!dialog) return Fail("no Print dialog");
    if (printer) {
        HWND list = GetDlgItem(dialog, cmb4);
        if (SendMessageA(list, CB_SELECTSTRING, WPARAM(-1), LPARAM(printer)) == CB_ERR)
            return Fail("no such printer");
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(list));
    }
    if (selection) {
        if (!IsWindowEnabled(GetDlgItem(dialog, rad2))) return Fail("selection not offered");
        SendMessageA(GetDlgItem(dialog, rad1), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(dialog, rad2), BM_SETCHECK, BST_CHECKED, 0);
    }
    if (IsWindowEnabled(GetDlgItem(dialog, rad3))) return Fail("page ranges offered");
    char number[16];
    std::snprintf(number, sizeof number, "%d", copies);
    SendMessageA(GetDlgItem(dialog, edt3), WM_SETTEXT, 0, LPARAM(number));
    SendMessageA(GetDlgItem(dialog, chx2), BM_SETCHECK, collate ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Click(dialog, IDOK)) return Fail("Print dialog did not close");
    if (shutDown) {
        // Shut Down (from the tray menu) while the job runs: the job stops and
        // the program ends normally, with no fatal error.
        if (!quillet.WaitForDialog("Print", 30000)) return Fail("no Print box while printing");
        DWORD_PTR ignored = 0;
        if (!std::strcmp(ending, "--end-session"))  // the log-off
            SendMessageTimeoutA(quillet.frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                30000, &ignored);
        else if (!std::strcmp(ending, "--quit"))  // as another program may post it
            PostThreadMessageA(quillet.info.dwThreadId, WM_QUIT, 0, 0);
        else
            PostMessageA(quillet.frame, WM_COMMAND, CM_SHUTDOWN, 0);
        if (WaitForSingleObject(quillet.info.hProcess, 60000) != WAIT_OBJECT_0) {
            if (HWND box = quillet.FindDialog()) Report(box);
            return Fail("Quillet did not end after Shut Down while printing");
        }
        DWORD code = 1;
        GetExitCodeProcess(quillet.info.hProcess, &code);
        if (code != 0) return Fail("Shut Down while printing ended with a failure");
        std::printf("shut down while printing\n");
        return 0;
    }
    if (answer) {
        HWND box = quillet.WaitForDialog(answer, 30000);
        if (!box) return Fail("the expected box did not appear");
        Report(box);
        if (!Click(box, IDOK)) return Fail("box did not close");
    }
    if (!WaitUntilIdle(quillet, 60000)) return Fail("printing did not end cleanly");
    if (!quillet.ShutDown()) return Fail("Quillet did not shut down");
    std::printf("printed\n");
    return 0;
}

DWORD StoredMargin(const char* name) {
    return GetConfigDword(kPrinting, name, 0xDEADBEEF);
}

// Without any printer: each printing command says so and returns, never hangs.
int NoPrinter(const std::string& path) {
    tQuillet quillet(path);
    if (!quillet.WaitForFrame()) return Fail("no frame window");
    const int commands[2] = {CM_PRINT, CM_PAGE_SETUP};
    for (int command : commands) {
        PostMessageA(quillet.frame, WM_COMMAND, command, 0);
        // Whatever the system shows about the missing printer is answered.
        for (int boxes = 0; boxes < 3; ++boxes) {
            HWND dialog = quillet.WaitForDialog(nullptr, boxes == 0 ? 5000 : 1500);
            if (!dialog) break;
            Report(dialog);
            if (!Click(dialog, GetDlgItem(dialog, IDOK) ? IDOK : IDCANCEL))
                return Fail("box did not close");
        }
        if (!quillet.Responsive(5000)) return Fail("Quillet hangs");
        if (quillet.FindDialog()) return Fail("a box is still open");
        if (!IsWindowEnabled(quillet.frame)) return Fail("frame left disabled");
    }
    // Page Setup stores the margins even when it could not run.
    std::printf("margins: %lu %lu %lu %lu\n", StoredMargin("LeftMargin"),
                StoredMargin("TopMargin"), StoredMargin("RightMargin"),
                StoredMargin("BottomMargin"));
    if (!quillet.ShutDown()) return Fail("Quillet did not shut down");
    std::printf("no printer handled\n");
    return 0;
}

// Page Setup with a printer: margins typed into the dialog are stored.
int PageSetup(const std::string& path, char** margins) {
    tQuillet quillet(path);
    if (!quillet.WaitForFrame()) return Fail("no frame window");
    PostMessageA(quillet.frame, WM_COMMAND, CM_PAGE_SETUP, 0);
    HWND dialog = quillet.WaitForDialog(nullptr, 15000);
    if (!dialog) return Fail("no Page Setup dialog");
    Report(dialog);
    const int edits[4] = {edt4, edt5, edt6, edt7};  // left, top, right, bottom
    for (int i = 0; i < 4; ++i) {
        HWND edit = GetDlgItem(dialog, edits[i]);
        if (!edit) return Fail("no margin field");
        SendMessageA(edit, WM_SETTEXT, 0, LPARAM(margins[i]));
    }
    if (!Click(dialog, IDOK)) return Fail("Page Setup did not close");
    if (!quillet.Responsive(5000)) return Fail("Quillet hangs");
    std::printf("margins: %lu %lu %lu %lu\n", StoredMargin("LeftMargin"),
                StoredMargin("TopMargin"), StoredMargin("RightMargin"),
                StoredMargin("BottomMargin"));
    if (!quillet.ShutDown()) return Fail("Quillet did not shut down");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Fail("usage: print_driver command file ...");
    std::string command = argv[1];
    std::string path = argv[2];
    try {
        if (command == "make-note") return MakeNote(path);
        if (command == "print") return Print(path, argc - 3, argv + 3);
        if (command == "no-printer") return NoPrinter(path);
        if (command == "page-setup" && argc == 7) return PageSetup(path, argv + 3);
    } catch (...) {
        return Fail("exception");
    }
    return Fail("unknown command");
}
