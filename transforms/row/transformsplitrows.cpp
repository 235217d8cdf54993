#include "transforms/row/transformsplitrows.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

#include <QHash>
#include <QRegularExpression>

#include <limits>

namespace {

const QString SplitBy = QStringLiteral("Split_By");
const QString DropEmpty = QStringLiteral("Drop_Empty");
const QString AddGroup = QStringLiteral("Add_Group_Column");

enum Mode { ByMatchingNames = 0, Automatic = 1, ByCount = 2 };

// A column name read as stem and group ("Phone 2" -> "Phone", "2"); false
// when the name is not part of a numbered or separated series.
bool splitName(const QString& name, const SplitRowsSpec& spec, QString& stem, QString& group)
{
    if (spec.mode == ByMatchingNames) {
        if (spec.text.isEmpty())
            return false;
        const int at = name.lastIndexOf(spec.text);
        if (at <= 0 || at + spec.text.size() >= name.size())
            return false;
        stem = name.left(at);
        group = name.mid(at + spec.text.size());
        return true;
    }
    // A trailing number, with any spaces, underscores, dots, dashes or a
    // hash before it: "Phone1", "Phone 1", "phone_1", "Phone #1".
    static const QRegularExpression numbered(QStringLiteral("^(.*?)[\\s_.#-]*(\\d+)$"));
    const QRegularExpressionMatch m = numbered.match(name);
    if (!m.hasMatch() || m.captured(1).trimmed().isEmpty())
        return false;
    stem = m.captured(1).trimmed();
    group = m.captured(2);
    return true;
}

TransformSplitRows::Layout layoutByNames(const QStringList& names, const SplitRowsSpec& spec)
{
    TransformSplitRows::Layout layout;
    layout.inGroup.fill(false, names.size());
    QVector<QString> stems(names.size());
    QVector<QString> groups(names.size());
    QHash<QString, QSet<QString>> groupsOfStem;
    for (int c = 0; c < names.size(); ++c) {
        if (splitName(names.at(c), spec, stems[c], groups[c]))
            groupsOfStem[stems.at(c)].insert(groups.at(c));
    }
    // Only a stem seen in at least two groups makes a series; "First Name"
    // split at a space is not one.
    QHash<QString, int> stemIndex;
    QHash<QString, int> groupIndex;
    for (int c = 0; c < names.size(); ++c) {
        if (groupsOfStem.value(stems.at(c)).size() < 2)
            continue;
        if (!stemIndex.contains(stems.at(c))) {
            stemIndex.insert(stems.at(c), layout.stems.size());
            layout.stems << stems.at(c);
            for (QVector<int>& g : layout.groups)
                g << -1;
        }
        if (!groupIndex.contains(groups.at(c))) {
            groupIndex.insert(groups.at(c), layout.groupNames.size());
            layout.groupNames << groups.at(c);
            layout.groups << QVector<int>(layout.stems.size(), -1);
        }
        int& slot = layout.groups[groupIndex.value(groups.at(c))][stemIndex.value(stems.at(c))];
        if (slot < 0) {
            slot = c;
            layout.inGroup[c] = true;
        }
    }
    return layout;
}

TransformSplitRows::Layout layoutByCount(const QStringList& names, const SplitRowsSpec& spec)
{
    // The groups are the last every x times columns, so that the columns
    // naming a row (an id, a name) can stay in front as they usually are.
    TransformSplitRows::Layout layout;
    layout.inGroup.fill(false, names.size());
    const qint64 span = qint64(spec.every) * spec.times;
    if (spec.every <= 0 || spec.times <= 0 || span > names.size())
        return layout;
    const int start = names.size() - int(span);
    for (int s = 0; s < spec.every; ++s)
        layout.stems << names.at(start + s);
    for (int g = 0; g < spec.times; ++g) {
        QVector<int> columns;
        for (int s = 0; s < spec.every; ++s) {
            columns << start + g * spec.every + s;
            layout.inGroup[columns.last()] = true;
        }
        layout.groups << columns;
        layout.groupNames << QString::number(g + 1);
    }
    return layout;
}

} // namespace

