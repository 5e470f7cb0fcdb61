#include "app/startup.h"
#include "app/cmdline.h"
#include "app/frame.h"
#include "app/globals.h"
#include "base/errors.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/settings.h"
#include "app/placement.h"
#include "client/client.h"
#include "dialogs/help.h"
#include "dialogs/note_file_dialog.h"
#include <commctrl.h>
#include <objbase.h>

namespace {

constexpr const char* kFirstUseTitle = "Select Quillet file or enter name and location of new file";
constexpr const char* kDefaultFileQuestion =
    "Do you want to make this file your default file?\n\nN.B. You will be asked this only once.  "
    "If you wish to change the default file in the future, use the configuration page of the "
    "Options property sheet.";

// Ends start-up without a window; the exit code says how.
struct tEndStartup {
    int exitCode;
};

void FindProgramPaths(std::string& defaultCandidate) {
    char module[kPathBufferSize] = {};
    Check(GetModuleFileNameA(nullptr, module, kPathBufferSize) != 0);
    char full[kPathBufferSize] = {};
    char* namePart = nullptr;
    Check(GetFullPathNameA(module, kPathBufferSize, full, &namePart) != 0);
    app.programPath = full;
    std::string directory = app.programPath.substr(0, app.programPath.rfind('\\') + 1);
    app.helpPath = directory + kHelpFileName;
    SetHelpFilePath(app.helpPath);
    defaultCandidate = directory + kDefaultNoteFileName;
}

void ReadCommandLine(const std::vector<std::string>& args, bool& fileGiven) {
    tCommandLine line = ParseCommandLine(args);
    if (line.tooManyFiles) {
        MessageBoxA(nullptr, "Only one filename allowed on command line", kAppCaption,
                    MB_ICONWARNING | MB_OK);
        throw tEndStartup{0};
    }
    app.noTray = line.noTray;
    app.startVisible = line.startVisible;
    fileGiven = line.fileGiven;
    if (fileGiven) app.filePath = line.filePath;
}

// The configured default file, or the first-use dialog.
void ChooseNoteFile(const std::string& defaultCandidate) {
    char defaultFile[kSettingTextSize];
    GetConfigString(kConfig, "DefaultFile", defaultFile, "");
    if (defaultFile[0] != '\0') {
        app.filePath = defaultFile;
        app.isDefaultFile = true;
        return;
    }
    app.startVisible = true;
    std::string chosen;
    switch (AskForNoteFile(nullptr, kFirstUseTitle, OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                           defaultCandidate, chosen)) {
    case tFileDialogResult::failed:
        ShowFileNewError(nullptr);
        throw tEndStartup{0};
    case tFileDialogResult::cancelled:
        throw tEndStartup{0};
    case tFileDialogResult::chosen:
        break;
    }
    app.filePath = chosen;
    if (!app.notFirstRun) {
        if (MessageBoxA(nullptr, kDefaultFileQuestion, kAppCaption, MB_ICONWARNING | MB_YESNO) ==
            IDYES) {
            SetConfigString(kConfig, "DefaultFile", app.filePath.c_str());
            app.isDefaultFile = true;
        }
        SetConfigDword(kConfig, "NotFirstRun", 1);
    }
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

void CreateWindows(int showCommand) {
    int x = int(GetConfigDword(kConfig, "XPos", 100));
    int y = int(GetConfigDword(kConfig, "YPos", 100));
    int width = int(GetConfigDword(kConfig, "Width", 400));
    int height = int(GetConfigDword(kConfig, "Height", 400));
    PlaceOnNearestScreen(x, y, width, height);

    app.frameWnd = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kFrameClassName, kAppCaption,
                                   WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                                   app.hInstance, nullptr);
    Check(app.frameWnd != nullptr);

    // The note file is opened before the client that shows it is made.
    std::string path = app.filePath;
    bool isDefault = app.isDefaultFile;
    tNoteFile file;
    tAppearanceRecord appearance = {};
    SetDefaultColours(appearance);
    if (!OpenNoteFileFor(app.frameWnd, path, isDefault, appearance, file)) {
        DestroyWindow(app.frameWnd);  // its WM_DESTROY posts the quit message
        return;
    }
    app.filePath = path;
    app.isDefaultFile = isDefault;

    tClientCreation creation;
    creation.settings.frame = app.frameWnd;
    creation.settings.noTray = app.noTray;
    creation.file = &file;
    app.clientWnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClientClassName, kAppCaption,
                                    WS_CHILD | WS_VISIBLE, x, y, width, height, app.frameWnd,
                                    nullptr, app.hInstance, &creation);
    Check(app.clientWnd != nullptr);
    app.client = ClientOfWindow(app.clientWnd);
    Check(app.client != nullptr && app.window != nullptr);

    ShowWindow(app.frameWnd, (app.noTray || app.startVisible) ? showCommand : SW_HIDE);
    SetFileTitle(*app.window, app.filePath);
    app.client->UpdateTrayIcon(false);
    UpdateWindow(app.frameWnd);
}

int RunMessageLoop() {
    HACCEL accelerators = LoadAcceleratorsA(app.hInstance, "MAIN_ACCEL");
    Check(accelerators != nullptr);
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        Check(got != -1);
        if (!got) break;
        HWND findDialog = app.client ? app.client->FindDialogWindow() : nullptr;
        if (findDialog && IsDialogMessageA(findDialog, &msg)) continue;
        HWND findAllDialog = app.client ? app.client->FindAllDialogWindow() : nullptr;
        if (findAllDialog && IsDialogMessageA(findAllDialog, &msg)) continue;
        if (TranslateAcceleratorA(app.frameWnd, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
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
        std::string defaultCandidate;
        FindProgramPaths(defaultCandidate);
        bool fileGiven = false;
        ReadCommandLine(args, fileGiven);

        app.runAtStartup = GetRunValue() == app.programPath;
        app.notFirstRun = GetConfigDword(kConfig, "NotFirstRun", 0) != 0;
        if (!fileGiven) ChooseNoteFile(defaultCandidate);

        InitCommonControls();
        app.arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
        Check(app.arrowCursor != nullptr);
        app.helpCursor = LoadCursorA(nullptr, IDC_HELP);
        RegisterWindowClass(kFrameClassName, WndProc, "MAIN_MENU");
        RegisterWindowClass(kClientClassName, ClientWndProc, nullptr);

        CreateWindows(showCommand);
        int exitCode = RunMessageLoop();
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
