#pragma once

#include "core/runcontext.h"
#include "core/runtexts.h"
#include "graph/graphsnapshot.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class Connection;
class Node;
class RunWorker;
class Transform;
class TransformNode;
class UserPrompt;

// The items and connections of one open document. Enforces the connection
// rules, runs the processing, reacts to changes (auto run) and keeps the undo
// history. It knows nothing of how it is drawn: the window's canvas follows
// it through its signals.
class GraphModel : public QObject
{
    Q_OBJECT

public:
    enum RunMode { RunAll = 0, RunUnprocessed = 1, RunSelected = 2, RunAllForced = 3 };
    static constexpr int MaxSnapshots = 10;

    explicit GraphModel(QObject* parent = nullptr);
    ~GraphModel() override;

    // Items
    QList<Node*> nodes(bool selectedOnly = false) const; // canvas order
    QList<Connection*> connections(bool selectedOnly = false) const;
    // In the order the graph took them.
    const QList<Node*>& nodesInOrder() const { return m_nodes; }
    QList<Node*> nodesWithStatus(int status) const;
    Node* nodeWithId(qint32 id) const;
    // Adds a Node as a user change (undoable), wires its signals and runs
    // when auto run is on.
    void addNode(Node* node, const QString& undoLabel = QStringLiteral("add item"));
    // Ids are numbered per document; an id held outside the graph (a chart
    // kept as text) is reserved so that no new item takes it.
    void reserveId(qint32 id);
    // Adds without recording or running: for loaders and snapshots.
    void insertNode(Node* node);
    Connection* insertConnection(Node* from, Node* to);
    // Removes every item and connection.
    void clearGraph();
    // Gives up an item without deleting it (its connections must be gone),
    // so that another graph can take it.
    void takeNode(Node* node);
    // Called by an item and a connection as they are deleted.
    void forgetNode(Node* node);
    void forgetConnection(Connection* connection);
    void connectionSelectionChanged(Connection* connection);

    // Selection
    void clearSelection();
    void selectAll();
    bool hasSelection() const;
    // The rectangle around every item; empty without items.
    QRectF itemsBoundingRect() const;

    // The path of the document the graph was read from or saved to; empty
    // for a new document. File name variables and stamps read it.
    QString documentPath() const { return m_runContext.documentPath(); }
    void setDocumentPath(const QString& path) { m_runContext.setDocumentPath(path); }
    // A relative file or folder path taken from the document's folder, so
    // that a document and the files beside it move together; other paths,
    // and every path of a document not saved yet, as they are.
    QString absolutePath(const QString& path) const;
    // Binds every transform's column options to its current upstream items.
    void rebindAll();

    // Connections
    bool canConnect(const Node* from, const Node* to) const;
    QList<Node*> connectableTargets(Node* from) const;
    void startConnection(Node* from);
    Node* connectionStart() const { return m_connectionStart; }
    // Connects the pending start to the given Node; null when not allowed.
    Connection* connectTo(Node* to);
    Connection* connectNodes(Node* from, Node* to);

    // Editing (each does nothing while a run is in progress)
    void deleteSelection();
    // Column options downstream that removing these connections would reset.
    int columnOptionsReset(const QList<Connection*>& connections) const;
    // Disconnects the connections to and from the selected items, after the
    // user agreed when column options would be reset; false when refused.
    bool disconnectSelection();
    // Adding a transform where the selection says: after the selected
    // Input and Transform items, or into the one selected connection. The
    // problem text is empty when the selection suits the transform.
    QString addTransformProblem(const Transform& transform) const;
    // Takes ownership of a fresh transform (a clone of its prototype) and
    // wires it in; null, and the transform deleted, when the selection does
    // not suit it.
    TransformNode* addTransform(Transform* transform);
    UserPrompt& prompt() const;
    void setPrompt(UserPrompt* prompt); // not owned; null restores the default
    // The Stop request, memory budget and settings of this document's runs.
    RunContext& runContext() { return m_runContext; }
    const RunContext& runContext() const { return m_runContext; }

    // Processing
    void process(int mode, bool quiet);
    // A Run menu command: clears the stop request before and after.
    void runCommand(int mode);
    void stop();
    bool isProcessing() const { return m_processing; }
    // Whether runs go on a thread of their own, so that the window that
    // shows the graph keeps answering. Off, a run returns when it is over
    // (the command line, batch runs and tests).
    bool runsOnWorker() const { return m_runsOnWorker; }
    void setRunsOnWorker(bool on) { m_runsOnWorker = on; }
    // Does work now, or once the run in progress has ended when there is
    // one (while context lives): an edit made during a run is neither lost
    // nor made under the running items.
    void whenIdle(QObject* context, const std::function<void()>& work);
    // Runs work on the graph's thread, waiting for it: what a run on the
    // worker must not do beside the window (changing statuses, signals the
    // window follows). At once when already on the graph's thread.
    void onModelThread(const std::function<void()>& work);
    // The same without waiting (progress the window draws when it can).
    void postToModelThread(const std::function<void()>& work);
    bool autoRun() const { return m_autoRun; }
    void setAutoRun(bool on) { m_autoRun = on; }
    int toProcessCount() const { return m_toProcess; }
    // Whether items keep their results after the items downstream of them
    // have processed. Without windows no one looks at them again, and
    // letting them go keeps the memory of a long chain close to that of
    // its largest step.
    bool keepsResults() const { return m_keepsResults; }
    void setKeepsResults(bool keep) { m_keepsResults = keep; }
    // Where readers make the texts of repeated values while results are not
    // kept: they count no references and are freed with this graph, after
    // its items (see RunTexts).
    std::shared_ptr<RunTexts> runTexts();
    // Whether reader is the last item of this run to read source's rows, so
    // that it may take them over instead of copying them: only when results
    // are not kept and every other item downstream of source is done.
    bool isLastReader(const Node* source, const Node* reader) const;
    int processedCount() const { return m_processedCount; }

