#pragma once

#include "core/dataset.h"
#include "graph/node.h"

// An item that only holds a table given to it, as if it had read or made
// it: a stand-in for an item that has not run yet when the items downstream
// are asked what they read of it (see usedColumnsAfter), and the upstream
// item of benchmarks. Columns without an identity get the item's.
class HeldNode : public Node
{
public:
    explicit HeldNode(const Dataset& data, qint32 itemId = -1)
    {
        setId(itemId);
        m_dataset = data;
        m_dataset.assignColumnIds(itemId);
    }
    // No kind of its own: nothing that looks for Inputs by their type code
    // takes a stand-in for one.
    int type() const override { return 0; }
    QString displayName() const override { return QStringLiteral("Held"); }
    QString typeName() const override { return QStringLiteral("Input"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void process(bool, bool) override { }
    void upstreamProcessed() override { }
};
