#include "uninstall/unquill.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunUnquill(SkipProgramName(GetCommandLineA()));
}
