#include "batch/commandlinereport.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>

CommandLineReport::CommandLineReport(QIODevice* out, QIODevice* err) : m_out(out), m_err(err)
{
}

CommandLineReport::~CommandLineReport()
{
    flush();
}

bool CommandLineReport::openLog(const QString& path, bool overwrite)
{
    m_log.setFileName(path);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Text
        | (overwrite ? QIODevice::Truncate : QIODevice::Append);
    return m_log.open(mode);
}

QString CommandLineReport::logPath() const
{
    return QDir::toNativeSeparators(QFileInfo(m_log.fileName()).absoluteFilePath());
}

void CommandLineReport::info(const QString& line)
{
    if (m_out) {
        m_out->write(line.toLocal8Bit());
        m_out->write("\n");
    }
    writeLog(line);
}

void CommandLineReport::error(const QString& line)
{
    if (m_err) {
        // Standard output is buffered when it goes to a pipe or a file and
        // standard error is not: without this, "2>&1" shows an error before
        // the report lines written ahead of it.
        flushDevice(m_out);
        // Item lines start indented; in colour the indent only looks odd.
        const QString text = line.startsWith(QLatin1Char(' ')) ? line.mid(1) : line;
        m_err->write("\x1b[31m");
        m_err->write(text.toLocal8Bit());
        m_err->write("\x1b[0m\n");
        flushDevice(m_err);
    }
    writeLog(line);
}

void CommandLineReport::flushDevice(QIODevice* device)
{
    if (auto* file = qobject_cast<QFileDevice*>(device))
        file->flush();
}

void CommandLineReport::flush()
{
    flushDevice(m_out);
    flushDevice(m_err);
    if (m_log.isOpen())
        m_log.flush();
}

void CommandLineReport::writeLog(const QString& line)
{
    if (!m_log.isOpen())
        return;
    m_log.write(line.toUtf8());
    m_log.write("\n");
    m_log.flush();
}
