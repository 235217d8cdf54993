// The help text and the manual page, both written from one table of
// options so that a new option cannot appear in one and be missing from the
// other. The manual page is generated at build time (packaging/).
#include "batch/commandline.h"

namespace {

constexpr int HelpWidth = 79;
constexpr int HelpDescriptionColumn = 21;

const char* const Synopsis = "varnix [options] [document.transform]";

const char* const AliasNote
    = "Aliases are the names given to Input and Output items in the document; an alias held by an "
      "input and an output applies to the input.";

// The run record's fields, one paragraph each, for the manual page.
const char* const RecordFields[][2] = {
    { "schema, version",
        "\"varnix-run-record\" and 1; a record of another version is refused when compared "
        "with, never misread" },
    { "document", "path and sha256 of the .transform document" },
    { "started, finished", "the run's start and end, ISO 8601 with the time zone" },
    { "inputs",
        "per Input item: label (its alias, or its name), path, size, modified, sha256 of the "
        "bytes read, choices (how it was read: the Encoding and Delimiter set or guessed, and "
        "the guesses made for other options set to Automatic, such as Quoting), rows, and columns: "
        "name, kind (empty, integer, number, date or text), "
        "date_format for dates, distinct (the count of distinct values; above 1000 an "
        "estimate within about 1 %, with distinct_estimated true), values (every distinct value, "
        "for at most 50) and first (the first 5 values); a column of more than 1000 values takes "
        "its kind from 4000 rows spread over it" },
    { "items",
        "per item: type, name, id, rows_in (from and rows, per upstream item), rows_out, "
        "dropped and dropped_reason for items that leave rows out, warnings, error and "
        "milliseconds" },
    { "files", "per file an Output or Chart wrote: type, item, path, rows, bytes and sha256" },
};

struct ExitCode
{
    const char* code;
    const char* meaning;
};

const ExitCode ExitCodes[] = {
    { "0", "the document ran without errors" },
    { "1", "some item ended in error, or -fail-on-drift found drift" },
    { "-1 (255)", "the arguments or the document could not be used" },
};

const char* const Example
    = "varnix \"/data/clean.transform\" -file \"in=/data/march.csv\" "
      "-file \"out=/data/march_clean.csv\" -cli -verbosity 2 -log \"/data/clean_{date}.log\"";

// Breaks a paragraph into lines of at most `width` characters, the first
// starting at `firstColumn` and the others indented to `indent`.
QString wrapped(const QString& text, int firstColumn, int indent, int width = HelpWidth)
{
    QString result;
    int column = firstColumn;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < words.size(); ++i) {
        const QString& word = words.at(i);
        if (i > 0 && column + 1 + word.size() > width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (i > 0) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result;
}

QString optionLabel(const CommandLine::Option& option)
{
    QString label = QLatin1Char('-') + QLatin1String(option.word);
    if (*option.value)
        label += QLatin1Char(' ') + QLatin1String(option.value);
    return label;
}

// Text for roff: a backslash is written as \e and a minus sign as \- (a plain
// one may be set as a hyphen, which breaks copying an option from the page); a
// line must not start with a control character.
QString roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    escaped.replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (escaped.startsWith(QLatin1Char('.')) || escaped.startsWith(QLatin1Char('\'')))
        escaped.prepend(QLatin1String("\\&"));
    return escaped;
}

QString quotedRoff(const QString& text)
{
    return QLatin1Char('"') + roff(text) + QLatin1Char('"');
}

} // namespace

const std::vector<CommandLine::Option>& CommandLine::options()
{
    static const std::vector<Option> table = {
        { "cli", "", "run the document once without windows and exit" },
        { "verbose", "", "the same as -verbosity 2" },
        { "verbosity", "<0-4>",
            "how much to report: 0 errors and results only, 1 adds a blank line, 2 the items with "
            "problems and a summary, 3 their warnings and the files written, 4 information lines" },
        { "log", "<path>",
            "also write the report to this file (file-name variables such as {date} and {time} "
            "are expanded)" },
        { "overwrite", "", "overwrite the log file instead of appending to it" },
        { "timeout", "<seconds>",
            "stop processing after this many seconds and exit with code 1 (a script or a read "
            "that runs too long is interrupted)" },
        { "check-columns", "",
            "after the run, print the traps found in every Input's columns (dates that read both "
            "ways, leading zeros, long digit strings, wrong encodings, mixed kinds)" },
        { "record", "<path>",
            "write a JSON record of the run: the Inputs' files, automatic choices, columns and "
            "their kinds, every item's rows in and out, and the files written (its fields: man "
            "varnix)" },
        { "compare", "<path>",
            "compare the Inputs with a record of an earlier run and print a \"Drift:\" line per "
            "column added, removed, renamed, moved or changed in kind, row count changed, or new "
            "values, before anything is written" },
        { "drift-rows", "<percent>",
            "the change in an Input's row count that counts as drift (default 50)" },
        { "fail-on-drift", "",
            "with -compare: end the run with exit code 1, before any Output or Chart writes, when "
            "there is drift or the record cannot be compared with" },
        { "temp-folder", "<path>",
            "put rows that do not fit in memory aside in this folder while a sort needs them "
            "(default: the folder in the preferences, else the system's temporary folder)" },
        { "file", "<alias=path>", "point the input or output with this alias at a file" },
        { "folder", "<alias=path>", "point the folder input with this alias at a folder" },
        { "new_window", "", "open a new empty window instead of the start-up document" },
        { "version", "", "with -cli: print the version first" },
        { "build", "", "with -cli: print the build identification first" },
        { "help", "", "print a summary of the options and exit" },
    };
    return table;
}

