#include "transforms/other/transformimpute.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/statistics.h"

namespace {

const QStringList& methodChoices()
{
    static const QStringList choices = { QStringLiteral("Mean"), QStringLiteral("Median"),
        QStringLiteral("Mode"), QStringLiteral("Constant"), QStringLiteral("Previous value"),
        QStringLiteral("Next value"), QStringLiteral("Linear interpolation") };
    return choices;
}

} // namespace

void TransformImpute::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"))
        ->setTooltip(QStringLiteral("The columns whose missing values are filled."));
    addParameter(ParameterType::Selection, QStringLiteral("Method"), QStringLiteral("fill with"),
        methodChoices().first(), methodChoices())
        ->setTooltip(QStringLiteral(
            "Mean, Median: of the numbers in the column (or group).\n"
            "Mode: the most frequent value in the column (or group).\n"
            "Constant: the text you give.\n"
            "Previous value, Next value: the nearest value above or below.\n"
            "Linear interpolation: on the line between the nearest numbers above and below; "
            "missing values before the first or after the last number stay empty."));
    addParameter(ParameterType::Text, QStringLiteral("Constant"), QStringLiteral("constant"))
        ->setTooltip(QStringLiteral("The value that fills every missing value."));
    addParameter(ParameterType::Bool, QStringLiteral("Non_Numeric"),
        QStringLiteral("fill values that are not numbers"), false)
        ->setTooltip(QStringLiteral("Treat values that are not numbers (such as \"n/a\" or "
                                    "\"-\") as missing too, not only empty cells."));
    addParameter(
        ParameterType::Bool, QStringLiteral("By_Group"), QStringLiteral("within groups"), false)
        ->setTooltip(QStringLiteral("Take the fill values only from rows with the same values in "
                                    "the group columns."));
    addParameter(
        ParameterType::MultipleColumns, QStringLiteral("Group_By"), QStringLiteral("group columns"))
        ->setTooltip(QStringLiteral("Rows with the same values in these columns form a group."));
}

QList<QPair<QString, bool>> TransformImpute::optionStates() const
{
    return { { QStringLiteral("Constant"),
                 selectionParameter(QStringLiteral("Method")) == Constant },
        { QStringLiteral("Group_By"), boolParameter(QStringLiteral("By_Group")) } };
}

bool TransformImpute::isMissing(const QString& text) const
{
    if (Stats::isBlank(text))
        return true;
    if (!m_nonNumeric)
        return false;
    bool ok = false;
    Stats::cellNumber(text, &ok);
    return !ok;
}

int TransformImpute::fillGroup(
    Dataset& output, int column, const QVector<int>& rows, int& left) const
{
    if (m_method == Linear)
        return fillLinear(output, column, rows, left);
    QString fill = m_constant;
    if (m_method == Mean || m_method == Median || m_method == Mode) {
        QVector<double> numbers;
        QStringList present;
        for (int r : rows) {
            const QString& text = output.value(r, column);
            if (isMissing(text))
                continue;
            present.append(text);
            bool ok = false;
            const double v = Stats::cellNumber(text, &ok);
            if (ok)
                numbers.append(v);
        }
        fill = m_method == Mode ? Stats::mostFrequent(present)
            : m_method == Mean  ? Stats::cellText(Stats::mean(numbers))
                                : Stats::cellText(Stats::median(numbers));
    }
    int filled = 0;
    const bool forward = m_method == Previous;
    const bool carried = m_method == Previous || m_method == Next;
    QString last;
    for (int i = 0; i < rows.size(); ++i) {
        const int r = rows.at(forward || !carried ? i : rows.size() - 1 - i);
        const QString text = output.value(r, column);
        if (!isMissing(text)) {
            last = text;
            continue;
        }
        const QString value = carried ? last : fill;
        if (value.isEmpty() && (carried || m_method != Constant)) {
            ++left;
            continue;
        }
        output.setValue(r, column, value);
        ++filled;
    }
    return filled;
}

int TransformImpute::fillLinear(
    Dataset& output, int column, const QVector<int>& rows, int& left) const
{
    // Positions within the group stand for x, so rows are evenly spaced.
    QVector<int> known;
    QVector<double> values(rows.size(), 0.0);
    for (int i = 0; i < rows.size(); ++i) {
        bool ok = false;
        values[i] = Stats::cellNumber(output.value(rows.at(i), column), &ok);
        if (ok)
            known.append(i);
    }
    int filled = 0;
    int next = 0; // index into known of the first known position after i
    for (int i = 0; i < rows.size(); ++i) {
        while (next < known.size() && known.at(next) <= i)
            ++next;
        if (!isMissing(output.value(rows.at(i), column)))
            continue;
        if (next == 0 || next == known.size()) {
            ++left;
            continue;
        }
        const int a = known.at(next - 1);
        const int b = known.at(next);
        const double v = values.at(a) + (values.at(b) - values.at(a)) * (i - a) / double(b - a);
        output.setValue(rows.at(i), column, Stats::cellText(v));
        ++filled;
    }
    return filled;
}

void TransformImpute::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Columns", "Method", "Constant", "Non_Numeric", "By_Group", "Group_By" }))
        return;
    output = upstream.first()->dataset();
    m_method = Method(selectionParameter(QStringLiteral("Method")));
    m_nonNumeric = boolParameter(QStringLiteral("Non_Numeric"));
    m_constant = textParameter(QStringLiteral("Constant"));
    const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
    const QVector<int> keys = boolParameter(QStringLiteral("By_Group"))
        ? columnIndexes(QStringLiteral("Group_By"))
        : QVector<int>();
    const QVector<QVector<int>> groups = Stats::groupRows(output, keys);
    qint64 filled = 0;
    for (int i = 0; i < columns.size(); ++i) {
        if (!reportProgress(i, columns.size()))
            break;
        int columnFilled = 0;
        int left = 0;
        for (const QVector<int>& rows : groups)
            columnFilled += fillGroup(output, columns.at(i), rows, left);
        filled += columnFilled;
        QString line
            = QStringLiteral("'%1': %2 filled")
                  .arg(output.columnName(columns.at(i)),
                      countText(columnFilled, QStringLiteral("value"), QStringLiteral("values")));
        if (left > 0)
            line += QStringLiteral(", %1 without a fill value left as %2")
                        .arg(formatInteger(left, true),
                            left == 1 ? QStringLiteral("it was") : QStringLiteral("they were"));
        addInformation(line + QLatin1Char('.'));
    }
    setChangeSummary(filled, qint64(output.rowCount()) * columns.size() - filled);
}
