#pragma once
// Where the frame opens. The stored position and size come from the settings
// and may be anything: a screen that has gone, numbers typed in by hand.
#include <windows.h>
#include <vector>

// The frame's rectangle for a stored position and size, given the work areas
// of the monitors, that of the monitor nearest the stored rectangle first:
// unchanged when the size is usable, no larger than the screens together, and
// enough of the caption lies on one monitor to drag the window (so a frame may
// span monitors); otherwise sized between a usable minimum and the nearest
// work area, and moved onto it.
RECT PlaceOnWorkAreas(int x, int y, int width, int height, const std::vector<RECT>& workAreas);
RECT PlaceOnWorkArea(int x, int y, int width, int height, const RECT& workArea);

// The same against the work areas of this computer's monitors.
void PlaceOnNearestScreen(int& x, int& y, int& width, int& height);
