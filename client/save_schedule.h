#pragma once
// When typed text goes back into the note file, and when a file that refused
// is tried again: the save timer's countdowns, without the timer.

constexpr unsigned kIdleSaveTicks = 3;     // ticks of silence before an idle save
constexpr unsigned kTicksPerMinute = 12;   // one tick is 5 seconds
constexpr unsigned kRetryTicks = 3;        // a refused file is tried again every 15 s

// What one tick of the save timer calls for.
enum class tSaveTick { none, save, forcedSave, retry };

class tSaveSchedule {
public:
    // Laptop mode holds writes back until the forced save, period minutes
    // after the first change.
    bool LaptopMode() const { return laptopMode_; }
    unsigned Period() const { return period_; }
    void SetLaptopMode(bool mode, unsigned period);

    // After a change: the idle countdown starts again, the forced countdown
    // only when it is not already running.
    void Arm();
    // Everything is written: nothing is due until the next change.
    void Saved();

    // After a refusal: the file is tried again in kRetryTicks ticks. True the
    // first time, when the user is to be told.
    bool ArmRetry();
    // The file took everything again (or another file replaced it).
    void Recovered();
    bool Retrying() const { return retrying_; }

    // Counts one tick down. While the file refuses only the retry counts;
    // the idle countdown is not used in laptop mode.
    tSaveTick Tick(bool refused);

private:
    bool laptopMode_ = false;
    unsigned period_ = 1;
    unsigned idleTicks_ = 0;
    unsigned forcedTicks_ = 0;
    unsigned retryTicks_ = 0;
    bool retrying_ = false;  // set from the refusal until the file takes everything
};
