#pragma once

// The tree that JSON and XML records are turned into, and its flattening
// into rows and named columns. A column is named by the path of node names
// from the top of a record down to a leaf, joined by "."; the readers
// replace "." inside names by "-" so that the separator stays unambiguous.

#include "core/dataset.h"
#include "input/reader.h"
#include "input/valuepool.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <vector>

struct RecordNode
{
    // Array children are unnamed; the flattening names them by position in
    // Wide layout and turns them into rows of their own in Long layout.
    enum Kind : quint8 { Plain, Object, Array };

    QString name;
    QString value;
    Kind kind = Plain;
    std::vector<RecordNode> children;
};

// A new last child; its name counts only under an object.
RecordNode* appendChild(RecordNode* parent, RecordNode::Kind kind, const QString& name);

// Puts an object's members in the order their columns take: plain values
// first, then objects, then arrays, each in the order of the file.
void orderMembers(RecordNode* object);

// Nodes nested deeper than this end the read with a warning: the
// flattening follows the tree recursively, and no real table needs more.
constexpr int MaxRecordDepth = 1000;

// Collects the rows of many records; the column names are the paths in the
// order in which they first occur.
class RecordFlattener
{
public:
    // Rows go straight into the dataset, after a first row that finish()
    // fills with the column names, so that the header option turns them
    // into the names. Without a dataset the rows are only collected, each
    // as long as the names were when it was made; a row made while there
    // were no names at all is collected empty, since whether it has a place
    // depends on the records before it.
    RecordFlattener(Dataset* dataset, int layout, bool ignoreEmptyRows);

    void addRecord(const RecordNode& record);
    qint64 rowCount() const { return m_rows; }
    void finish();
    // Drops everything added so far.
    void reset();

    // The column of a path, made on first sight.
    int column(const QString& path);
    const QStringList& names() const { return m_names; }
    // Starts from these names, as if records had brought them.
    void setNames(const QStringList& names);
    // Collected values are shared through these pools, one per column.
    void setPools(std::vector<ValuePool>* pools, TextArena* arena)
    {
        m_pools = pools;
        m_arena = arena;
    }
    std::vector<QStringList>& collected() { return m_collected; }

private:
    using Cells = QVector<QPair<int, QString>>;
    void addRow(const Cells& cells);
    void collectRow(const Cells& cells);
    QVector<Cells> expand(const RecordNode& node, const QString& path);
    void expandChildren(const RecordNode& node, const QString& path, QVector<Cells>* rows);

    Dataset* m_dataset;
    bool m_long;
    bool m_ignoreEmptyRows;
    QHash<QString, int> m_columns;
    QStringList m_names;
    qint64 m_rows = 0;
    // Reused from record to record.
    Cells m_cells;
    std::vector<ValuePool>* m_pools = nullptr;
    TextArena* m_arena = nullptr;
    std::vector<QStringList> m_collected;
};

// The options of JSON and XML input: the "Format" option, arrays as more
// columns (Wide) or more rows (Long), stored as "json_arrays_as_rows"
// (1 Long).
struct LayoutReadOptions
{
    int layout = LayoutWide;

    // Documents written before the option existed read as Long.
    static LayoutReadOptions from(const QVariantMap& map, int missingLayout = LayoutWide);
    void store(QVariantMap* map) const;
    QPair<QString, QString> summaryRow() const;
};
using JsonReadOptions = LayoutReadOptions;
using XmlReadOptions = LayoutReadOptions;
