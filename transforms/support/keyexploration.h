#pragma once

// The keys of a two-input key transform seen side by side: which keys only
// the top dataset holds, which only the bottom one, which both, how often
// each occurs on each side, and which keys differ only in case or in
// surrounding whitespace (the usual reason a join loses rows). Keys are
// made by keyText(), the same rule the transforms match by, so the counts
// agree with their key reports.

#include <QString>
#include <QVector>

#include <functional>

class Dataset;

struct ExploredKey
{
    QString text; // the key's first cell as written
    int topRows = 0;
    int bottomRows = 0;
    int nearGroup = -1; // index into KeyExploration::nearGroups, or -1

    bool inBoth() const { return topRows > 0 && bottomRows > 0; }
};
Q_DECLARE_TYPEINFO(ExploredKey, Q_MOVABLE_TYPE);

struct KeyExploration
{
    // Keys in the order first met: top rows first, then bottom rows.
    QVector<ExploredKey> keys;
    int topOnlyKeys = 0;
    int bottomOnlyKeys = 0;
    int bothKeys = 0;
    // Rows whose key has no partner on the other side.
    int topOnlyRows = 0;
    int bottomOnlyRows = 0;
    // Keys occurring more than once on that side.
    int topDuplicateKeys = 0;
    int bottomDuplicateKeys = 0;
    // Groups of two or more keys that become one when case and surrounding
    // whitespace are ignored; positions into keys.
    QVector<QVector<int>> nearGroups;
    bool complete = true;
};

// Called with (rows done, rows of both datasets); returning false stops.
using KeyProgress = std::function<bool(int, int)>;

KeyExploration exploreKeys(const Dataset& top, int topColumn, const Dataset& bottom,
    int bottomColumn, bool caseSensitive, const KeyProgress& progress = KeyProgress());

// The rows of a dataset holding a key, in row order.
QVector<int> rowsWithKey(const Dataset& data, int column, const QString& key, bool caseSensitive);
