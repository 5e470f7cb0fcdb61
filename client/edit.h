#pragma once
#include <windows.h>

LRESULT CALLBACK EditControlWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
