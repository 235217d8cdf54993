#pragma once

// Running a document without interaction: load it, point aliased inputs and
// outputs at other files, process the whole graph once, report, and give the
// exit code.

#include "batch/commandline.h"
#include "batch/runrecord.h"

#include <QString>
#include <QStringList>

class CommandLineReport;
struct LoadReport;
class GraphModel;

class EngineSettings;

class CommandLineRun
{
public:
    static constexpr int ExitOk = 0;
    static constexpr int ExitItemErrors = 1;
    static constexpr int ExitFatal = -1;

    CommandLineRun(const CommandLine& line, CommandLineReport& report);

    // The whole non-interactive run; returns the exit code.
    int run();

    // When the process ends right after the run, the loaded graph and its
    // tables are left for the operating system to reclaim at exit: freeing
    // millions of values one by one would add seconds to every run.
    void setLeaveGraphAtExit(bool leave) { m_leaveGraphAtExit = leave; }
    // The user's preferences the run reads (memory maximum, extension maps,
    // locale); without them the run uses the defaults. Not owned.
    void setSettings(EngineSettings* settings) { m_settings = settings; }

    // Applies "alias=path" assignments to the inputs (first) and outputs of
    // a loaded document; returns the fatal message of the first one that
    // cannot be used, or an empty text.
    static QString applyAssignments(GraphModel& scene, const QStringList& assignments);

    static QString versionLine();
    static QString buildLine();

private:
    int fatal(const QString& message);
    void openLog();
    int reportLoadWarnings(const LoadReport& loaded);
    void reportColumnTraps(const GraphModel& scene);
    // The record to compare with; false, with the error reported, when it
    // cannot be used.
    bool loadRecord(RunRecord* record);
    void readInputsFirst(GraphModel& scene);
    // Processes the whole graph once. With a record to compare with, the
    // Inputs are read first and their drift reported (and counted in
    // warnings) before anything is written; false when -fail-on-drift stops
    // the run there. The Inputs' facts go to inputs when the run records.
    // The report after the run (the items, rows, summary, column traps and
    // results) and the run record; returns the error count.
    int reportRun(const GraphModel& scene, qint64 elapsed, int warnings,
        const QVector<InputFacts>& inputs, const QDateTime& started);
    bool processGraph(
        GraphModel& scene, const RunRecord* previous, QVector<InputFacts>* inputs, int* warnings);
    // Prints the drift lines; returns their count.
    int reportDrift(const RunRecord& previous, const QVector<InputFacts>& inputs);
    int stopBeforeWriting();
    bool writeRecord(
        const GraphModel& scene, const QVector<InputFacts>& inputs, const QDateTime& started);

    const CommandLine& m_line;
    CommandLineReport& m_report;
    bool m_leaveGraphAtExit = false;
    EngineSettings* m_settings = nullptr;
};
