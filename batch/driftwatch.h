#pragma once

// Drift in the window: after each read of a file Input, what the read found
// is worked out on a thread of its own (the window stays responsive), and
// when the Input read another file, or its file changed, since its previous
// read in the session, the changes are written to the graph's log as the
// command line's -compare prints them. Keeps the last facts of every Input
// for the run record the window saves.

#include "batch/runrecord.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <map>
#include <mutex>
#include <thread>

class GraphModel;
class Node;

class DriftWatch : public QObject
{
    Q_OBJECT

public:
    explicit DriftWatch(GraphModel* graph);
    ~DriftWatch() override;

    // Waits for the facts being worked out.
    void wait();
    // The record of the last run: the Inputs' last facts, every item's rows
    // and the files written. Waits for the facts being worked out.
    RunRecord lastRunRecord();

private:
    struct FileStamp
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp& o) const
        {
            return path == o.path && size == o.size && modified == o.modified;
        }
    };
    struct Entry
    {
        FileStamp stamp;
        InputFacts facts;
    };

    void onNodeProcessed(Node* node);
    // Takes the facts the tasks have finished, on the graph's thread.
    Q_INVOKABLE void takeReadyFacts();
    void onFacts(qint32 id, const FileStamp& stamp, const InputFacts& facts);

    GraphModel* m_graph;
    struct Ready
    {
        int serial;
        qint32 id;
        FileStamp stamp;
        InputFacts facts;
    };
    // Locked with a standard mutex rather than handed over in Qt's queue,
    // whose locking the thread checker cannot see.
    std::mutex m_readyGuard;
    QVector<Ready> m_ready;
    QHash<qint32, Entry> m_entries;
    QDateTime m_started;
    QDateTime m_finished;
    bool m_running = false;
    // The threads working out facts, by serial number.
    std::map<int, std::thread> m_tasks;
    int m_lastTask = 0;
};
