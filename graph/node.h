#pragma once

#include "core/dataset.h"
#include "core/tablesource.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>

class Connection;
class GraphModel;
class RunContext;

// Processing status of a graph item. The numbers are shown to no one but are
// what the status field holds; the words are what the user sees.
enum NodeStatus : qint32 {
    StatusNeedsUpdating = 0,
    StatusUpdating = 1,
    StatusUpToDate = 2,
    StatusError = 3
};

QString statusName(int status);

// Type codes of the graph item kinds. Undo snapshots and the clipboard keep
// them, and the canvas gives its items the same codes.
constexpr int ItemTypeBase = 65536;
enum NodeType : int {
    InputNodeType = ItemTypeBase + 1,
    TransformNodeType = ItemTypeBase + 2,
    OutputNodeType = ItemTypeBase + 3,
    NoteNodeType = ItemTypeBase + 4,
    ChartNodeType = ItemTypeBase + 5
};

// Which connections of a Node to list.
enum ConnectionDirection : int { Outgoing = 0, Incoming = 1, AllConnections = 2 };

// One item of the processing graph. Carries everything the processing run
// needs of an item (identity, name, dataset, status, messages, timing,
// progress and connections); each kind supplies its own processing. Where
// the item sits on the canvas and whether it is selected belong to the model
// too, as documents, undo and the editing commands read them; the window's
// canvas items only draw it.
class Node : public TableSource
{
    Q_OBJECT

public:
    static constexpr int NoLimit = 2147483647;

    explicit Node(QObject* parent = nullptr);
    ~Node() override;

    // The kind's type code (NodeType).
    virtual int type() const = 0;
    // The graph the item belongs to; null until a graph takes it.
    GraphModel* graph() const { return m_graph; }
    void setGraph(GraphModel* graph) { m_graph = graph; }

    // Place and selection on the canvas. The position is the top left corner
    // of the item's rectangle, which is the same size for every kind.
    QPointF pos() const { return m_pos; }
    void setPos(const QPointF& point);
    void setPos(qreal x, qreal y) { setPos(QPointF(x, y)); }
    void moveBy(qreal dx, qreal dy) { setPos(m_pos + QPointF(dx, dy)); }
    static QRectF itemRect();
    // The item's rectangle in its own coordinates (the top left at 0, 0).
    QRectF boundingRect() const { return itemRect(); }
    QRectF bounds() const { return itemRect().translated(m_pos); }
    bool isSelected() const { return m_selected; }
    void setSelected(bool on);
    // Tells whoever draws the item to draw it again.
    void update() { emit appearanceChanged(this); }

    // Identity, connections, status and results: what the graph, the run and
    // the panes ask of every kind of item
    // -1 leaves the item without an id until a graph takes it: ids are
    // numbered per document, by the graph the item joins.
    virtual void setId(qint32 id);
    qint32 id() const override { return m_id; }
    virtual bool hasNoRows() const { return rowCount() == 0; }
    virtual QString comment() const { return m_comment; }
    virtual void setComment(const QString& text) { m_comment = text; }
    virtual QPointF centre() const;
    virtual void setCentre(const QPointF& point);
    QString displayName() const override = 0;
    // The kind's name in the log, summaries and lists ("Input", "Note");
    // lower case, it names the kind's element in documents.
    virtual QString typeName() const = 0;
    // Whether the item processes data and counts in a run's report; notes
    // only hold text.
    virtual bool takesPartInRuns() const { return true; }
    // Whether the item reads or writes the user's data files (Inputs and
    // Outputs): documents store its name, the run report counts its files.
    virtual bool isFileItem() const { return false; }
    virtual QString logLine(bool detailed) const;
    // The rows that came in from each upstream item (by display name) and
    // went out in the item's last processing; out is -1 before any.
    struct RowFlow
    {
        QVector<QPair<QString, int>> in;
        int out = -1;
    };
    const RowFlow& rowFlow() const { return m_rowFlow; }
    // Rows the item's last processing counted but left out of its table,
    // as nothing after it would read them (see ColumnUse).
    virtual qint64 rowsLeftOut() const { return 0; }
    // Why the item leaves out some of its first upstream item's rows
    // ("not matching the rules"); empty for kinds that never drop rows.
    virtual QString droppedRowsReason() const { return QString(); }
    // Rows of the first upstream item the last processing left out, for a
    // kind that drops rows (see droppedRowsReason()); 0 otherwise.
    int droppedRows() const;
    // "1000 in from 'people.csv', 600 out, 400 dropped (...)"; empty before
    // the item has processed.
    QString rowFlowText() const;
    virtual QList<Connection*> connections(int direction = AllConnections) const;
    virtual void addConnection(Connection* connection);
    virtual void removeConnection(Connection* connection);
    virtual void setStatus(int status, bool propagate);
    virtual int status() const;
    virtual QString sizeText() const;
    virtual bool isProcessed() const;
    virtual bool allUpstreamUpToDate() const;
    virtual bool canProcess() const = 0;
    const Dataset& dataset() const override { return m_dataset; }
    QPointF place() const override { return m_pos; }
    QString sourceFile() const override;
    // The file the item itself reads or writes; empty for most kinds.
    virtual QString ownFile() const { return QString(); }
    virtual QStringList columnNames() const { return m_dataset.columnNames(); }
    virtual int columnCount() const { return m_dataset.columnCount(); }
    // The rows of the last result: those of a result passed on in blocks
    // (see StreamedRun) count whole, though the item holds the last block.
    virtual int rowCount() const
    {
        return m_streamedRows >= 0 ? int(m_streamedRows) : m_dataset.rowCount();
    }
    virtual int maxUpstream() const = 0;
    virtual int maxDownstream() const = 0;
    virtual QList<Node*> upstreamNodes(bool sorted) const;
    virtual QList<Node*> downstreamNodes(bool sorted) const;
    virtual QSet<Node*> ancestors() const;
    virtual bool isConnectedFrom(const Node* node) const;
    virtual void setProgress(qreal fraction);
    virtual void process(bool processDownstream, bool force) = 0;
    virtual QString name() const { return m_name; }
    virtual void setName(const QString& text) { m_name = text.trimmed(); }
    virtual bool canStartConnection() const;
    virtual QStringList warnings() const { return m_warnings; }
    virtual int warningCount() const { return warnings().size(); }
    virtual QStringList information() const { return m_information; }
    virtual qint64 processingTime() const { return m_processingTime; }
    virtual QDateTime lastProcessed() const { return m_lastProcessed; }
    virtual void upstreamProcessed() = 0;
    // Lets the rows of the item's result go once nothing will read them
    // again (a run without windows); the item keeps its status and messages.
    void releaseRows() override { m_dataset.releaseRows(); }
    // Lets the result go entirely (the memory limit's orderly stop).
    void clearResults() { m_dataset.clear(); }
    // The run context of the item's document; an item outside any document
    // (being built, or in a test) has one of its own.
    RunContext& runContext() const;

