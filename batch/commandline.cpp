#include "batch/commandline.h"

#include <QFileInfo>

#include <limits>

namespace {

// Words of the options that take the next argument as their value.
bool takesValue(const QString& word)
{
    return word == QLatin1String("log") || word == QLatin1String("verbosity")
        || word == QLatin1String("file") || word == QLatin1String("folder")
        || word == QLatin1String("timeout") || word == QLatin1String("record")
        || word == QLatin1String("compare") || word == QLatin1String("drift-rows")
        || word == QLatin1String("temp-folder");
}

// Applies an option without a value; false for an unknown word.
bool applyFlag(CommandLine& line, const QString& word)
{
    if (word == QLatin1String("cli"))
        line.nonInteractive = true;
    else if (word == QLatin1String("overwrite"))
        line.overwriteLog = true;
    else if (word == QLatin1String("verbose"))
        line.verbosity = 2;
    else if (word == QLatin1String("new_window"))
        line.newWindow = true;
    else if (word == QLatin1String("version"))
        line.printVersion = true;
    else if (word == QLatin1String("build"))
        line.printBuild = true;
    else if (word == QLatin1String("help"))
        line.help = true;
    else if (word == QLatin1String("check-columns"))
        line.checkColumns = true;
    else if (word == QLatin1String("fail-on-drift"))
        line.failOnDrift = true;
    else
        return false;
    return true;
}

// An integer option's value into target when it is one in the range.
bool readInteger(const QString& value, int minimum, int maximum, int* target)
{
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    if (!ok || number < minimum || number > maximum)
        return false;
    *target = number;
    return true;
}

void applyValue(CommandLine& line, const QString& word, const QString& value)
{
    constexpr int Unbounded = std::numeric_limits<int>::max();
    if (word == QLatin1String("log")) {
        line.logPath = value;
    } else if (word == QLatin1String("verbosity")) {
        if (!readInteger(value, 0, CommandLine::MaxVerbosity, &line.verbosity))
            line.fatalError = QStringLiteral("Verbosity value '%1' not recognised, %2-%3 expected")
                                  .arg(value)
                                  .arg(0)
                                  .arg(CommandLine::MaxVerbosity);
    } else if (word == QLatin1String("timeout")) {
        if (!readInteger(value, 1, Unbounded, &line.timeoutSeconds))
            line.fatalError
                = QStringLiteral("Timeout value '%1' not recognised, a number of seconds expected")
                      .arg(value);
    } else if (word == QLatin1String("record")) {
        line.recordPath = value;
    } else if (word == QLatin1String("temp-folder")) {
        line.tempFolder = value;
    } else if (word == QLatin1String("compare")) {
        line.comparePath = value;
    } else if (word == QLatin1String("drift-rows")) {
        if (!readInteger(value, 0, Unbounded, &line.driftRowsPercent))
            line.fatalError
                = QStringLiteral("Drift rows value '%1' not recognised, a percentage expected")
                      .arg(value);
    } else {
        line.assignments << value;
    }
}

void applyDocument(CommandLine& line, const QString& argument)
{
    if (!line.documentPath.isEmpty())
        return;
    const QFileInfo info(argument);
    if (!info.exists()) {
        line.fatalError = QStringLiteral("'%1' not found").arg(argument);
        return;
    }
    if (info.suffix().compare(QLatin1String("transform"), Qt::CaseInsensitive) != 0) {
        line.fatalError
            = QStringLiteral("Unrecognized file suffix '%1' in '%2'").arg(info.suffix(), argument);
        return;
    }
    line.documentPath = argument;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    for (int i = 0; i < arguments.size() && line.isValid(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1Char('-'))) {
            applyDocument(line, argument);
            continue;
        }
        const QString word = argument.toLower().mid(1);
        // Two leading minus signs belong to some other convention: ignored.
        if (word.startsWith(QLatin1Char('-')))
            continue;
        if (takesValue(word)) {
            if (i + 1 >= arguments.size()) {
                line.fatalError = QStringLiteral("No value following %1 argument").arg(argument);
                break;
            }
            applyValue(line, word, arguments.at(++i));
        } else if (!applyFlag(line, word)) {
            line.fatalError = QStringLiteral("Unrecognized argument: %1").arg(argument);
        }
    }
    return line;
}

bool CommandLine::wantsNoWindows(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        const QString word = argument.toLower();
        if (word == QLatin1String("-cli") || word == QLatin1String("-help"))
            return true;
    }
    return false;
}
