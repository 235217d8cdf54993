#pragma once

// The record of one run of a document, kept as a JSON file so that the next
// run can say what changed: what each Input read (its file, the automatic
// choices made, its columns with their kinds and distinct values), how many
// rows every item took in and gave out, and what each Output and Chart
// wrote. Versioned: a reader refuses a record of another version instead of
// misreading it.

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

struct ColumnFacts
{
    QString name;
    // "empty", "integer", "number", "date" or "text": what every distinct
    // value fits, or every value of a sample of 10,000 rows spread over a
    // column of more than TrackedValues.
    QString kind;
    // The date format every date of the column reads with, for dates.
    QString dateFormat;
    // Exact for a column of at most TrackedValues distinct values, and
    // estimated from a sample of its rows beyond.
    int distinct = 0;
    bool distinctEstimated = false;
    // Every distinct value in the order first seen, for a column of few
    // distinct values: a record keeps them for at most ListedValues, which
    // the next run's new values are looked for in; a run's own facts hold
    // up to TrackedValues, to find those new values among.
    static constexpr int ListedValues = 50;
    static constexpr int TrackedValues = 1000;
    QStringList values;
    // The first rows' values, which tell a renamed column from a new one.
    static constexpr int FirstValues = 5;
    QStringList first;

    // "integer", "date (M/d/yyyy)", ...
    QString kindText() const;
};

struct InputFacts
{
    // The alias, or the item's name when it has none: how drift names it.
    QString label;
    QString path;
    qint64 size = -1;
    QDateTime modified;
    QString sha256;
    // The choices made for options set to Automatic ("Encoding" -> "UTF-8").
    QMap<QString, QString> choices;
    int rows = 0;
    QVector<ColumnFacts> columns;
};

struct ItemFacts
{
    QString type;
    QString name;
    qint32 id = -1;
    QVector<QPair<QString, int>> rowsIn;
    int rowsOut = 0;
    int dropped = 0;
    QString droppedReason;
    int warnings = 0;
    bool error = false;
    qint64 milliseconds = 0;
};

// A file an Output or Chart wrote.
struct WrittenFile
{
    QString type;
    QString item;
    QString path;
    int rows = 0;
    qint64 bytes = 0;
    QString sha256;
};

struct RunRecord
{
    static constexpr int Version = 1;

    QString documentPath;
    QString documentSha256;
    QDateTime started;
    QDateTime finished;
    QVector<InputFacts> inputs;
    QVector<ItemFacts> items;
    QVector<WrittenFile> files;

    QByteArray toJson() const;
    // Replaces the file only once the whole record is written.
    bool save(const QString& path, QString* error) const;
    // Reads the document and Inputs of a record of this version (what a
    // comparison needs); a file that cannot be read, is not
    // JSON or is of another version gives the message naming the file.
    static bool load(const QString& path, RunRecord* record, QString* error);
    // Whether the record was made by a run of the document at path (the
    // same file name: a document moved to another folder is still itself).
    bool isOfDocument(const QString& path) const;
};
