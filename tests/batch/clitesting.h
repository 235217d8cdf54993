#pragma once

// Shared by the command-line tests: the built program, its console lines and
// a run of it, in process or as a child process.

#include <QBuffer>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

inline QString varnixProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../varnix");
}

// Lines without the empty one after the last line break, and without Qt's
// own start-up notices, which are no part of the report.
inline QStringList consoleLines(const QByteArray& data)
{
    QStringList list = QString::fromLocal8Bit(data).split(QLatin1Char('\n'));
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    list.erase(std::remove_if(list.begin(), list.end(),
                   [](const QString& l) { return l.startsWith(QLatin1String("QStandardPaths:")); }),
        list.end());
    return list;
}

inline QString red(const QString& text)
{
    return QStringLiteral("\x1b[31m") + text + QStringLiteral("\x1b[0m");
}

// Captures the console of an in-process run.
struct Console
{
    QBuffer out;
    QBuffer err;
    Console()
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }
    QStringList outLines() const { return consoleLines(out.data()); }
    QStringList errLines() const { return consoleLines(err.data()); }
};

struct ProgramRun
{
    int exitCode = -2; // -2: did not finish, -3: crashed
    QStringList out;
    QStringList err;
};

// Runs the program in the prepared process (environment, folder, channels).
inline ProgramRun runProgram(QProcess& process, const QStringList& arguments)
{
    process.start(varnixProgram(), arguments);
    ProgramRun result;
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    result.out = consoleLines(process.readAllStandardOutput());
    result.err = consoleLines(process.readAllStandardError());
    return result;
}
