#pragma once

#include "graph/node.h"

// Free text on the canvas. Never processes and takes no connections; its
// text is the Node's comment.
class NoteNode : public Node
{
    Q_OBJECT

public:
    explicit NoteNode(QGraphicsItem* parent = nullptr) : Node(parent) { }

    int type() const override { return NoteNodeType; }
    QString typeName() const override { return QStringLiteral("Note"); }
    bool takesPartInRuns() const override { return false; }
    QString displayName() const override;
    bool canProcess() const override { return false; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return 0; }
    void process(bool processDownstream, bool force) override;
    void upstreamProcessed() override { }
    QString resultText() const override { return QString(); }
};