    // Progress, sample-only reads, summaries and undo snapshots
    qreal progress() const { return m_progress; }
    // The first rows of a long read, shown while the rest is read (see
    // ReadOptions::firstRows); empty otherwise. Milliseconds since the
    // processing began, for an estimate of the rest. Both on the graph's
    // thread.
    const Dataset& firstRows() const { return m_firstRows; }
    qint64 processingFor() const
    {
        return m_started.isValid() ? m_started.msecsTo(QDateTime::currentDateTime()) : 0;
    }
    bool isSampleOnly() const { return m_sampleOnly; }
    void setSampleOnly(bool on) { m_sampleOnly = on; }
    // The one-line result shown in brackets in the log line and in the
    // summary; empty means nothing to show.
    virtual QString resultText() const;
    // The HTML summary shown as tool tip and in the node summary window.
    QString summary() const;
    // The options of the item as plain values, for undo snapshots. A kind
    // saves what makes it the same item again once it is processed.
    virtual QVariantMap saveOptions() const { return QVariantMap(); }
    virtual void restoreOptions(const QVariantMap& options) { Q_UNUSED(options) }

    // Sorts Nodes top to bottom, then left to right for Nodes within 1.0 of
    // the same height.
    static void sortInCanvasOrder(QList<Node*>& nodes);
    static bool canvasLessThan(const Node* a, const Node* b);

signals:
    void nodePosChanged(QList<Node*> nodes);
    void selectedChanged(Node* node);
    // Whatever the item shows changed (status, progress, name).
    void appearanceChanged(Node* node);
    void processingStart(Node* node);
    void processingEnd(Node* node);
    void processed(Node* node, qreal fractionProcessed);
    void firstRowsRead(Node* node);

public slots:
    void onProcessed(qreal fractionProcessed);

protected:
    friend class StreamedRun;

    virtual QList<QPair<QString, QString>> summaryRows() const;

    // The two ends of an item's own processing. A run may go on a worker
    // thread while the window reads the items: the status changes, the
    // signals the window follows and anything bound to the window's thread
    // (watching files, the downstream items' column bindings) happen on the
    // graph's thread while the run waits, and in between the results belong
    // to the run (nothing reads the results of an "Updating" item).
    void beginProcessing();
    void endProcessing(int status);
    // Notes the rows that came in and went out (see rowFlow()); part of
    // endProcessing().
    void takeRowFlow();
    // Runs work on the thread the graph lives on, waiting for it; at once
    // when already there or when the item belongs to no graph.
    void onGraphThread(const std::function<void()>& work);
    // Hands the first rows of a long read to the graph's thread, without
    // waiting for them to be shown.
    void showFirstRows(Dataset&& rows);

    // The state every kind's processing replaces.
    Dataset m_dataset;
    mutable std::unique_ptr<RunContext> m_ownContext;
    qint32 m_status = StatusNeedsUpdating;
    qint64 m_processingTime = 0;
    QDateTime m_lastProcessed;
    QStringList m_warnings;
    QStringList m_information;
    // The rows of a result passed on in blocks, -1 for a whole one.
    qint64 m_streamedRows = -1;

private:
    void showProgress(qreal fraction);

    QString m_name;
    RowFlow m_rowFlow;
    QList<Connection*> m_connections;
    qint32 m_id = -1;
    QString m_comment;
    qreal m_progress = 0.0;
    // What the run last reported, read and written by the run's thread only.
    qreal m_reportedProgress = 0.0;
    bool m_sampleOnly = false;
    QDateTime m_lastProgressReport;
    // Read and written on the graph's thread only.
    Dataset m_firstRows;
    QDateTime m_started;
    GraphModel* m_graph = nullptr;
    QPointF m_pos;
    bool m_selected = false;
};

// Whether a run is writing the item's results: until it ends, nothing but
// the run reads them (the window shows what it had).
inline bool isBeingUpdated(const Node* node)
{
    return node->status() == StatusUpdating;
}

// The items as the tables a transform reads of them.
QList<TableSource*> tablesOf(const QList<Node*>& nodes);
