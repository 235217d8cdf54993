#pragma once

#include "graph/node.h"

class Transform;

// The graph item that owns one Transform and runs it on the datasets of its
// upstream items, in canvas order.
class TransformNode : public Node
{
    Q_OBJECT

public:
    // Takes ownership of the transform (which may be null only while a
    // snapshot is being restored).
    explicit TransformNode(Transform* transform, QObject* parent = nullptr);
    ~TransformNode() override;

    int type() const override { return TransformNodeType; }
    QString typeName() const override { return QStringLiteral("Transform"); }
    Transform* transform() const { return m_transform; }
    void setTransform(Transform* transform);

    QString displayName() const override;
    bool canProcess() const override { return allUpstreamUpToDate(); }
    int maxUpstream() const override;
    int maxDownstream() const override { return NoLimit; }
    int minUpstream() const;
    void process(bool processDownstream, bool force) override;
    void upstreamProcessed() override;
    QStringList warnings() const override;
    QStringList information() const override;
    QString resultText() const override;
    QString droppedRowsReason() const override;

    // The upstream connections changed: the transform's column options are
    // bound again to the upstream items in canvas order.
    void upstreamChanged();
    // Items moved: the two-input types keep "top" meaning the upper item.
    // Returns whether the options were rebound.
    bool reorderInputs();

    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

protected:
    QList<QPair<QString, QString>> summaryRows() const override;

private:
    void runTransform();
    void checkUpstreamCount(int upstreamCount);

    Transform* m_transform = nullptr;
};
