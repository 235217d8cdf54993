#pragma once

// Where a command-line run reports: report lines go to standard output,
// error lines to the diagnostic channel in red, and both to the log file
// when one is open.

#include "batch/runreport.h"

#include <QFile>
#include <QString>

class QIODevice;

class CommandLineReport : public ReportSink
{
public:
    // Neither device is owned; both must be open for writing.
    CommandLineReport(QIODevice* out, QIODevice* err);
    ~CommandLineReport() override;
    CommandLineReport(const CommandLineReport&) = delete;
    CommandLineReport& operator=(const CommandLineReport&) = delete;

    // Opens the log for appending, or truncates it; false when it cannot be
    // opened (the run goes on without it).
    bool openLog(const QString& path, bool overwrite);
    bool hasLog() const { return m_log.isOpen(); }
    QString logPath() const;

    void info(const QString& line) override;
    void error(const QString& line) override;
    void flush();

private:
    void writeLog(const QString& line);
    static void flushDevice(QIODevice* device);

    QIODevice* m_out;
    QIODevice* m_err;
    QFile m_log;
};
