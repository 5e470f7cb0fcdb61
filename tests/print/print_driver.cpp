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
#include "base/settings.h"
#include "resources/resource.h"
#include "storage/notefile.h"
#include "storage/topic.h"
#include "support/quillet_process.h"

namespace {

int Fail(const std::string& what) {
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    return 1;
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

void Report(const tForeignDialog& dialog) {
    std::printf("dialog: \"%s\" text: \"%s\"\n", dialog.caption.c_str(), dialog.text.c_str());
    std::fflush(stdout);
}

bool ShutDown(tQuilletProcess& quillet) {
    quillet.PostCommand(CM_SHUTDOWN);
    return quillet.WaitForExit(20000) != STILL_ACTIVE;
}

// After a print: the command carried out, the frame enabled again, no message
// shown. The job's own "Print" box is not a message (and answers only between pages).
bool WaitUntilIdle(tQuilletProcess& quillet, const std::atomic<bool>& carried) {
    HWND box = nullptr;
    auto message = [&] {
        box = nullptr;
        for (HWND dialog : Dialogs(quillet.id()))
            if (!box && CaptionOf(dialog) != "Print") box = dialog;
        return box != nullptr;
    };
    WaitUntil([&] { return carried || message(); }, 120000, 50);
    if (message()) Report({box, CaptionOf(box), MessageText(box)});
    return carried && !box && IsWindowEnabled(quillet.frame());
}

int Print(const std::string& path, int argc, char** argv) {
    bool next = false, selection = false, collate = false;
    int copies = 1;
    const char *printer = nullptr, *answer = nullptr, *ending = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--printer") && i + 1 < argc) printer = argv[++i];
        else if (!std::strcmp(argv[i], "--answer") && i + 1 < argc) answer = argv[++i];
        else if (!std::strcmp(argv[i], "--next")) next = true;
        else if (!std::strcmp(argv[i], "--selection")) selection = true;
        else if (!std::strcmp(argv[i], "--collate")) collate = true;
        else if (!std::strcmp(argv[i], "--shutdown") || !std::strcmp(argv[i], "--end-session") ||
                 !std::strcmp(argv[i], "--quit"))
            ending = argv[i];
        else if (!std::strcmp(argv[i], "--copies") && i + 1 < argc) copies = std::atoi(argv[++i]);
    }
    tQuilletProcess quillet("/visible \"" + path + "\"");
    if (!quillet.WaitForMainWindow(30000)) return Fail("no frame window");
    if (next) quillet.Command(CM_TOPIC_NEXT);
    // Its answer comes once the dialog, the job and any box the job shows are done.
    auto carried = quillet.SendCommand(CM_PRINT, 180000);
    tForeignDialog dialog;
    if (!WaitForDialog(quillet.id(), dialog, "Print", 15000)) return Fail("no Print dialog");
    // A box of that caption says the system knows no printer.
    if (!dialog.text.empty()) return Fail("a box instead of the Print dialog: " + dialog.text);
    if (printer) {
        HWND list = GetDlgItem(dialog, cmb4);
        if (Ask(list, CB_SELECTSTRING, WPARAM(-1), LPARAM(printer)) == CB_ERR)
            return Fail("no such printer");
        Ask(dialog, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(list));
    }
    if (selection) {
        if (!IsWindowEnabled(GetDlgItem(dialog, rad2))) return Fail("selection not offered");
        Ask(GetDlgItem(dialog, rad1), BM_SETCHECK, BST_UNCHECKED);
        Ask(GetDlgItem(dialog, rad2), BM_SETCHECK, BST_CHECKED);
    }
    if (IsWindowEnabled(GetDlgItem(dialog, rad3))) return Fail("page ranges offered");
    SetDialogItemText(dialog, edt3, std::to_string(copies));
    Ask(GetDlgItem(dialog, chx2), BM_SETCHECK, collate ? BST_CHECKED : BST_UNCHECKED);
    if (!PressButton(dialog, IDOK)) return Fail("Print dialog did not close");
    if (ending) {
        // Shut Down (from the tray menu) while the job runs: the job stops and
        // the program ends normally, with no fatal error.
        if (!WaitUntil([&] { return !Dialogs(quillet.id(), "Print").empty(); }, 30000))
            return Fail("no Print box while printing");
        DWORD_PTR ignored = 0;
        if (!std::strcmp(ending, "--end-session"))  // the log-off
            SendMessageTimeoutA(quillet.frame(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                SMTO_NORMAL, 30000, &ignored);
        else if (!std::strcmp(ending, "--quit"))  // as another program may post it
            PostThreadMessageA(quillet.threadId(), WM_QUIT, 0, 0);
        else
            quillet.PostCommand(CM_SHUTDOWN);
        DWORD code = quillet.WaitForExit(60000);
        if (code == STILL_ACTIVE) {
            if (DialogShown(quillet.id(), nullptr, dialog)) Report(dialog);
            return Fail("Quillet did not end after Shut Down while printing");
        }
        if (code != 0) return Fail("Shut Down while printing ended with a failure");
        std::printf("shut down while printing\n");
        return 0;
    }
    if (answer) {
        if (!WaitForDialog(quillet.id(), dialog, answer, 30000))
            return Fail("the expected box did not appear");
        Report(dialog);
        if (!PressButton(dialog, IDOK)) return Fail("box did not close");
    }
    if (!WaitUntilIdle(quillet, *carried)) return Fail("printing did not end cleanly");
    if (!ShutDown(quillet)) return Fail("Quillet did not shut down");
    std::printf("printed\n");
    return 0;
}

void PrintMargins() {
    std::printf("margins:");
    for (const char* side : {"LeftMargin", "TopMargin", "RightMargin", "BottomMargin"})
        std::printf(" %lu", GetConfigDword(kPrinting, side, 0xDEADBEEF));
    std::printf("\n");
}

// Without any printer: each printing command says so and returns, never hangs.
int NoPrinter(const std::string& path) {
    tQuilletProcess quillet("/visible \"" + path + "\"");
    if (!quillet.WaitForMainWindow(30000)) return Fail("no frame window");
    for (int command : {CM_PRINT, CM_PAGE_SETUP}) {
        quillet.PostCommand(command);
        // Whatever the system shows about the missing printer is answered.
        tForeignDialog dialog;
        for (int boxes = 0; boxes < 3; ++boxes) {
            if (!WaitForDialog(quillet.id(), dialog, nullptr, boxes == 0 ? 5000 : 1500)) break;
            Report(dialog);
            if (!PressButton(dialog, GetDlgItem(dialog, IDOK) ? IDOK : IDCANCEL))
                return Fail("box did not close");
        }
        if (!StaysOpen(quillet.frame())) return Fail("Quillet hangs");
        if (!Dialogs(quillet.id()).empty()) return Fail("a box is still open");
        if (!IsWindowEnabled(quillet.frame())) return Fail("frame left disabled");
    }
    // Page Setup stores the margins even when it could not run.
    PrintMargins();
    if (!ShutDown(quillet)) return Fail("Quillet did not shut down");
    std::printf("no printer handled\n");
    return 0;
}

// Page Setup with a printer: margins typed into the dialog are stored.
int PageSetup(const std::string& path, char** margins) {
    tQuilletProcess quillet("/visible \"" + path + "\"");
    if (!quillet.WaitForMainWindow(30000)) return Fail("no frame window");
    quillet.PostCommand(CM_PAGE_SETUP);
    tForeignDialog dialog;
    if (!WaitForDialog(quillet.id(), dialog, nullptr, 15000)) return Fail("no Page Setup dialog");
    Report(dialog);
    const int edits[4] = {edt4, edt5, edt6, edt7};  // left, top, right, bottom
    for (int i = 0; i < 4; ++i) {
        if (!GetDlgItem(dialog, edits[i])) return Fail("no margin field");
        SetDialogItemText(dialog, edits[i], margins[i]);
    }
    if (!PressButton(dialog, IDOK)) return Fail("Page Setup did not close");
    if (!StaysOpen(quillet.frame())) return Fail("Quillet hangs");
    PrintMargins();
    if (!ShutDown(quillet)) return Fail("Quillet did not shut down");
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
