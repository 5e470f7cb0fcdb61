#include "app/startup.h"
#include "app/cmdline.h"
#include "app/frame.h"
#include "app/globals.h"
#include "base/names.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/settings.h"
#include "app/placement.h"
#include "app/start_file.h"
#include "client/client.h"
#include "storage/notefile.h"
#include <optional>
#include <commctrl.h>
#include <objbase.h>

namespace {

// Ends start-up without a window; the exit code says how.
struct tEndStartup {
    int exitCode;
};

// The program's folder, with its trailing backslash.
std::string FindProgramPaths() {
    char module[kPathBufferSize] = {};
    Check(GetModuleFileNameA(nullptr, module, kPathBufferSize) != 0);
    char full[kPathBufferSize] = {};
    char* namePart = nullptr;
    Check(GetFullPathNameA(module, kPathBufferSize, full, &namePart) != 0);
    app.programPath = full;
    std::string directory = app.programPath.substr(0, app.programPath.rfind('\\') + 1);
    return directory;
}

// The note file named on the command line, if one was.
std::optional<std::string> ReadCommandLine(const std::vector<std::string>& args) {
    tCommandLine line = ParseCommandLine(args);
    if (line.tooManyFiles) {
        MessageBoxA(nullptr, "Only one filename allowed on command line", kAppCaption,
                    MB_ICONWARNING | MB_OK);
        throw tEndStartup{0};
    }
    app.noTray = line.noTray;
    app.startVisible = line.startVisible;
    if (!line.fileGiven) return std::nullopt;
    return line.filePath;
}

void RegisterWindowClass(const char* name, WNDPROC procedure, const char* menu) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = app.hInstance;
    wc.hIcon = LoadIconA(app.hInstance, "MAIN_ICON");
    wc.hIconSm = wc.hIcon;
    wc.hCursor = app.arrowCursor;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    Check(RegisterClassExA(&wc) != 0);
}

// The frame's stored place, where some monitor shows it.
RECT StoredPlace() {
    int x = int(GetConfigDword(kConfig, "XPos", 100));
    int y = int(GetConfigDword(kConfig, "YPos", 100));
    int width = int(GetConfigDword(kConfig, "Width", 400));
    int height = int(GetConfigDword(kConfig, "Height", 400));
    PlaceOnNearestScreen(x, y, width, height);
    return RECT{x, y, x + width, y + height};
}

int RunMessageLoop(tFrame& frame) {
    HACCEL accelerators = LoadAcceleratorsA(app.hInstance, "MAIN_ACCEL");
    Check(accelerators != nullptr);
    MSG msg;
    for (;;) {
        frame.EndLoopIfRequested();
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        Check(got != -1);
        if (!got) break;
        if (frame.PassToModelessDialogs(msg)) continue;
        if (TranslateAcceleratorA(frame.Handle(), accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    frame.CarryOutEnd();
    return int(msg.wParam);
}

}  // namespace

int RunQuillet(HINSTANCE instance, int showCommand, const std::vector<std::string>& args) {
    // Marks a running instance for the uninstaller; never waited on.
    tHandle mutex(CreateMutexA(nullptr, FALSE, kUninstallMutexName));
    try {
        InstallCrashHandlers();
        app.hInstance = instance;
        CheckHr(CoInitialize(nullptr));
        const std::string programFolder = FindProgramPaths();
        const std::optional<std::string> given = ReadCommandLine(args);

        app.runAtStartup = GetRunValue() == app.programPath;
        app.notFirstRun = GetConfigDword(kConfig, "NotFirstRun", 0) != 0;

        InitCommonControls();
        app.arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
        Check(app.arrowCursor != nullptr);
        app.helpCursor = LoadCursorA(nullptr, IDC_HELP);
        RegisterWindowClass(kFrameClassName, FrameWndProc, "MAIN_MENU");
        RegisterWindowClass(kClientClassName, ClientWndProc, nullptr);

        // The note file is opened, with the frame (not yet shown) as the
        // owner of its questions, before the client that shows it is made.
        int exitCode = 0;
        {
            tFrame frame(StoredPlace());
            tNoteFile file;
            tShownFile shown;
            if (ReadStartFile(frame.Handle(), programFolder, given, file, shown)) {
                frame.ShowNotes(std::move(file), shown, showCommand);
                exitCode = RunMessageLoop(frame);
            }
        }
        CoUninitialize();
        return exitCode;
    } catch (const tEndStartup& end) {
        return end.exitCode;
    } catch (const tQuilletError& error) {
        ShowFatalError(nullptr, error);
        return 1;
    } catch (...) {
        ShowGenericFatalError(nullptr);
        return 1;
    }
}