QSet<QString> TransformSplitRows::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "wide", "long", "unpivot", "melt", "normalise", "normalize", "groups" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSplitRows::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    SplitRowsSpec automatic;
    automatic.mode = Automatic;
    addParameter(ParameterType::SplitRows, SplitBy, QStringLiteral("split columns"),
        QVariant::fromValue(automatic))
        ->setTooltip(QStringLiteral(
            "How the columns fall into groups, each group becoming a row of its own:\n"
            "by matching column names: names that end in the separator and a group name "
            "(\"Phone 1\", \"Email 1\", \"Phone 2\" with separator space);\n"
            "automatically: names that end in a number (\"Phone1\", \"Phone_2\");\n"
            "by number of columns: the last 'every' x 'times' columns, 'every' columns per "
            "group.\nColumns outside the groups are repeated on every new row."));
    addParameter(ParameterType::Bool, DropEmpty, QStringLiteral("drop empty groups"), true)
        ->setTooltip(QStringLiteral("Check to leave out new rows whose group values are all "
                                    "empty."));
    addParameter(ParameterType::Bool, AddGroup, QStringLiteral("add group column"), false)
        ->setTooltip(QStringLiteral("Check to add a column \"Group\" holding the group each new "
                                    "row came from (\"1\", \"2\", ...)."));
}

TransformSplitRows::Layout TransformSplitRows::layout(
    const QStringList& columnNames, const SplitRowsSpec& spec)
{
    return spec.mode == ByCount ? layoutByCount(columnNames, spec)
                                : layoutByNames(columnNames, spec);
}

void TransformSplitRows::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Split_By", "Drop_Empty", "Add_Group_Column" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    const TransformParameter* p = parameter(SplitBy);
    if (p->isUnset()) {
        output = input;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const Layout found = layout(input.columnNames(), p->splitRows());
    if (!found.isValid()) {
        output = input;
        if (input.hasColumns())
            addWarning(p->splitRows().mode == ByCount
                    ? QStringLiteral("The dataset has fewer than %1 columns to split")
                          .arg(formatInteger(qint64(p->splitRows().every) * p->splitRows().times))
                    : QStringLiteral("No groups of columns found in the column names"));
        setSummary(QStringLiteral("No changes"));
        return;
    }
    build(output, input, found);
}

void TransformSplitRows::build(Dataset& output, const Dataset& input, const Layout& layout)
{
    const bool dropEmpty = boolParameter(DropEmpty, true);
    const bool addGroup = boolParameter(AddGroup);
    // Output columns: the input's outside the groups in their order, with
    // the group block where the first grouped column was.
    QVector<int> from; // input column, or -1 - stem, or GroupColumn
    constexpr int GroupColumn = std::numeric_limits<int>::min();
    bool blockPlaced = false;
    for (int c = 0; c < input.columnCount(); ++c) {
        if (!layout.inGroup.at(c)) {
            from << c;
        } else if (!blockPlaced) {
            blockPlaced = true;
            if (addGroup)
                from << GroupColumn;
            for (int s = 0; s < layout.stems.size(); ++s)
                from << -1 - s;
        }
    }
    QStringList names;
    QVector<ColumnId> ids;
    for (int f : from) {
        names << (f >= 0           ? input.columnName(f)
                : f == GroupColumn ? QStringLiteral("Group")
                                   : layout.stems.at(-1 - f));
        ids << (f >= 0             ? input.columnId(f)
                : f == GroupColumn ? ColumnId()
                                   : input.columnId(layout.groups.first().at(-1 - f)));
    }
    output.setColumnCount(from.size());
    output.setColumnIds(ids);
    output.makeColumnIdsUnique();
    output.setHeader(names);

    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const Dataset::Row& in = input.row(r);
        for (int g = 0; g < layout.groups.size(); ++g) {
            const QVector<int>& columns = layout.groups.at(g);
            bool empty = true;
            for (int c : columns)
                empty = empty && (c < 0 || in.at(c).isEmpty());
            if (empty && dropEmpty)
                continue;
            Dataset::Row row;
            row.reserve(from.size());
            for (int f : from) {
                if (f >= 0)
                    row << in.at(f);
                else if (f == GroupColumn)
                    row << layout.groupNames.at(g);
                else
                    row << (columns.at(-1 - f) >= 0 ? in.at(columns.at(-1 - f)) : QString());
            }
            output.appendRow(row);
        }
    }
    setSummary(QStringLiteral("%1 from %2")
                   .arg(countText(output.rowCount(), QStringLiteral("row"), QStringLiteral("rows")),
                       countText(input.rowCount(), QStringLiteral("row"), QStringLiteral("rows"))));
    addInformation(QStringLiteral("%1 groups of %2")
                       .arg(formatInteger(layout.groups.size()),
                           countText(layout.stems.size(), QStringLiteral("column"),
                               QStringLiteral("columns"))));
}
