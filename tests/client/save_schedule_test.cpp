// The save timer's countdowns on their own, as scripts of changes and ticks.
#include <gtest/gtest.h>
#include <string>
#include "client/save_schedule.h"

namespace {

// Runs a script: 'a' a change, 't' a tick, 'x' a tick while the file refuses,
// 'R' a refusal, 'r' the recovery, 's' a save. Each tick adds what it calls
// for: '.' nothing, 's' a save, 'f' a forced save, 'r' a retry.
std::string Play(tSaveSchedule& schedule, const std::string& script) {
    std::string due;
    for (char step : script) {
        if (step == 'a') schedule.Arm();
        if (step == 'R') schedule.ArmRetry();
        if (step == 'r') schedule.Recovered();
        if (step == 's') schedule.Saved();
        if (step != 't' && step != 'x') continue;
        switch (schedule.Tick(step == 'x')) {
        case tSaveTick::none: due += '.'; break;
        case tSaveTick::save: due += 's'; break;
        case tSaveTick::forcedSave: due += 'f'; break;
        case tSaveTick::retry: due += 'r'; break;
        }
    }
    return due;
}

std::string Repeat(const std::string& part, int times) {
    std::string all;
    while (times-- > 0) all += part;
    return all;
}

TEST(SaveSchedule, Scripts) {
    struct {
        bool laptop;
        unsigned period;
        std::string script, due;
    } const cases[] = {
        {false, 1, "atttt", "..s."},                  // idle: the third silent tick
        {false, 1, "tt", ".."},                       // nothing changed, nothing due
        {false, 1, Repeat("at", 12), Repeat(".", 11) + "f"},  // steady typing: the forced save
        {false, 1, "attt" + Repeat("t", 10), "..s" + Repeat(".", 9) + "f"},  // the saving tick counts nothing else
        {false, 1, "attt" "s" + Repeat("t", 12), "..s" + Repeat(".", 12)},   // a save ends both
        {false, 1, "atatattt", "....s"},              // each change restarts only the idle countdown
        {true, 1, "a" + Repeat("t", 12), Repeat(".", 11) + "f"},  // laptop mode: no idle save
        {true, 5, "a" + Repeat("t", 60), Repeat(".", 59) + "f"},
        {true, 0, "a" + Repeat("t", 12), Repeat(".", 11) + "f"},  // a 0 from the registry: 1 minute
        {false, 1, "Rxxxxxx", "..r..."},             // the retry on the third tick, once
        {false, 1, "Rxx" "R" "xxx", "....r"},        // a refusal again restarts it
        {false, 1, "a" "Rxxxx" "rttt", "..r...s"},   // the countdowns wait out a refusal
        {false, 1, "a" "xxx" "ttt", ".....s"},        // refused ticks leave the idle countdown alone
    };
    for (const auto& c : cases) {
        tSaveSchedule schedule;
        schedule.SetLaptopMode(c.laptop, c.period);
        EXPECT_EQ(c.due, Play(schedule, c.script)) << c.script;
    }
}

TEST(SaveSchedule, UserIsToldOfARefusalOnceUntilTheRecovery) {
    tSaveSchedule schedule;
    EXPECT_TRUE(schedule.ArmRetry());
    EXPECT_FALSE(schedule.ArmRetry());
    EXPECT_TRUE(schedule.Retrying());
    schedule.Recovered();
    EXPECT_FALSE(schedule.Retrying());
    EXPECT_TRUE(schedule.ArmRetry());
}

TEST(SaveSchedule, HugePeriodNeverWrapsToAShortCountdown) {
    tSaveSchedule schedule;
    schedule.SetLaptopMode(true, 0xFFFFFFFFu);
    EXPECT_EQ(Repeat(".", 100000), Play(schedule, "a" + Repeat("t", 100000)));
}

}  // namespace
