#pragma once
// The drawn notification-area icon: a pad of five note sheets.
#include <windows.h>
#include <array>
#include <string>

// The five sheet rectangles, back to front, for an icon of w x h pixels.
std::array<RECT, 5> TraySheetRects(int width, int height);

// The tip text: at most the first 63 characters of the title.
std::string TrayTipText(const std::string& title);
