#pragma once
// The drawn notification-area icon: a pad of five note sheets.
#include <windows.h>
#include <array>
#include <string>
#include "base/handles.h"
#include <shellapi.h>

// The five sheet rectangles, back to front, for an icon of w x h pixels.
std::array<RECT, 5> TraySheetRects(int width, int height);

// The tip text: at most the first 63 characters of the title.
std::string TrayTipText(const std::string& title);

// Whether Show adds the icon or changes the one shown.
enum class tTrayShow { add, change };

// The icon in the notification area, drawn in the note colour, whose messages
// go to the frame.
class tTrayIcon {
public:
    explicit tTrayIcon(HWND frame);
    ~tTrayIcon() { Remove(); }
    tTrayIcon(const tTrayIcon&) = delete;
    tTrayIcon& operator=(const tTrayIcon&) = delete;

    // Draws the icon with sheetBrush and shows it (adding it, or changing the
    // one shown) with title as its tip; the frame's class shows it too.
    void Show(HBRUSH sheetBrush, const std::string& title, tTrayShow how);
    void Remove();

private:
    NOTIFYICONDATAA data_ = {};
    tIcon icon_;  // the drawn icon; none: the program's own icon is shown
    bool shown_ = false;
};
