#pragma once

// Running the open document once per batch row (or per file of a row's
// wildcard), with the row's files assigned to the aliased items, and
// reporting every run as the command line does.

#include "batch/batchtable.h"
#include "batch/commandlinereport.h"
#include "document/documentinfo.h"

#include <QObject>
#include <QSet>
#include <QVariantMap>

#include <functional>
#include <memory>

class GraphModel;
class QDateTime;
class Node;

class BatchRun : public QObject
{
    Q_OBJECT

public:
    // The sheets of a workbook, for sheet patterns in brackets.
    using SheetLister = std::function<QStringList(const QString& workbook)>;

    explicit BatchRun(GraphModel& scene, QObject* parent = nullptr);
    ~BatchRun() override;

    void setRows(const QVector<BatchRow>& rows) { m_rows = rows; }
    void setLogging(const BatchLogging& logging) { m_logging = logging; }
    // The document file, for relative cells, the log path and the report.
    void setDocumentPath(const QString& path) { m_documentPath = path; }
    void setSheetLister(SheetLister lister) { m_sheetLister = std::move(lister); }

    // Runs every row; the items get their own files back at the end.
    void run();
    // No further run starts; the one in progress finishes.
    void stop() { m_stopRequested = true; }
    bool isRunning() const { return m_running; }

    int runs() const { return m_runs; }
    int runsWithErrors() const { return m_runsWithErrors; }
    int errors() const { return m_errors; }
    int warnings() const { return m_warnings; }

signals:
    // Every report line, as the log file gets it.
    void reported(const QString& line, bool error);

private:
    class Sink;
    struct Target
    {
        Node* node;
        QString value;
        QString sheet;
    };
    using Assignment = QVector<Target>;

    void openLog();
    bool expandRow(const BatchRow& row, QVector<Assignment>* runs);
    bool expandInput(const QList<Node*>& inputs, const QString& cell, QVector<Assignment>* runs);
    QString absolute(const QString& cell) const;
    void assign(const Assignment& targets);
    void clearAppendOutputs();
    void runOnce();
    bool writeRecord(const QDateTime& started);
    void finish(qint64 elapsedMs);
    void saveItems();
    void restoreItems();
    bool stopSeen();
    void info(const QString& line);
    void error(const QString& line);

    GraphModel& m_scene;
    QVector<BatchRow> m_rows;
    BatchLogging m_logging;
    QString m_documentPath;
    SheetLister m_sheetLister;
    std::unique_ptr<Sink> m_sink;
    CommandLineReport m_log;
    QMap<Node*, QVariantMap> m_saved;
    QSet<QString> m_cleared;
    // The record cell of the row being run; empty for none.
    QString m_recordCell;
    QMap<QString, int> m_overwrites;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_stopReported = false;
    int m_runs = 0;
    int m_runsWithErrors = 0;
    int m_errors = 0;
    int m_warnings = 0;
};
