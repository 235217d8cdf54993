#include "transforms/other/transformstamp.h"

#include "core/runcontext.h"
#include "core/tablesource.h"

#include "core/dataset.h"
#include "core/values.h"
#include "output/outputfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace {

const QString StampKind = QStringLiteral("Stamp");
const QString StampText = QStringLiteral("Text");
const QString ColumnName = QStringLiteral("Column_Name");

const QStringList& stampChoices()
{
    static const QStringList choices = { QStringLiteral("Date and time"), QStringLiteral("Date"),
        QStringLiteral("Time"), QStringLiteral("Document name"), QStringLiteral("Input file name"),
        QStringLiteral("User name"), QStringLiteral("Computer name"), QStringLiteral("Text") };
    return choices;
}

} // namespace

QSet<QString> TransformStamp::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "now", "today", "source", "filename", "user", "computer", "audit",
             "provenance", "lineage", "variables" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformStamp::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Selection, StampKind, QStringLiteral("stamp with"),
        stampChoices().first(), stampChoices())
        ->setTooltip(QStringLiteral("What the new column holds. Date and time are those of the "
                                    "run, as \"yyyy-MM-dd HH:mm:ss\"."));
    TransformParameter* text
        = addParameter(ParameterType::Text, StampText, QStringLiteral("text"), QString());
    text->setTooltip(QStringLiteral(
        "The text to stamp. {date}, {time}, {datetime}, {day}, {month}, {year}, {hour}, "
        "{minute}, {second}, {version}, {computername}, {username}, {transformfname} and the "
        "input alias forms {alias}, {alias.fname}, {alias.folder}, {alias.lastfolder}, "
        "{alias.ext}, {alias.sheet} are replaced."));
    addParameter(
        ParameterType::Text, ColumnName, QStringLiteral("new column name"), QStringLiteral("Stamp"))
        ->setTooltip(QStringLiteral("The name of the column added at the end."));
}

QList<QPair<QString, bool>> TransformStamp::optionStates() const
{
    return { qMakePair(StampText, selectionParameter(StampKind) == Text) };
}

QString TransformStamp::stampText(Stamp stamp, TableSource* item)
{
    const QDateTime now = QDateTime::currentDateTime();
    switch (stamp) {
    case DateTime:
        return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Date:
        return now.toString(QStringLiteral("yyyy-MM-dd"));
    case Time:
        return now.toString(QStringLiteral("HH:mm:ss"));
    case DocumentName: {
        const QString path = documentPath();
        if (path.isEmpty())
            addWarning(QStringLiteral("The document has not been saved, so it has no name yet"));
        return path.isEmpty() ? QString() : QFileInfo(path).fileName();
    }
    case InputFileName: {
        const QString path = item->sourceFile();
        if (path.isEmpty())
            addWarning(QStringLiteral("No input file found upstream"));
        return path.isEmpty() ? QString() : QFileInfo(path).fileName();
    }
    case UserName:
        return currentUserName();
    case ComputerName:
        return currentComputerName();
    case Text: {
        FileNameContext context = currentFileNameContext();
        context.now = now;
        context.documentPath = documentPath();
        if (runContext())
            context.aliases = runContext()->fileNameAliases();
        return expandFileNameVariables(textParameter(StampText), context);
    }
    }
    return QString();
}

void TransformStamp::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Stamp", "Text", "Column_Name" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const QString value = stampText(Stamp(selectionParameter(StampKind)), upstream.first());
    if (!output.hasHeader())
        output.setHeader(output.columnNames());
    output.insertColumn(output.columnCount(), textParameter(ColumnName));
    const int column = output.lastColumn();
    for (int r = 0; r < output.rowCount(); ++r) {
        if (!reportProgress(r, output.rowCount()))
            return;
        output.setValue(r, column, value);
    }
    setSummary(countText(output.rowCount(), QStringLiteral("row"), QStringLiteral("rows"))
        + QStringLiteral(" stamped"));
}
