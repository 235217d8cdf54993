#include "core/filenamevariables.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>

namespace {

// Replaces every "{key}" whose key is in the table, scanning once so that
// replacement texts are never themselves expanded by the same pass.
QString replaceBraced(const QString& text, const QHash<QString, QString>& values)
{
    if (values.isEmpty() || !text.contains(QLatin1Char('{')))
        return text;
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        const int open = text.indexOf(QLatin1Char('{'), i);
        if (open < 0)
            break;
        const int close = text.indexOf(QLatin1Char('}'), open + 1);
        if (close < 0)
            break;
        // A '{' inside the braces starts the next candidate instead.
        const int reopen = text.indexOf(QLatin1Char('{'), open + 1);
        if (reopen >= 0 && reopen < close) {
            out += text.midRef(i, reopen - i);
            i = reopen;
            continue;
        }
        const auto it = values.constFind(text.mid(open + 1, close - open - 1));
        out += text.midRef(i, open - i);
        if (it != values.constEnd())
            out += *it;
        else
            out += text.midRef(open, close - open + 1);
        i = close + 1;
    }
    out += text.midRef(i);
    return out;
}

void addAlias(QHash<QString, QString>& values, const FileNameAlias& alias)
{
    if (alias.alias.isEmpty())
        return;
    // Paths typed with backslashes are split the same way on every system.
    QString path = alias.path;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo info(path);
    const QString folder = alias.isFolder ? info.absoluteFilePath() : info.absolutePath();
    const QString stem = alias.isFolder ? info.fileName() : info.completeBaseName();
    const QString& a = alias.alias;
    values.insert(a, alias.sheet.isEmpty() ? stem : stem + QLatin1Char('_') + alias.sheet);
    values.insert(a + QLatin1String(".fname"), stem);
    values.insert(a + QLatin1String(".folder"), QDir::toNativeSeparators(folder));
    values.insert(a + QLatin1String(".lastfolder"), QFileInfo(folder).fileName());
    values.insert(a + QLatin1String(".ext"), alias.isFolder ? QString() : info.suffix());
    values.insert(a + QLatin1String(".sheet"), alias.sheet);
}

QString versionText(const QString& version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    return QStringLiteral("v%1_%2_%3")
        .arg(parts.value(0, QStringLiteral("0")), parts.value(1, QStringLiteral("0")),
            parts.value(2, QStringLiteral("0")));
}

QHash<QString, QString> builtinValues(const FileNameContext& context)
{
    const QDate date = context.now.date();
    const QTime time = context.now.time();
    QHash<QString, QString> values;
    values.insert(QStringLiteral("date"), date.toString(QStringLiteral("yyyy_MM_dd")));
    values.insert(QStringLiteral("time"), time.toString(QStringLiteral("HH_mm_ss_zzz")));
    values.insert(QStringLiteral("datetime"),
        context.now.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss_zzz")));
    values.insert(QStringLiteral("day"), date.toString(QStringLiteral("dd")));
    values.insert(QStringLiteral("month"), date.toString(QStringLiteral("MM")));
    values.insert(QStringLiteral("year"), date.toString(QStringLiteral("yyyy")));
    values.insert(QStringLiteral("hour"), time.toString(QStringLiteral("HH")));
    values.insert(QStringLiteral("minute"), time.toString(QStringLiteral("mm")));
    values.insert(QStringLiteral("second"), time.toString(QStringLiteral("ss")));
    values.insert(QStringLiteral("version"), versionText(context.version));
    values.insert(QStringLiteral("computername"), context.computerName);
    values.insert(QStringLiteral("username"), context.userName);
    values.insert(QStringLiteral("transformfname"),
        context.documentPath.isEmpty() ? QString()
                                       : QFileInfo(context.documentPath).completeBaseName());
    return values;
}

} // namespace

QString currentComputerName()
{
    return QSysInfo::machineHostName();
}

QString currentUserName()
{
    for (const char* variable : { "USER", "USERNAME", "LOGNAME" }) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

FileNameContext currentFileNameContext()
{
    FileNameContext context;
    context.now = QDateTime::currentDateTime();
    context.version = QStringLiteral(VARNIX_VERSION);
    context.computerName = currentComputerName();
    context.userName = currentUserName();
    return context;
}

QString expandFileNameVariables(const QString& text, const FileNameContext& context)
{
    QHash<QString, QString> aliases;
    for (const FileNameAlias& alias : context.aliases)
        addAlias(aliases, alias);
    return replaceBraced(replaceBraced(text, aliases), builtinValues(context));
}

QString defaultFileComment()
{
    return QStringLiteral(" File created by %1 %2 at %3 %4 ")
        .arg(QStringLiteral("Varnix"), QStringLiteral("{version}"), QStringLiteral("{date}"),
            QStringLiteral("{time}"));
}

void splitSheetFromPath(const QString& text, QString& path, QString& sheet)
{
    const int open = text.lastIndexOf(QLatin1Char('['));
    if (text.endsWith(QLatin1Char(']')) && open > 0) {
        path = text.left(open);
        sheet = text.mid(open + 1, text.size() - open - 2);
    } else {
        path = text;
        sheet.clear();
    }
}
