#pragma once

// What changed in the Inputs since a recorded run, as the lines a re-run
// prints: columns added, removed, renamed or moved, a column's kind
// changed, the row count changed by more than a share, and new values in a
// column of few distinct values.

#include "batch/runrecord.h"

struct DriftOptions
{
    // A change in row count is reported when it exceeds this percentage.
    int rowsPercent = 50;
};

// One "Drift: Input '...': ..." line per change, Inputs matched by label.
QStringList driftLines(const QVector<InputFacts>& previous, const QVector<InputFacts>& current,
    const DriftOptions& options = DriftOptions());
