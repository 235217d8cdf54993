#pragma once

// Gathers a run record from a graph: an Input's facts while its rows are at
// hand, and at the end of the run every item's row counts and the files the
// Outputs and Charts wrote.

#include "batch/runrecord.h"
#include "core/values.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class DateFormatList;
class GraphModel;
class InputNode;
class Node;

class Dataset;

// The label drift lines name an Input by: its alias, or its name.
QString inputLabel(const InputNode& input);
// The choices the readers made for options set to Automatic, from the
// information lines they tell them in ("Encoding" -> "UTF-8").
QMap<QString, QString> automaticChoices(const QStringList& information);
// The rows and columns of a table, as an Input's facts hold them.
InputFacts tableFacts(const Dataset& data, const DateFormatList& dates);
// What the Input's last read found. Reads every row of its table.
InputFacts inputFacts(const InputNode& input, const DateFormatList& dates);
// The same, split in two: what is taken from the item now, and a task that
// works out the rest on any thread (it holds a shared copy of the table, so
// the item may let its rows go or read again meanwhile).
std::function<InputFacts()> inputFactsTask(const InputNode& input, const DateFormatList& dates);

// Works out each Input's facts as its read ends, on a thread of its own
// while the run goes on (a run that keeps no results lets an Input's rows go
// once they are read downstream); take() waits for them.
class InputFactsCollector : public QObject
{
    Q_OBJECT

public:
    explicit InputFactsCollector(GraphModel& graph);
    ~InputFactsCollector() override;
    // The Inputs' facts in the graph's order.
    QVector<InputFacts> take();

private:
    void onNodeProcessed(Node* node);

    GraphModel& m_graph;
    const DateFormatList m_dates;
    std::vector<std::thread> m_tasks;
    std::mutex m_guard;
    QHash<qint32, InputFacts> m_facts;
};
// The facts of every Input of the graph that holds its rows.
QVector<InputFacts> inputsFacts(const GraphModel& graph);
// The whole record of the run just ended (the document is the graph's).
RunRecord buildRunRecord(const GraphModel& graph, const QVector<InputFacts>& inputs,
    const QDateTime& started, const QDateTime& finished);
