#pragma once
#include <windows.h>
#include <string>

// The whole text of a window or control, however long.
std::string WindowText(HWND window);
