#pragma once
// Where the frame opens. The stored position and size come from the settings
// and may be anything: a screen that has gone, numbers typed in by hand.
#include <windows.h>

// The frame's rectangle for a stored position and size: unchanged when the
// size suits the work area and enough of the caption lies on it to drag the
// window; otherwise sized between a usable minimum and the work area, and
// moved onto it.
RECT PlaceOnWorkArea(int x, int y, int width, int height, const RECT& workArea);

// The same against the work area of the monitor nearest the stored rectangle.
void PlaceOnNearestScreen(int& x, int& y, int& width, int& height);
