#include "client/save_schedule.h"
#include <climits>

void tSaveSchedule::SetLaptopMode(bool mode, unsigned period) {
    laptopMode_ = mode;
    period_ = period;
}

void tSaveSchedule::Arm() {
    idleTicks_ = kIdleSaveTicks;
    if (forcedTicks_ != 0) return;
    // The period comes from the registry: a 0 would never save, a huge one
    // must not wrap round to a short countdown.
    unsigned period = period_;
    if (period == 0) period = 1;
    if (period > UINT_MAX / kTicksPerMinute) period = UINT_MAX / kTicksPerMinute;
    forcedTicks_ = period * kTicksPerMinute;
}

void tSaveSchedule::Saved() {
    idleTicks_ = 0;
    forcedTicks_ = 0;
}

bool tSaveSchedule::ArmRetry() {
    retryTicks_ = kRetryTicks;
    if (retrying_) return false;
    retrying_ = true;
    return true;
}

void tSaveSchedule::Recovered() {
    retrying_ = false;
    retryTicks_ = 0;
}

tSaveTick tSaveSchedule::Tick(bool refused) {
    if (refused) {
        if (retryTicks_ != 0 && --retryTicks_ == 0) return tSaveTick::retry;
        return tSaveTick::none;
    }
    if (!laptopMode_ && idleTicks_ != 0) {
        if (--idleTicks_ == 0) return tSaveTick::save;
    }
    if (forcedTicks_ != 0) {
        if (--forcedTicks_ == 0) return tSaveTick::forcedSave;
    }
    return tSaveTick::none;
}
