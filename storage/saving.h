#pragma once
// When typed text goes back into the note file: the save timer's countdowns.
#include <windows.h>

constexpr unsigned kIdleSaveTicks = 3;     // ticks of silence before an idle save
constexpr unsigned kTicksPerMinute = 12;   // one tick is 5 seconds

// What one tick of the save timer calls for.
enum class tSaveTick { none, save, forcedSave };

// After a change: the idle countdown starts again, the forced countdown only
// when it is not already running. period is in minutes.
void ArmSaveCountdown(unsigned period, unsigned& idleTicks, unsigned& laptopTicks);

// Counts one tick down. The idle countdown is not used in laptop mode.
tSaveTick CountSaveTick(bool laptopMode, unsigned& idleTicks, unsigned& laptopTicks);
