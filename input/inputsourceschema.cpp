// Checking a read against the expected columns and rebuilding it in their
// order.

#include "input/inputsource.h"

#include <QVector>

namespace {

// One column of the rebuilt dataset: an input column, or a missing column
// filled with a fixed value.
struct SchemaColumn
{
    QString name;
    int source = -1;
    QString fill;
    QString outcome;
};

struct SchemaWalk
{
    const InputSchema& schema;
    QStringList inputNames;
    QVector<bool> taken;
    // What happened to each input column, for the "Before schema:" lines.
    QStringList inputOutcomes;
    QVector<SchemaColumn> columns;
    QStringList* warnings;
    bool failed = false;

    int takeByName(const QString& name)
    {
        for (int i = 0; i < inputNames.size(); ++i) {
            if (!taken.at(i) && inputNames.at(i) == name) {
                taken[i] = true;
                return i;
            }
        }
        return -1;
    }

    void expectedColumn(int index)
    {
        const QString& name = schema.columnNames.at(index);
        const int p = columns.size() + 1;
        const int i = takeByName(name);
        if (i >= 0) {
            takeExisting(name, i, p);
            return;
        }
        if (schema.missingColumns == SchemaMissingIsError) {
            warnings->append(QStringLiteral("Schema error: Missing column '%1'").arg(name));
            failed = true;
            return;
        }
        const QString value = schema.missingValues.value(index);
        warnings->append(QStringLiteral(
            "Schema change: Added missing column '%1' with values '%2' to position %3")
                             .arg(name, value)
                             .arg(p));
        columns.append({ name, -1, value, QStringLiteral("Added missing") });
    }

    void takeExisting(const QString& name, int i, int p)
    {
        if (i + 1 == p) {
            inputOutcomes[i] = QStringLiteral("No change");
            columns.append({ name, i, QString(), QStringLiteral("No change") });
            return;
        }
        if (schema.outOfOrder == SchemaOrderIsError) {
            warnings->append(
                QStringLiteral("Schema error: Column '%1' at position %2 when %3 expected")
                    .arg(name)
                    .arg(i + 1)
                    .arg(p));
            inputOutcomes[i] = QStringLiteral("Out of order");
            failed = true;
            // Keep counting positions as if it had been moved, so that one
            // misplaced column does not make every later one misplaced too.
            columns.append({ name, i, QString(), QString() });
            return;
        }
        warnings->append(
            QStringLiteral("Schema change: Moved column '%1' from position %2 to position %3")
                .arg(name)
                .arg(i + 1)
                .arg(p));
        inputOutcomes[i] = QStringLiteral("Out of order, moved to position %1").arg(p);
        columns.append({ name, i, QString(),
            QStringLiteral("Out of order, moved from position %1").arg(i + 1) });
    }

    void extraColumn(int i)
    {
        const QString& name = inputNames.at(i);
        switch (schema.extraColumns) {
        case SchemaIgnoreExtra:
            warnings->append(
                QStringLiteral("Schema change: Ignored extra column '%1' at position %2")
                    .arg(name)
                    .arg(i + 1));
            inputOutcomes[i] = QStringLiteral("Ignored");
            break;
        case SchemaExtraIsError:
            warnings->append(QStringLiteral("Schema error: Extra column '%1' at position %2")
                                 .arg(name)
                                 .arg(i + 1));
            inputOutcomes[i] = QStringLiteral("Extra");
            failed = true;
            break;
        default: {
            const int p = columns.size() + 1;
            warnings->append(QStringLiteral(
                "Schema change: Added extra column '%1' from position %2 to position %3")
                                 .arg(name)
                                 .arg(i + 1)
                                 .arg(p));
            inputOutcomes[i] = QStringLiteral("Extra, added to position %1").arg(p);
            columns.append(
                { name, i, QString(), QStringLiteral("Extra, added from position %1").arg(i + 1) });
            break;
        }
        }
    }
};

QString positionLine(int position, const QString& name, const QString& outcome)
{
    QString line = QStringLiteral("Column position=%1 name='%2'").arg(position).arg(name);
    if (!outcome.isEmpty())
        line += QStringLiteral(" [%1]").arg(outcome);
    return line;
}

Dataset rebuild(const Dataset& input, const QVector<SchemaColumn>& columns)
{
    Dataset output;
    QStringList names;
    for (const SchemaColumn& c : columns)
        names.append(c.name);
    output.setColumnCount(names.size());
    output.setHeader(names);
    output.reserveRows(input.rowCount());
    Dataset::Row row;
    for (int r = 0; r < input.rowCount(); ++r) {
        row.clear();
        const Dataset::Row& in = input.row(r);
        for (const SchemaColumn& c : columns)
            row.append(c.source >= 0 ? in.at(c.source) : c.fill);
        output.appendRow(row);
    }
    return output;
}

} // namespace

QString InputSchema::problem() const
{
    for (const QString& name : columnNames) {
        if (name.trimmed().isEmpty())
            return QStringLiteral("Column names in the schema cannot be blank.");
    }
    return QString();
}

bool InputSchema::operator==(const InputSchema& o) const
{
    return inUse == o.inUse && columnNames == o.columnNames && missingValues == o.missingValues
        && missingColumns == o.missingColumns && outOfOrder == o.outOfOrder
        && extraColumns == o.extraColumns;
}

bool applySchema(
    Dataset* dataset, const InputSchema& schema, QStringList* warnings, QStringList* information)
{
    if (!schema.inUse)
        return true;
    const QString problem = schema.problem();
    if (!problem.isEmpty()) {
        warnings->append(problem);
        warnings->append(QStringLiteral("Schema validation failed"));
        return false;
    }
    const QStringList names = dataset->columnNames();
    if (names == schema.columnNames) {
        information->append(QStringLiteral("Input matches schema"));
        return true;
    }

    SchemaWalk walk { schema, names, QVector<bool>(names.size(), false), QStringList(), {},
        warnings };
    for (int i = 0; i < names.size(); ++i)
        walk.inputOutcomes.append(QString());
    for (int index = 0; index < schema.columnNames.size(); ++index)
        walk.expectedColumn(index);
    for (int i = 0; i < names.size(); ++i) {
        if (!walk.taken.at(i))
            walk.extraColumn(i);
    }

    information->append(QStringLiteral("Input does not match schema"));
    information->append(QStringLiteral("Before schema:"));
    for (int i = 0; i < names.size(); ++i)
        information->append(positionLine(i + 1, names.at(i), walk.inputOutcomes.at(i)));
    if (walk.failed) {
        warnings->append(QStringLiteral("Schema validation failed"));
        return false;
    }
    *dataset = rebuild(*dataset, walk.columns);
    information->append(QStringLiteral("After schema:"));
    for (int p = 0; p < walk.columns.size(); ++p)
        information->append(
            positionLine(p + 1, walk.columns.at(p).name, walk.columns.at(p).outcome));
    return true;
}
