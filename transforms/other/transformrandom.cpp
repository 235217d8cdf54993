#include "transforms/other/transformrandom.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/seededrandom.h"

#include <QDate>

namespace {

const QStringList& typeChoices()
{
    static const QStringList choices = { QStringLiteral("Text"), QStringLiteral("Date"),
        QStringLiteral("Integer"), QStringLiteral("Real") };
    return choices;
}

const QString BoundsError = QStringLiteral("Error: min >= max");

} // namespace

QString TransformRandom::description() const
{
    return QStringLiteral("Add a column of random values: texts from a list, dates, whole or "
                          "real numbers.");
}

void TransformRandom::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("New column name"),
        QStringLiteral("Random"));
    addParameter(ParameterType::Selection, QStringLiteral("Type"), QStringLiteral("Type"),
        typeChoices().first(), typeChoices());
    addParameter(ParameterType::Int, QStringLiteral("Seed"), QStringLiteral("Seed"), 1)
        ->setTooltip(QStringLiteral("The same seed gives the same values every time."));
    for (const char* key : { "Minimum_Real", "Maximum_Real" }) {
        const bool minimum = key[1] == 'i';
        addParameter(ParameterType::Real, QString::fromLatin1(key),
            minimum ? QStringLiteral("Minimum") : QStringLiteral("Maximum"), minimum ? 0.0 : 1.0)
            ->setRealRange(-1e15, 1e15);
    }
    for (const char* key : { "Minimum_Int", "Maximum_Int" }) {
        const bool minimum = key[1] == 'i';
        addParameter(ParameterType::Int, QString::fromLatin1(key),
            minimum ? QStringLiteral("Minimum") : QStringLiteral("Maximum"), minimum ? 0 : 100)
            ->setIntRange(-999999999, 999999999);
    }
    for (const char* key : { "Minimum_Date", "Maximum_Date" }) {
        addParameter(ParameterType::Date, QString::fromLatin1(key),
            key[1] == 'i' ? QStringLiteral("Minimum") : QStringLiteral("Maximum"),
            QDate::currentDate());
    }
    addParameter(ParameterType::Text, QStringLiteral("Date_Format"), QStringLiteral("Format"),
        QStringLiteral("yyyy-MM-dd"));
    addParameter(ParameterType::Text, QStringLiteral("Text_Values"), QStringLiteral("Values"),
        QStringLiteral("Value1,Value2"))
        ->setTooltip(QStringLiteral("Comma-separated values to pick from. A value listed twice "
                                    "is picked twice as often."));
}

QList<QPair<QString, bool>> TransformRandom::optionStates() const
{
    const int type = selectionParameter(QStringLiteral("Type"));
    return { qMakePair(QStringLiteral("Minimum_Real"), type == Real),
        qMakePair(QStringLiteral("Maximum_Real"), type == Real),
        qMakePair(QStringLiteral("Minimum_Int"), type == Integer),
        qMakePair(QStringLiteral("Maximum_Int"), type == Integer),
        qMakePair(QStringLiteral("Minimum_Date"), type == Date),
        qMakePair(QStringLiteral("Maximum_Date"), type == Date),
        qMakePair(QStringLiteral("Date_Format"), type == Date),
        qMakePair(QStringLiteral("Text_Values"), type == Text) };
}

bool TransformRandom::boundsInOrder(const QString& minimumKey, bool inOrder)
{
    if (inOrder)
        return true;
    QString maximumKey = minimumKey;
    maximumKey.replace(QStringLiteral("Minimum"), QStringLiteral("Maximum"));
    addWarning(QStringLiteral("'%1' is greater than '%2'")
                   .arg(parameter(minimumKey)->label(), parameter(maximumKey)->label()));
    return false;
}

QStringList TransformRandom::generate(Type type, int rows)
{
    SeededRandom random(quint64(quint32(intParameter(QStringLiteral("Seed")))));
    QStringList values;
    values.reserve(rows);
    if (type == Integer) {
        const qint64 lo = intParameter(QStringLiteral("Minimum_Int"));
        const qint64 hi = intParameter(QStringLiteral("Maximum_Int"));
        if (!boundsInOrder(QStringLiteral("Minimum_Int"), lo <= hi))
            return values;
        for (int r = 0; r < rows; ++r)
            values.append(QString::number(random.between(lo, hi)));
    } else if (type == Real) {
        const double lo = realParameter(QStringLiteral("Minimum_Real"));
        const double hi = realParameter(QStringLiteral("Maximum_Real"), 1.0);
        if (!boundsInOrder(QStringLiteral("Minimum_Real"), lo <= hi))
            return values;
        for (int r = 0; r < rows; ++r)
            values.append(formatNumber(lo + (hi - lo) * random.unit()));
    } else if (type == Date) {
        const QDate lo = parameter(QStringLiteral("Minimum_Date"))->dateValue();
        const QDate hi = parameter(QStringLiteral("Maximum_Date"))->dateValue();
        if (!boundsInOrder(QStringLiteral("Minimum_Date"), lo <= hi))
            return values;
        const QString format = textParameter(QStringLiteral("Date_Format"));
        const qint64 days = lo.daysTo(hi);
        for (int r = 0; r < rows; ++r)
            values.append(formatDate(lo.addDays(random.between(0, days)), format));
    } else {
        const QStringList choices
            = textParameter(QStringLiteral("Text_Values")).split(QLatin1Char(','));
        for (int r = 0; r < rows; ++r)
            values.append(choices.at(int(random.below(quint64(choices.size())))));
    }
    return values;
}

void TransformRandom::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters(
            { "New_Name", "Type", "Seed", "Minimum_Real", "Maximum_Real", "Minimum_Int",
                "Maximum_Int", "Minimum_Date", "Maximum_Date", "Date_Format", "Text_Values" }))
        return;
    output = upstream.first()->dataset();
    const int column = output.columnCount();
    output.appendColumn();
    const QString name = textParameter(QStringLiteral("New_Name"));
    if (!name.isEmpty())
        output.setColumnName(column, name);
    const int rows = output.rowCount();
    const QStringList values = generate(Type(selectionParameter(QStringLiteral("Type"))), rows);
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        output.setValue(r, column, values.isEmpty() ? BoundsError : values.at(r));
    }
    setSummary(QStringLiteral("1 col added"));
}
