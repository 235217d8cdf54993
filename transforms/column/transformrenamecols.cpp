#include "transforms/column/transformrenamecols.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

QString TransformRenameCols::description() const
{
    return QStringLiteral("Rename columns.");
}

QSet<QString> TransformRenameCols::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("relabel") << QStringLiteral("retitle") << QStringLiteral("headers")
          << QStringLiteral("heading") << QStringLiteral("title");
    return words;
}

void TransformRenameCols::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::RenameColumns, QStringLiteral("RenameColumns"), QStringLiteral("Columns"))
        ->setTooltip(QStringLiteral("Columns to be renamed."));
}

void TransformRenameCols::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "RenameColumns" }))
        return;
    output = upstream.first()->dataset();
    const TransformParameter* p = parameter(QStringLiteral("RenameColumns"));
    QStringList newNames; // in the order first given, for the warnings
    int renamed = 0;
    for (const RenameColumn& entry : p->renameColumns()) {
        const int c = p->resolve(entry.column);
        // An empty new name means "leave as it is" in the rename table.
        if (c < 0 || c >= output.columnCount() || entry.newName.isEmpty())
            continue;
        if (!newNames.contains(entry.newName))
            newNames.append(entry.newName);
        if (output.columnName(c) == entry.newName)
            continue;
        output.setColumnName(c, entry.newName);
        ++renamed;
    }
    const QStringList names = output.columnNames();
    for (const QString& name : qAsConst(newNames)) {
        const int count = names.count(name);
        if (count > 1)
            addWarning(QStringLiteral("%1 columns named '%2'").arg(count).arg(name));
    }
    if (renamed == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    setSummary(QStringLiteral("%1 %2 renamed")
                   .arg(formatInteger(renamed, true),
                       renamed == 1 ? QStringLiteral("col") : QStringLiteral("cols")));
}

// A new name changes no value.
QVector<bool> TransformRenameCols::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    return usedOutput.size() == input.columnCount() ? usedOutput : QVector<bool>();
}
