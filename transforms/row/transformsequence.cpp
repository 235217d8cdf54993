#include "transforms/row/transformsequence.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace {

const QString Column = QStringLiteral("Column");
const QString StepKind = QStringLiteral("Step");
const QString StepSize = QStringLiteral("Step_Size");
const QString ByGroup = QStringLiteral("By_Group");
const QString GroupColumns = QStringLiteral("Group_Columns");
const QString Fill = QStringLiteral("Fill");

// A safety limit on the rows one run adds, so that a stray far-off value
// ("2026" among days) cannot fill the memory.
constexpr int MaximumNewRows = 1000000;

const QStringList& stepChoices()
{
    static const QStringList choices = { QStringLiteral("Number"), QStringLiteral("Day"),
        QStringLiteral("Week"), QStringLiteral("Month"), QStringLiteral("Year") };
    return choices;
}

// One value of the sequence column: an integer, or a date with the format
// it was written in.
struct Point
{
    qint64 number = 0;
    QDate date;
    QString format;
};

// The format a date was written in, with day and month zero-padded when
// the text has them so ("01/02/2027" read by "d/M/yyyy" gives "dd/MM/yyyy"),
// so that new rows look like their neighbours.
QString writtenFormat(const QDate& date, const QString& format, const QString& text)
{
    if (formatDate(date, format) == text)
        return format;
    QString padded = format;
    padded.replace(QRegularExpression(QStringLiteral("(?<!d)d(?!d)")), QStringLiteral("dd"));
    padded.replace(QRegularExpression(QStringLiteral("(?<!M)M(?!M)")), QStringLiteral("MM"));
    return formatDate(date, padded) == text ? padded : format;
}

// One column's dates are read by one format, the one that reads most of its
// values, so that "02/01/2027" means the same day in every row.
bool readPoint(
    const QString& text, TransformSequence::Step step, const DateFormat& dateFormat, Point& point)
{
    if (step == TransformSequence::Number) {
        bool ok = false;
        const double v = toNumber(text, false, false, &ok);
        if (!ok || std::floor(v) != v || std::fabs(v) > 9e15)
            return false;
        point.number = qint64(v);
        return true;
    }
    const QString trimmed = text.trimmed();
    if (dateFormat.isEmpty()) {
        point.date = toDateWithFormats(trimmed, &point.format);
    } else {
        point.date = toDate(trimmed, dateFormat);
        point.format = dateFormat.text();
    }
    if (!point.date.isValid())
        return false;
    point.format = writtenFormat(point.date, point.format, trimmed);
    return true;
}

// The k-th value after a point.
Point after(const Point& from, TransformSequence::Step step, int size, qint64 k)
{
    Point p = from;
    switch (step) {
    case TransformSequence::Number:
        p.number = from.number + k * size;
        break;
    case TransformSequence::Day:
        p.date = from.date.addDays(k * size);
        break;
    case TransformSequence::Week:
        p.date = from.date.addDays(7 * k * size);
        break;
    case TransformSequence::Month:
        p.date = from.date.addMonths(int(k * size));
        break;
    case TransformSequence::Year:
        p.date = from.date.addYears(int(k * size));
        break;
    }
    return p;
}

bool before(const Point& a, const Point& b, TransformSequence::Step step)
{
    return step == TransformSequence::Number ? a.number < b.number : a.date < b.date;
}

QString pointText(const Point& p, TransformSequence::Step step)
{
    return step == TransformSequence::Number ? QString::number(p.number)
                                             : formatDate(p.date, p.format);
}

struct GroupState
{
    Point last;
    Dataset::Row row;
};

} // namespace

