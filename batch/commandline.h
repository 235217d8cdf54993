#pragma once

// The program's arguments: options with a single minus sign and an
// optional document path. Shared by interactive start-up (which document
// to open) and the non-interactive run.

#include <QString>
#include <QStringList>

#include <vector>

struct CommandLine
{
    static constexpr int MaxVerbosity = 4;

    bool nonInteractive = false;
    int verbosity = 0;
    // Seconds after which processing stops; 0 for no limit.
    int timeoutSeconds = 0;
    QString logPath;
    bool overwriteLog = false;
    bool newWindow = false;
    // Printed before a non-interactive run only.
    bool printVersion = false;
    bool printBuild = false;
    bool help = false;
    // Prints the traps found in every Input's columns after the run.
    bool checkColumns = false;
    // The run record to write after the run, and the one to compare the
    // Inputs with before the Outputs write.
    QString recordPath;
    // Where rows that do not fit in memory are put aside; empty for the
    // preferences' folder.
    QString tempFolder;
    QString comparePath;
    // A change in an Input's row count beyond this percentage is drift.
    int driftRowsPercent = 50;
    // Any drift, or a record that cannot be compared with, ends the run
    // before anything is written.
    bool failOnDrift = false;
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
    // One option as the help text and the manual page describe it.
    struct Option
    {
        const char* word;
        // The placeholder of the value that follows, or empty for a flag.
        const char* value;
        const char* description;
    };
    // Every option, in the order the help text lists them. The help text and
    // the manual page are both written from this table so that they cannot
    // disagree.
    static const std::vector<Option>& options();
    // The short usage text of the help option.
    static QString usage();
    // The manual page, in the roff format that man reads.
    static QString manual();
};
