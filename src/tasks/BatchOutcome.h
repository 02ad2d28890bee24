#pragma once

// What a batch start tells the script or cron job that started it: the exit status of
// the program after "-force", "-auto", "-restore" or "-clean".
//
//   0  every run ended OK
//   1  at least one run ended with warnings, none worse
//   2  at least one run had errors, was cancelled or was refused
//
// Each backup, restore or clean-up run of the batch adds its outcome; the worst counts.

#include <cstdint>

enum class TRunOutcome : int
{
    Ok = 0,
    Warnings = 1,
    Failed = 2,
};

// The outcome of a run that reached its end status (ended) with the given counts; a run
// that did not end (refused, cancelled, destination or archive failed) has failed.
TRunOutcome RunOutcomeOf(bool ended, uint32_t errors, uint32_t warnings);

class TBatchOutcome
{
public:
    void Add(TRunOutcome outcome);
    void AddRun(bool ended, uint32_t errors, uint32_t warnings) { Add(RunOutcomeOf(ended, errors, warnings)); }

    // 0, 1 or 2 as above; 0 when nothing ran.
    int ExitStatus() const { return static_cast<int>(worst); }
    int Runs() const { return runs; }
    void Reset();

private:
    TRunOutcome worst = TRunOutcome::Ok;
    int runs = 0;
};
