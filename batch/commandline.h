#pragma once

// The program's arguments: options with a single minus sign and an
// optional document path. Shared by interactive start-up (which document
// to open) and the non-interactive run.

#include <QString>
#include <QStringList>

struct CommandLine
{
    static constexpr int MaxVerbosity = 4;

    bool nonInteractive = false;
    int verbosity = 0;
    QString logPath;
    bool overwriteLog = false;
    bool newWindow = false;
    // Printed before a non-interactive run only.
    bool printVersion = false;
    bool printBuild = false;
    bool help = false;
    // "alias=path" texts of the file and folder options, in argument order.
    QStringList assignments;
    QString documentPath;
    // The fatal error met while parsing; empty when the arguments are good.
    QString fatalError;

    bool isValid() const { return fatalError.isEmpty(); }

    // Parses the arguments that follow the program name. Stops at the first
    // fatal error.
    static CommandLine parse(const QStringList& arguments);
    // Whether the arguments ask for a run without windows (decided before
    // the application object exists, to choose the platform).
    static bool wantsNoWindows(const QStringList& arguments);
    // The short usage text of the help option.
    static QString usage();
};