    // Undo history
    void recordSnapshot(const QString& label);
    bool canUndo() const;
    bool canRedo() const;
    QString undoLabel() const;
    int snapshotCount() const { return int(m_snapshots.size()); }
    bool undo();
    bool redo();
    void setSnapshotMaker(SnapshotMaker maker);

    // Marks the outermost of nested changes: only it records a snapshot.
    class UndoScope
    {
    public:
        UndoScope(GraphModel& scene, const QString& label);
        ~UndoScope();
        UndoScope(const UndoScope&) = delete;
        UndoScope& operator=(const UndoScope&) = delete;

    private:
        bool m_outermost;
    };

signals:
    // What the canvas follows: items and connections coming and going, the
    // selection, and anything drawn changing.
    void nodeInserted(Node* node);
    void nodeRemoved(Node* node);
    void connectionInserted(Connection* connection);
    void connectionRemoved(Connection* connection);
    void connectionSelected(Connection* connection);
    void selectionChanged();
    void appearanceChanged();
    // A run passed the memory maximum and the user chose not to go on: the
    // results are gone and the items need updating; the application ends in
    // an orderly way (message, auto-recovery copy, exit code 1).
    void memoryLimitExceeded();
    void nodesAdded();
    void nodesDeleted();
    void nodesPosChanged();
    void nodeDataChanged(Node* node);
    void nodeParametersChanged(TransformNode* node);
    void processingComplete();
    void fileOpen(const QString& path);
    void showStatusBarMessage(const QString& text, int milliseconds);
    void showWarningMessage(const QString& text);
    void showCriticalMessage(const QString& text);
    void showTempMessage(const QString& text);
    void showLogMessage(const QString& text);
    void nodeProcessed(Node* node);
    void showProgress(int percent);
    void showProgressBusyStart();
    void showProgressBusyEnd();
    void allowUserInteraction(bool allowed);
    void doubleClickNode(Node* node);
    void transformNodeAddedByUser(const QString& transformName);
    // Ticks of long runs, undo history changes and the auto-run tip
    void heartBeat();
    void undoHistoryChanged();
    void autoRunStoppedTip(const QString& tip, int milliseconds);

public slots:
    void onSourceChanged(Node* node);
    // A change made in the right pane: applied once the user pauses for the
    // processing delay.
    void onSourceChangedDelayed(Node* node);
    void onProcessingStart(Node* node);
    void onProcessingEnd(Node* node);
    void onPosChanged(QList<Node*> nodes);
    void onSelectedChanged(Node* node);

private:
    void wireNode(Node* node);
    QPointF placeFor(const QList<Node*>& upstream, const Connection* into) const;
    void removeConnection(Connection* connection);
    void bridge(Node* node);
    void removeNode(Node* node);
    QList<Node*> prepareSelected();
    QList<Node*> prepareFromRoots(int mode);
    void runSelected(QList<Node*> work);
    void runFromRoots(const QList<Node*>& roots, bool force);
    void finishRun(qint64 elapsed, bool quiet);
    void logStop();
    void endOverMemory();
    void releaseConsumedResults(Node* node);
    void onDelayTimeout();
    void queueChange(Node* node, bool moved);
    void restoreSnapshot(const UndoSnapshot& snapshot);

    // First, so that it goes last: after every member, and after the items,
    // which the destructor's body deletes.
    std::shared_ptr<RunTexts> m_runTexts;
    bool m_processing = false;
    bool m_runsOnWorker = false;
    // The thread runs go on, made for the first one and kept, so that what
    // a transform makes for its runs (a script engine) stays on one thread.
    RunWorker* m_worker = nullptr;
    QElapsedTimer m_runTimer;
    QList<QPair<QPointer<QObject>, std::function<void()>>> m_whenIdle;
    RunContext m_runContext;
    qint32 m_nextId = 1;
    // In the order they were added.
    QList<Node*> m_nodes;
    QList<Connection*> m_connections;
    QPointer<Node> m_connectionStart;
    int m_toProcess = 0;
    int m_processedCount = 0;
    bool m_autoRun = false;
    bool m_keepsResults = true;
    QTimer m_delayTimer;
    QList<QPointer<Node>> m_delayedNodes;
    QList<QPointer<Node>> m_movedDuringRun;
    UserPrompt* m_prompt = nullptr;
    std::unique_ptr<UserPrompt> m_defaultPrompt;
    // Newest first; m_undoPosition snapshots have been undone.
    std::vector<std::unique_ptr<UndoSnapshot>> m_snapshots;
    std::unique_ptr<UndoSnapshot> m_redoTip;
    int m_undoPosition = 0;
    SnapshotMaker m_snapshotMaker;
    bool m_restoring = false;
};
