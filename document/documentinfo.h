#pragma once

// The document-wide values kept beside the graph: what a save needs besides
// the scene, and what a load hands back.

#include <QDateTime>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class QFile;

// One filled cell of the batch table: the value for an alias in a row.
struct BatchValue
{
    int row = 0;
    QString alias;
    QString value;
    bool operator==(const BatchValue& other) const
    {
        return row == other.row && alias == other.alias && value == other.value;
    }
};

// The batch log settings.
struct BatchLogging
{
    int verbosity = 2;
    bool enabled = false;
    QString path;
    int mode = 0;
    bool operator==(const BatchLogging& other) const
    {
        return verbosity == other.verbosity && enabled == other.enabled && path == other.path
            && mode == other.mode;
    }
};

struct DocumentInfo
{
    static constexpr int CurrentVersion = 87;

    QString notes;
    QString id;
    bool snapToGrid = false;
    bool autoRun = true;
    QVector<BatchValue> batchValues;
    BatchLogging batchLogging;

    // Filled by a load.
    int version = CurrentVersion;
    QString locale;

    // Chart elements of a document read where Chart items are not
    // available, as XML text, and the connections (start id, end id) that
    // end at them: written back unchanged so that a save loses nothing.
    QStringList keptCharts;
    QVector<QPair<qint32, qint32>> keptChartConnections;
};

// What a save needs besides the scene and the info.
struct SaveOptions
{
    // Only the selected items and the connections among them (copy).
    bool selectedOnly = false;
    // Stamped into meta; the current time when invalid.
    QDateTime savedAt;
    // The held document file; null for an atomic save.
    QFile* heldFile = nullptr;
};

// What a load reports besides the scene and the info.
struct LoadReport
{
    // The deprecated and unknown transforms, and items that could not be
    // made; empty when everything was added.
    QString warnings;
    // The document comes from a newer release than this one.
    bool newerRelease = false;
    // Input paths were pointed at the document's new folder: the document
    // counts as changed.
    bool relocated = false;
};
