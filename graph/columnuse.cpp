#include "graph/columnuse.h"

#include "core/dataset.h"
#include "graph/heldnode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <memory>

namespace {

// What `reader` reads of the item's table `header`.
ColumnUse usedBy(const Node* reader, const Node* item, const Dataset& header, bool onlyReader)
{
    const auto* node = qobject_cast<const TransformNode*>(reader);
    if (!node || !node->transform()
        || node->upstreamNodes(false) != QList<Node*> { const_cast<Node*>(item) })
        return {};
    // A copy bound to the stand-in: the item's own options and messages stay
    // as they are.
    std::unique_ptr<Transform> copy(node->transform()->clone());
    if (!copy->tellsUsedColumns())
        return {};
    HeldNode upstream(header, item->id());
    const QList<TableSource*> upstreamList { &upstream };
    copy->bindUpstream(upstreamList, false);
    copy->refreshColumnNames();
    copy->reconnectColumns(nullptr, nullptr);
    Dataset output;
    bool error = false;
    copy->process(output, upstreamList, error);
    if (error)
        return {};
    output.assignColumnIds(node->id());
    QVector<bool> usedOutput = usedColumnsAfter(node, output).anyRow();
    if (usedOutput.isEmpty())
        usedOutput.fill(true, output.columnCount());
    ColumnUse use;
    use.columns = copy->usedUpstreamColumns(upstream.dataset(), usedOutput);
    if (use.columns.size() != header.columnCount())
        return {};
    // Rows a filter drops are read only in what decides it, and left out of
    // the table. Another reader of the item would read them all; a filter
    // that warns has its summary shown, which counts the rows it removes.
    use.makeRowTest
        = onlyReader && copy->warnings().isEmpty() ? copy->rowTest(upstream.dataset()) : nullptr;
    if (use.makeRowTest) {
        use.keptRowColumns = use.columns;
        use.columns = copy->usedUpstreamColumns(
            upstream.dataset(), QVector<bool>(output.columnCount(), false));
        if (use.columns.size() != header.columnCount())
            return {};
    }
    return use;
}

} // namespace

ColumnUse usedColumnsAfter(const Node* item, const Dataset& header)
{
    const QList<Node*> readers = item->downstreamNodes(false);
    // The last item of a chain is read by nobody in such a run, but its
    // table is what a caller looks at when it runs a graph to see a result.
    if (readers.isEmpty())
        return {};
    if (readers.size() == 1)
        return usedBy(readers.first(), item, header, true);
    ColumnUse use;
    use.columns.fill(false, header.columnCount());
    for (const Node* reader : readers) {
        const QVector<bool> columns = usedBy(reader, item, header, false).columns;
        if (columns.isEmpty())
            return {};
        for (int c = 0; c < columns.size(); ++c)
            use.columns[c] = use.columns.at(c) || columns.at(c);
    }
    return use;
}
