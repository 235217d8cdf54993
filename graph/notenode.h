#pragma once

#include "graph/node.h"

#include <QColor>

// Free text on the canvas. Never processes and takes no connections; its
// text is the Node's comment. Its fill colour and arrow choice are the
// user's and travel with the document.
class NoteNode : public Node
{
    Q_OBJECT

public:
    static const QColor DefaultColour;

    explicit NoteNode(QObject* parent = nullptr) : Node(parent) { }

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

    QColor colour() const { return m_colour; }
    void setColour(const QColor& colour);
    int arrow() const { return m_arrow; }
    void setArrow(int arrow) { m_arrow = arrow; }

    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

private:
    QColor m_colour = DefaultColour;
    int m_arrow = 0;
};
