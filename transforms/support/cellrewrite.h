#pragma once

#include "transforms/transform.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The shared body of the transforms that rewrite the text of every cell in
// the columns the user selects ("Columns") and leave the shape of the
// dataset alone. process() copies the upstream dataset, walks the selected
// columns row by row with progress reports, writes each cell whose text the
// type changes, counts changed and unchanged cells and sets the summary; a
// type supplies only its options and the per-cell rewrite.
class CellRewriteTransform : public Transform
{
    Q_OBJECT

public:
    using Transform::Transform;

    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) final;
    bool streamsRows() const override { return rewritesTextAlone() && !readsOtherRows(); }
    void setSummaryFromCounts(const QVector<qint64>& counts) override;

protected:
    // Adds the leading "Columns" option; called first by every type.
    void addColumnsParameter();

    // The option keys besides "Columns" that must exist for a run.
    virtual QStringList requiredKeys() const = 0;
    // Reads the options and readies the rewrite for this input. Returning
    // false leaves the output an unchanged copy (an option is unset).
    virtual bool prepare(const Dataset& input, const QVector<int>& columns) = 0;
    // Called before the cells of each row, with the row's original values.
    virtual void startRow(int row, const QStringList& rowValues);
    // The new text of one cell, from its original text.
    virtual QString rewrite(const QString& text, int row, int column) = 0;
    // Walking order: rows from the last to the first, and the selected
    // columns from the rightmost to the leftmost.
    virtual bool reverseRows() const { return false; }
    // Whether the rewrite reads rows other than the current one as they
    // were upstream; such a type never rewrites its rows in place.
    virtual bool readsOtherRows() const { return false; }
    // Whether the rewrite depends on the text and its column alone, with no
    // effect but its result: it is then made once per distinct value.
    virtual bool rewritesTextAlone() const { return false; }
    virtual bool reverseColumns() const { return false; }
    virtual void setRewriteSummary(qint64 changed, qint64 unchanged);
};
