#include "storage/saving.h"
#include <climits>

void ArmSaveCountdown(unsigned period, unsigned& idleTicks, unsigned& laptopTicks) {
    idleTicks = kIdleSaveTicks;
    if (laptopTicks != 0) return;
    // The period comes from the registry: a 0 would never save, a huge one
    // must not wrap round to a short countdown.
    if (period == 0) period = 1;
    if (period > UINT_MAX / kTicksPerMinute) period = UINT_MAX / kTicksPerMinute;
    laptopTicks = period * kTicksPerMinute;
}

tSaveTick CountSaveTick(bool laptopMode, unsigned& idleTicks, unsigned& laptopTicks) {
    if (!laptopMode && idleTicks != 0) {
        if (--idleTicks == 0) return tSaveTick::save;
    }
    if (laptopTicks != 0) {
        if (--laptopTicks == 0) return tSaveTick::forcedSave;
    }
    return tSaveTick::none;
}
