#pragma once

// The summary of the transforms that change a table's shape: what was added
// or removed ("1 col removed, 20 rows added"), else "Changed" or
// "No changes".

class Dataset;
class QString;

QString shapeSummary(const Dataset& input, const Dataset& output);
