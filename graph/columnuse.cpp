#include "graph/columnuse.h"

#include "core/dataset.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

#include <memory>

namespace {

// Stands in for an item that has not run yet: it holds the columns its
// table will have, so that a copy of a transform downstream can resolve its
// column options and work out its own columns exactly as the run will.
class HeaderNode : public Node
{
public:
    HeaderNode(const Dataset& header, qint32 itemId)
    {
        m_dataset = header;
        m_dataset.setRowCount(0);
        setId(itemId);
    }
    QString displayName() const override { return QStringLiteral("Header"); }
    QString typeName() const override { return QStringLiteral("Input"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void process(bool, bool) override { }
    void upstreamProcessed() override { }
};

QVector<bool> everyColumn(int count)
{
    return QVector<bool>(count, true);
}

// The columns of `header` that `reader` reads; empty when it cannot tell.
QVector<bool> usedBy(const Node* reader, const Node* item, const Dataset& header)
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
    HeaderNode upstream(header, item->id());
    const QList<Node*> upstreamList { &upstream };
    copy->bindUpstream(upstreamList, false);
    copy->refreshColumnNames();
    copy->reconnectColumns(nullptr, nullptr);
    Dataset output;
    bool error = false;
    copy->process(output, upstreamList, error);
    if (error)
        return {};
    output.assignColumnIds(node->id());
    QVector<bool> usedOutput = usedColumnsAfter(node, output);
    if (usedOutput.isEmpty())
        usedOutput = everyColumn(output.columnCount());
    const QVector<bool> used = copy->usedUpstreamColumns(upstream.dataset(), usedOutput);
    return used.size() == header.columnCount() ? used : QVector<bool>();
}

} // namespace

QVector<bool> usedColumnsAfter(const Node* item, const Dataset& header)
{
    const QList<Node*> readers = item->downstreamNodes(false);
    // The last item of a chain is read by nobody in such a run, but its
    // table is what a caller looks at when it runs a graph to see a result.
    if (readers.isEmpty())
        return {};
    QVector<bool> used(header.columnCount(), false);
    for (const Node* reader : readers) {
        const QVector<bool> columns = usedBy(reader, item, header);
        if (columns.isEmpty())
            return {};
        for (int c = 0; c < used.size(); ++c)
            used[c] = used.at(c) || columns.at(c);
    }
    return used;
}
