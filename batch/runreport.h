#pragma once

// The report of one processing run, shared by the command line and the batch
// window so that both describe a run in the same lines: the items that ended
// with a problem, the counts of what was processed and written, and the
// results line.

#include <QMap>
#include <QString>

class GraphModel;
class Node;

// Where report lines go: the console and log of the command line, the log
// pane and log file of a batch.
class ReportSink
{
public:
    virtual ~ReportSink() = default;
    virtual void info(const QString& line) = 0;
    virtual void error(const QString& line) = 0;
};

class RunReport
{
public:
    RunReport(ReportSink& sink, int verbosity) : m_sink(sink), m_verbosity(verbosity) { }

    // An item that ended with an error or warnings: its status line and, by
    // verbosity, its information and warning lines. Counted in the tally.
    void item(const Node& node);
    // Every item, in the order Input, Transform, Output, Chart.
    void items(const GraphModel& scene);
    // At verbosity 3, the rows every processed item took in and gave out.
    void rowCounts(const GraphModel& scene);
    // "Processed", "Outputs written" and "Charts written", with the files at
    // verbosity 3.
    void counts(const GraphModel& scene);
    // The files written more than once, when there are any.
    void overwritten(const QMap<QString, int>& writes);
    void elapsed(qint64 milliseconds, const QString& label = QStringLiteral("Elapsed"));
    // "Results: ..." with the errors and, at verbosity 2, the warnings.
    void results(const QString& label = QStringLiteral("Results"));

    int errors() const { return m_errors; }
    int warnings() const { return m_warnings; }
    void addError() { ++m_errors; }
    // Warnings that belong to no item (what the loader could not take over).
    void addWarnings(int count) { m_warnings += count; }
    int verbosity() const { return m_verbosity; }

    // The files the items of a kind (Output or Chart) report having written
    // in the last run, with how often. Appending to a file overwrites
    // nothing, so without appends only creating and overwriting count.
    static QMap<QString, int> writtenFiles(const GraphModel& scene, int type, bool appends);
    // The files one item reports having written, in order (a sheet as
    // "file[sheet]").
    static QStringList filesWrittenBy(const Node& node, bool appends);
    static QString now();

private:
    ReportSink& m_sink;
    int m_verbosity;
    int m_errors = 0;
    int m_warnings = 0;
};
