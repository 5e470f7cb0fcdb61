#include <gtest/gtest.h>
#include "storage/saving.h"

namespace {

// ---------------------------------------------------------------------------
// Countdown rules on their own.

TEST(SaveCountdown, IdleAndForcedCountdowns) {
    unsigned idle = 0, forced = 0;
    ArmSaveCountdown(1, idle, forced);
    EXPECT_EQ(3u, idle);
    EXPECT_EQ(12u, forced);
    EXPECT_EQ(tSaveTick::none, CountSaveTick(false, idle, forced));
    EXPECT_EQ(tSaveTick::none, CountSaveTick(false, idle, forced));
    EXPECT_EQ(tSaveTick::save, CountSaveTick(false, idle, forced));
    EXPECT_EQ(10u, forced);  // the tick that saves counts nothing else

    // A change while the forced countdown runs does not restart it.
    idle = 0;
    forced = 5;
    ArmSaveCountdown(1, idle, forced);
    EXPECT_EQ(5u, forced);

    // Laptop mode ignores the idle countdown.
    idle = 3;
    forced = 2;
    EXPECT_EQ(tSaveTick::none, CountSaveTick(true, idle, forced));
    EXPECT_EQ(tSaveTick::forcedSave, CountSaveTick(true, idle, forced));
    EXPECT_EQ(3u, idle);
    EXPECT_EQ(tSaveTick::none, CountSaveTick(true, idle, forced));

    // Periods from a damaged registry: never 0 ticks, never wrapped round.
    idle = forced = 0;
    ArmSaveCountdown(0, idle, forced);
    EXPECT_EQ(12u, forced);
    forced = 0;
    ArmSaveCountdown(0xFFFFFFFFu, idle, forced);
    EXPECT_GE(forced, 0xFFFFFFFFu - 12);
    forced = 0;
    ArmSaveCountdown(60, idle, forced);
    EXPECT_EQ(720u, forced);
}

}  // namespace
