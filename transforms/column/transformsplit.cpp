#include "transforms/column/transformsplit.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/shapesummary.h"

#include <QHash>

#include <algorithm>

// Choices of ours: with "Alphabetic" the encoding columns are in text order,
// with "Current" in order of first appearance, with "Reverse" that order
// reversed. "One hot encoding" gives its single "1" to a value's first part
// (after ordering). "Rows" keeps a row whose value has no parts, with the
// cell empty, rather than losing it.

QString TransformSplit::description() const
{
    return QStringLiteral("Split a column into multiple columns or rows.");
}

// More new columns than the data table can show is never what a user meant.
constexpr int MaxNewColumns = 100000;

void TransformSplit::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, QStringLiteral("Columns"), QStringLiteral("Column"))
        ->setTooltip(QStringLiteral("Select the column to split."));
    addParameter(ParameterType::Selection, QStringLiteral("Into"), QStringLiteral("Into"),
        QStringLiteral("Columns"),
        QStringList {
            "Columns", "Rows", "Count vectors", "Multi hot encoding", "One hot encoding" });
    addParameter(ParameterType::Selection, QStringLiteral("Delimiter_Type"),
        QStringLiteral("Using"), QStringLiteral("Text delimiter"),
        QStringList { "Text delimiter", "Regex delimiter", "Lengths" });
    addParameter(ParameterType::Text, QStringLiteral("Delimiter"), QStringLiteral("Delimiter"))
        ->setTooltip(QStringLiteral("Choose the delimiter to split values on.\nThis will often be "
                                    "a single character of text, such as a Comma or Space."));
    addParameter(ParameterType::Text, QStringLiteral("Lengths"), QStringLiteral("Lengths"), "2,1,*")
        ->setTooltip(QStringLiteral("Comma-separated lengths taken from the start of the value. "
                                    "'*' stands for the rest, a '-' prefix skips that many "
                                    "characters."));
    addParameter(ParameterType::Selection, QStringLiteral("Order"), QStringLiteral("Ordering"),
        QStringLiteral("Current"), QStringList { "Current", "Alphabetic", "Reverse" })
        ->setTooltip(QStringLiteral("Choose how to order the values."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Keep_Empty"), QStringLiteral("keep empty"), false)
        ->setTooltip(QStringLiteral("Check to keep empty values (consecutive delimiters).\nNB/ "
                                    "Values containing whitespace are not considered empty."));
    addParameter(
        ParameterType::Int, QStringLiteral("Min_New_Cols"), QStringLiteral("Min. values"), 0)
        ->setIntRange(0, MaxNewColumns);
    parameter(QStringLiteral("Min_New_Cols"))
        ->setTooltip(
            QStringLiteral("The minimum number of columns/rows to split each value into."));
    addParameter(
        ParameterType::Int, QStringLiteral("Max_New_Cols"), QStringLiteral("Max. values"), 100)
        ->setIntRange(0, MaxNewColumns);
    parameter(QStringLiteral("Max_New_Cols"))
        ->setTooltip(QStringLiteral("The maximum number of columns/rows to split each value "
                                    "into. Ignored if less than the minimum."));
}

QList<QPair<QString, bool>> TransformSplit::optionStates() const
{
    const bool lengths = selectionParameter(QStringLiteral("Delimiter_Type")) == Lengths;
    return { { QStringLiteral("Delimiter"), !lengths }, { QStringLiteral("Lengths"), lengths },
        { QStringLiteral("Keep_Empty"), true } };
}

bool TransformSplit::parseLengths(const QString& text, QVector<Piece>& pieces)
{
    pieces.clear();
    bool rest = false;
    for (QString item : text.split(QLatin1Char(','))) {
        item = item.trimmed();
        Piece piece;
        if (item.startsWith(QLatin1Char('-'))) {
            piece.skip = true;
            item.remove(0, 1);
        }
        if (item == QLatin1String("*")) {
            if (rest)
                return false;
            rest = piece.rest = true;
        } else {
            bool ok = false;
            piece.length = item.toInt(&ok);
            if (!ok || piece.length < 0)
                return false;
        }
        pieces.append(piece);
    }
    return !pieces.isEmpty();
}

QStringList TransformSplit::cutByLengths(const QString& value, const QVector<Piece>& pieces)
{
    // The rest is what the fixed lengths after it leave over.
    int after = 0;
    bool seenRest = false;
    for (const Piece& p : pieces) {
        if (seenRest)
            after += p.length;
        seenRest = seenRest || p.rest;
    }
    QStringList parts;
    int position = 0;
    for (const Piece& p : pieces) {
        const int length = p.rest ? qMax(0, value.size() - position - after) : p.length;
        if (!p.skip)
            parts.append(value.mid(position, length));
        position += length;
    }
    return parts;
}

QStringList TransformSplit::parts(const QString& value) const
{
    QStringList result;
    const auto behaviour = m_keepEmpty ? Qt::KeepEmptyParts : Qt::SkipEmptyParts;
    if (m_using == Lengths) {
        result = cutByLengths(value, m_pieces);
        if (!m_keepEmpty)
            result.removeAll(QString());
    } else if (m_using == RegexDelimiter) {
        result = value.split(m_regex, behaviour);
    } else if (m_delimiter.isEmpty()) {
        if (m_keepEmpty || !value.isEmpty())
            result.append(value);
    } else {
        result = value.split(m_delimiter, behaviour);
    }
    if (m_order == 1)
        std::sort(result.begin(), result.end());
    else if (m_order == 2)
        std::reverse(result.begin(), result.end());
    return result;
}

TransformSplit::Limits TransformSplit::limits()
{
    Limits l;
    // A hand-edited document may hold any number.
    l.minimum = qBound(0, intParameter(QStringLiteral("Min_New_Cols")), MaxNewColumns);
    l.maximum = qBound(0, intParameter(QStringLiteral("Max_New_Cols")), MaxNewColumns);
    if (l.maximum < l.minimum) {
        addWarning(QStringLiteral("'%1' is less than '%2'")
                       .arg(parameter(QStringLiteral("Max_New_Cols"))->label(),
                           parameter(QStringLiteral("Min_New_Cols"))->label()));
        l.maximum = -1;
    }
    return l;
}

void TransformSplit::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    if (!requireParameters({ "Columns", "Into", "Delimiter_Type", "Delimiter", "Lengths", "Order",
            "Keep_Empty", "Min_New_Cols", "Max_New_Cols" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    int column = columnIndex(QStringLiteral("Columns"));
    m_using = selectionParameter(QStringLiteral("Delimiter_Type"));
    m_delimiter = textParameter(QStringLiteral("Delimiter"));
    m_keepEmpty = boolParameter(QStringLiteral("Keep_Empty"));
    m_order = selectionParameter(QStringLiteral("Order"));
    m_regex = QRegularExpression(m_delimiter);
    if (m_using == RegexDelimiter && !m_regex.isValid()) {
        addWarning(QStringLiteral("'%1' is not a valid regular expression").arg(m_delimiter));
        column = -1;
    }
    if (m_using == Lengths && !parseLengths(textParameter(QStringLiteral("Lengths")), m_pieces)) {
        addWarning(QStringLiteral("'%1' is not a valid lengths list")
                       .arg(textParameter(QStringLiteral("Lengths"))));
        column = -1;
    }
    if (column < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    QVector<QStringList> split(input.rowCount());
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        split[r] = parts(input.value(r, column));
    }
    const Limits l = limits();
    const int into = selectionParameter(QStringLiteral("Into"));
    if (into == Columns)
        intoColumns(output, column, split, l);
    else if (into == Rows)
        intoRows(output, column, split, l);
    else
        encode(output, column, split, l);
}

void TransformSplit::reportLimits(int padded, int truncated, Limits l)
{
    const QString rows = QStringLiteral("row");
    if (padded > 0) {
        addInformation(QStringLiteral("%1 %2 split into less than '%3'=%4 value(s), so padded to "
                                      "%4 value(s)")
                           .arg(formatInteger(padded), padded == 1 ? rows : rows + 's',
                               parameter(QStringLiteral("Min_New_Cols"))->label())
                           .arg(l.minimum));
    }
    if (truncated > 0) {
        addWarning(QStringLiteral("%1 %2 split into more than '%3'=%4 value(s), so truncated to "
                                  "%4 value(s)")
                       .arg(formatInteger(truncated), truncated == 1 ? rows : rows + 's',
                           parameter(QStringLiteral("Max_New_Cols"))->label())
                       .arg(l.maximum));
    }
}

void TransformSplit::intoColumns(
    Dataset& output, int column, const QVector<QStringList>& split, Limits l)
{
    int n = 0;
    int padded = 0;
    int truncated = 0;
    for (const QStringList& p : split) {
        n = qMax(n, p.size());
        padded += p.size() < l.minimum;
        truncated += l.maximum >= 0 && p.size() > l.maximum;
    }
    if (l.maximum >= 0)
        n = qMin(n, l.maximum);
    n = qMax(n, l.minimum);
    const int first = output.columnCount();
    const QString name = output.columnName(column);
    for (int i = 0; i < n; ++i) {
        output.appendColumn();
        output.setColumnName(first + i, name + QString::number(i + 1));
    }
    for (int r = 0; r < split.size(); ++r) {
        for (int i = 0; i < n && i < split.at(r).size(); ++i)
            output.setValue(r, first + i, split.at(r).at(i));
    }
    reportLimits(padded, truncated, l);
    setSummary(n == 0 ? QStringLiteral("No changes")
                      : QStringLiteral("%1 added")
                            .arg(countText(n, QStringLiteral("col"), QStringLiteral("cols"))));
}

void TransformSplit::intoRows(
    Dataset& output, int column, const QVector<QStringList>& split, Limits l)
{
    const Dataset input = output;
    Dataset result;
    result.setColumnCount(input.columnCount());
    if (input.hasHeader())
        result.setHeader(input.header());
    int padded = 0;
    int truncated = 0;
    for (int r = 0; r < split.size(); ++r) {
        QStringList p = split.at(r);
        if (l.maximum >= 0 && p.size() > l.maximum) {
            ++truncated;
            p = p.mid(0, l.maximum);
        }
        if (p.size() < l.minimum) {
            ++padded;
            while (p.size() < l.minimum)
                p.append(QString());
        }
        if (p.isEmpty())
            p.append(QString());
        for (const QString& part : qAsConst(p)) {
            QStringList row = input.row(r);
            row[column] = part;
            result.appendRow(row);
        }
    }
    reportLimits(padded, truncated, l);
    result.setColumnIds(input.columnIds());
    output = result;
    setSummary(shapeSummary(input, output));
}

void TransformSplit::encode(
    Dataset& output, int column, const QVector<QStringList>& split, Limits l)
{
    QHash<QString, int> index;
    QStringList distinct;
    for (const QStringList& p : split) {
        for (const QString& part : p) {
            if (!index.contains(part)) {
                index.insert(part, distinct.size());
                distinct.append(part);
            }
        }
    }
    addInformation(QStringLiteral("%1 distinct value(s) found in column '%2'")
                       .arg(formatInteger(distinct.size()), output.columnName(column)));
    QStringList kept = distinct;
    if (m_order == 1)
        std::sort(kept.begin(), kept.end());
    else if (m_order == 2)
        std::reverse(kept.begin(), kept.end());
    if (l.maximum >= 0 && kept.size() > l.maximum) {
        addWarning(QStringLiteral("%1 value(s) found, so %2 value(s) omitted to keep to maximum "
                                  "of %3 added column(s)")
                       .arg(kept.size())
                       .arg(kept.size() - l.maximum)
                       .arg(l.maximum));
        kept = kept.mid(0, l.maximum);
    }
    const int found = kept.size();
    if (found < l.minimum) {
        addInformation(QStringLiteral("%1 value(s) found, so %2 column(s) added to keep to "
                                      "minimum of %3 added column(s)")
                           .arg(found)
                           .arg(l.minimum - found)
                           .arg(l.minimum));
    }
    const int first = output.columnCount();
    const int n = qMax(found, l.minimum);
    QHash<QString, int> columnOf;
    for (int i = 0; i < n; ++i) {
        output.appendColumn();
        if (i < found) {
            columnOf.insert(kept.at(i), first + i);
            output.setColumnName(
                first + i, kept.at(i).isEmpty() ? QStringLiteral("(empty)") : kept.at(i));
        }
    }
    const int into = selectionParameter(QStringLiteral("Into"));
    const QString zero = QStringLiteral("0");
    for (int r = 0; r < split.size(); ++r) {
        QVector<int> counts(found, 0);
        const QStringList& p = split.at(r);
        for (int i = 0; i < p.size(); ++i) {
            const int c = columnOf.value(p.at(i), -1);
            if (c >= 0 && (into != OneHot || i == 0))
                ++counts[c - first];
        }
        for (int i = 0; i < found; ++i) {
            output.setValue(r, first + i,
                into == CountVectors ? QString::number(counts.at(i))
                                     : (counts.at(i) > 0 ? QStringLiteral("1") : zero));
        }
    }
    setSummary(n == 0 ? QStringLiteral("No changes")
                      : QStringLiteral("%1 added")
                            .arg(countText(n, QStringLiteral("col"), QStringLiteral("cols"))));
}