QSet<QString> TransformSequence::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w :
        { "complete", "fill", "dates", "days", "months", "consecutive", "insert", "calendar" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSequence::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, Column, QStringLiteral("sequence column"))
        ->setTooltip(QStringLiteral("The column holding the integers or dates of the sequence, "
                                    "in ascending order."));
    addParameter(ParameterType::Selection, StepKind, QStringLiteral("step by"),
        stepChoices().first(), stepChoices())
        ->setTooltip(QStringLiteral("Whether the sequence counts in integers or in days, weeks, "
                                    "months or years of dates."));
    TransformParameter* size
        = addParameter(ParameterType::Int, StepSize, QStringLiteral("step size"), 1);
    size->setIntRange(1, 999999);
    size->setTooltip(QStringLiteral("How many integers, days, weeks, months or years make one "
                                    "step."));
    addParameter(ParameterType::Bool, ByGroup, QStringLiteral("within groups"), false)
        ->setTooltip(QStringLiteral("Check to complete a separate sequence for each combination "
                                    "of values of the group columns."));
    addParameter(ParameterType::MultipleColumns, GroupColumns, QStringLiteral("group columns"))
        ->setTooltip(QStringLiteral("The columns whose values make a group."));
    addParameter(ParameterType::Selection, Fill, QStringLiteral("new rows"),
        QStringLiteral("Empty"),
        QStringList { QStringLiteral("Empty"), QStringLiteral("Copy of previous row") })
        ->setTooltip(QStringLiteral("Leave the other columns of a new row empty, or copy them "
                                    "from the row before the gap."));
}

QList<QPair<QString, bool>> TransformSequence::optionStates() const
{
    return { qMakePair(GroupColumns, boolParameter(ByGroup)) };
}

bool TransformSequence::usesDates() const
{
    return selectionParameter(StepKind) != Number;
}

void TransformSequence::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "Column", "Step", "Step_Size", "By_Group", "Group_Columns", "Fill" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int column = columnIndex(Column);
    if (!input.isValidColumn(column)) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const Step step = Step(selectionParameter(StepKind));
    const int size = qMax(1, intParameter(StepSize, 1));
    const QVector<int> groups
        = boolParameter(ByGroup) ? columnIndexes(GroupColumns) : QVector<int>();
    const bool copyPrevious = selectionParameter(Fill) == 1;
    QString inferred;
    if (step != Number)
        input.isDateColumn(column, defaultDateFormats(), &inferred);
    const DateFormat dateFormat(inferred);

    output.setRowCount(0);
    output.reserveRows(input.rowCount());
    QHash<QString, GroupState> states;
    ExampleList unreadable;
    int added = 0;
    bool limited = false;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const Dataset::Row& row = input.row(r);
        Point point;
        if (!readPoint(row.at(column), step, dateFormat, point)) {
            if (!row.at(column).trimmed().isEmpty())
                unreadable.add(row.at(column));
            output.appendRow(row);
            continue;
        }
        QString key;
        for (int g : groups)
            key += row.at(g) + QChar(0x1F);
        auto state = states.find(key);
        if (state != states.end()) {
            // A day or month below 10 shows whether the column pads them;
            // either end of the gap may be the one that does.
            if (point.format.size() > state->last.format.size())
                state->last.format = point.format;
            for (qint64 k = 1;; ++k) {
                const Point next = after(state->last, step, size, k);
                if (!before(next, point, step) || (step != Number && !next.date.isValid()))
                    break;
                if (added >= MaximumNewRows) {
                    limited = true;
                    break;
                }
                Dataset::Row fresh = copyPrevious ? state->row : Dataset::Row();
                if (!copyPrevious) {
                    for (int c = 0; c < input.columnCount(); ++c)
                        fresh << QString();
                    for (int g : groups)
                        fresh[g] = row.at(g);
                }
                fresh[column] = pointText(next, step);
                output.appendRow(fresh);
                ++added;
            }
            state->last = point;
            state->row = row;
        } else {
            states.insert(key, GroupState { point, row });
        }
        output.appendRow(row);
    }
    setSummary(added == 0 ? QStringLiteral("No changes")
                          : countText(added, QStringLiteral("row"), QStringLiteral("rows"))
                + QStringLiteral(" added"));
    if (limited)
        addWarning(QStringLiteral("Stopped after adding %1 rows")
                       .arg(formatInteger(MaximumNewRows, true)));
    if (!unreadable.isEmpty())
        addWarning(QStringLiteral("%1 not read as %2 and left out of the sequence: %3")
                       .arg(countText(unreadable.count(), QStringLiteral("value"),
                                QStringLiteral("values")),
                           step == Number ? QStringLiteral("an integer") : QStringLiteral("a date"),
                           unreadable.text()));
}
