#include "tasks/BatchOutcome.h"

TRunOutcome RunOutcomeOf(bool ended, uint32_t errors, uint32_t warnings)
{
    if (!ended || errors > 0) {
        return TRunOutcome::Failed;
    }
    return warnings > 0 ? TRunOutcome::Warnings : TRunOutcome::Ok;
}

void TBatchOutcome::Add(TRunOutcome outcome)
{
    ++runs;
    if (static_cast<int>(outcome) > static_cast<int>(worst)) {
        worst = outcome;
    }
}

void TBatchOutcome::Reset()
{
    worst = TRunOutcome::Ok;
    runs = 0;
}