QString CommandLine::usage()
{
    QString text
        = QStringLiteral("Usage: ") + QLatin1String(Synopsis) + QStringLiteral("\n\nOptions:\n");
    for (const Option& option : options()) {
        // A label too long for its column keeps one blank before the text.
        const QString label = QString(QStringLiteral("  ") + optionLabel(option))
                                  .leftJustified(HelpDescriptionColumn - 1)
            + QLatin1Char(' ');
        text += label
            + wrapped(QLatin1String(option.description), label.size(), HelpDescriptionColumn)
            + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + wrapped(QLatin1String(AliasNote), 0, 0)
        + QStringLiteral("\n\nExit codes:\n");
    for (const ExitCode& exit : ExitCodes)
        text += QString(QStringLiteral("  ") + QLatin1String(exit.code)).leftJustified(12)
            + QLatin1String(exit.meaning) + QLatin1Char('\n');
    return text + QStringLiteral("\nExample:\n  ") + QLatin1String(Example) + QLatin1Char('\n');
}

QString CommandLine::manual()
{
    QStringList page = {
        QStringLiteral(".TH VARNIX 1 \"\" \"Varnix %1\" \"User Commands\"")
            .arg(QStringLiteral(VARNIX_VERSION)),
        QStringLiteral(".SH NAME"),
        QStringLiteral(
            "varnix \\- clean, reshape, merge and analyse tabular data without programming"),
        QStringLiteral(".SH SYNOPSIS"),
        QStringLiteral(".B varnix"),
        QStringLiteral(".RI [ options ] \" \" [ document .transform]"),
        QStringLiteral(".SH DESCRIPTION"),
        QStringLiteral(
            "Varnix processes tables through a graph of Input, Transform, Output and Chart "
            "items saved as a .transform document. Started with a document, it opens "
            "the document in a window. With"),
        QStringLiteral(".B \\-cli"),
        QStringLiteral(
            "it runs the document once without windows, reports in the console and exits."),
        QStringLiteral(".SH OPTIONS"),
        QStringLiteral("Options start with one minus sign; their case does not matter. An argument "
                       "that starts with two minus signs is ignored."),
    };
    for (const Option& option : options()) {
        page << QStringLiteral(".TP");
        const QString word = roff(QLatin1Char('-') + QLatin1String(option.word));
        if (*option.value)
            page << QStringLiteral(".BI ") + word + QLatin1Char(' ')
                    + quotedRoff(QLatin1Char(' ') + QLatin1String(option.value));
        else
            page << QStringLiteral(".B ") + word;
        page << roff(QLatin1String(option.description));
    }
    page << QStringLiteral(".SH ALIASES") << roff(QLatin1String(AliasNote));
    page << QStringLiteral(".SH RUN RECORDS")
         << roff(QStringLiteral("A record is a JSON object, written whole or not at all. Its "
                                "fields:"));
    for (const auto& field : RecordFields)
        page << QStringLiteral(".TP") << QStringLiteral(".B ") + quotedRoff(QLatin1String(field[0]))
             << roff(QLatin1String(field[1]));
    page << QStringLiteral(".SH EXIT STATUS");
    for (const ExitCode& exit : ExitCodes)
        page << QStringLiteral(".TP")
             << QStringLiteral(".B ") + quotedRoff(QLatin1String(exit.code))
             << roff(QLatin1String(exit.meaning));
    page << QStringLiteral(".SH EXAMPLE") << QStringLiteral(".nf") << roff(QLatin1String(Example))
         << QStringLiteral(".fi");
    return page.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
