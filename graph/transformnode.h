#pragma once

#include "graph/node.h"

#include <memory>

class RowBlockConsumer;
class RowBlockStage;
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

    // Processing in blocks (see StreamedRun): startBlocks() once, then
    // processBlock() on each block its upstream item holds (the item's
    // table becoming the block's result), then finishBlocks(). A block is
    // refused (false) when its result could differ from that of the whole
    // table: an error, a warning, or information other than the first
    // block's.
    bool streamsRows() const;
    void startBlocks();
    bool processBlock();
    void finishBlocks();
    // The same for a type that needs every row but may take them in blocks
    // (see RowBlockConsumer): takeBlock() for each block, then finishBlocks().
    bool takesBlocks() const;
    bool takeBlock();
    // Why the last block could not be taken when that ends the run in error
    // (a full disk while rows were put aside); empty for a refusal.
    QString blockFailure() const;
    // Ends such a run: the item in error with the failure as its warning.
    void failBlocks();
    // Or hands the result over in blocks of about blockRows rows, each the
    // item's table while passOn() passes it on; false when stopped or
    // failed (the item is then in error) or passOn() refused.
    bool finishBlocks(int blockRows, const std::function<bool()>& passOn);
    // Lets go of the blocks taken (and the files holding them).
    void dropBlocks();
    // A two-input type taking the top rows in blocks from the item top
    // against its bottom table, which must be made already (see
    // RowBlockStage): joinBlock() for each block, then finishJoin() hands on the
    // rows that follow them all, then finishBlocks().
    bool joinsBlocksFrom(const Node* top) const;
    // Whether it could, once its other upstream item is made.
    bool wouldJoinBlocksFrom(const Node* top) const;
    bool joinBlock();
    // Puts the rows after every block's in the item's table, in blocks that
    // passOn() passes on; false when stopped or failed (blockFailure()) or
    // passOn() refused.
    bool finishJoin(int blockRows, const std::function<bool()>& passOn);

protected:
    QList<QPair<QString, QString>> summaryRows() const override;

private:
    void runTransform();
    // The parts of a run before and after the transform's process().
    void startRun();
    bool processUpstream();
    void finishRun(bool error);
    void checkUpstreamCount(int upstreamCount);
    // Runs finish(), which puts its result in the item's table a block at a
    // time and calls the handOn() it is given for each: the block gets the
    // item's column ids and row count and goes to passOn(), whose time (the
    // items after it) is not the item's.
    using BlockHandOn = std::function<bool()>;
    bool handOnBlocks(
        const std::function<bool(const BlockHandOn&)>& finish, const BlockHandOn& passOn);

    Transform* m_transform = nullptr;
    // A run in blocks: the time spent, the first block's messages and the
    // counts summed so far.
    qint64 m_blockTime = 0;
    int m_blocks = 0;
    QStringList m_firstInformation;
    QVector<qint64> m_blockCounts;
    std::unique_ptr<RowBlockConsumer> m_consumer;
    std::unique_ptr<RowBlockStage> m_stage;
};
