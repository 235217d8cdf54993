#include "transforms/format/transformnumbase.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

const int SampleSize = 25;
const int CandidateBases[] = { 2, 8, 10, 16 };

} // namespace

QString TransformNumBase::description() const
{
    return QStringLiteral("Convert whole numbers between bases, e.g. 255 to ff (hexadecimal).");
}

void TransformNumBase::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    TransformParameter* from
        = addParameter(ParameterType::Int, QStringLiteral("From"), QStringLiteral("Base from"), 1);
    from->setIntRange(1, 32);
    from->setSpecialValueText(QStringLiteral("Guess"));
    from->setTooltip(QStringLiteral("The base of the values (2 binary, 8 octal, 10 decimal, 16 "
                                    "hexadecimal). 'Guess' decides per column from its values."));
    addParameter(ParameterType::Int, QStringLiteral("To"), QStringLiteral("Base to"), 16)
        ->setIntRange(2, 32);
    const QStringList choices = unreadableNumberChoices();
    addParameter(ParameterType::Selection, QStringLiteral("Non_Numeric"),
        QStringLiteral("Non-integer"), choices.first(), choices)
        ->setTooltip(QStringLiteral("What to do with values that are not whole numbers."));
}

QStringList TransformNumBase::requiredKeys() const
{
    return { QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Non_Numeric") };
}

bool TransformNumBase::readInteger(const QString& text, int base, quint64* bits, bool* negative)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, base);
    if (ok) {
        *bits = quint64(value);
        *negative = value < 0;
        return true;
    }
    *negative = false;
    if (text.startsWith(QLatin1Char('-')))
        return false;
    *bits = text.toULongLong(&ok, base);
    return ok;
}

int TransformNumBase::guessBase(const QStringList& sample)
{
    int bestBase = 10;
    int bestScore = 0;
    for (const int base : CandidateBases) {
        int score = 0;
        for (const QString& value : sample) {
            quint64 bits;
            bool negative;
            if (value.startsWith(QLatin1String("0x")) || value.startsWith(QLatin1String("-0x")))
                score += base == 16 ? 1 : 0;
            else if (readInteger(value, base, &bits, &negative))
                ++score;
        }
        if (score > bestScore) {
            bestScore = score;
            bestBase = base;
        }
    }
    return bestBase;
}

bool TransformNumBase::prepare(const Dataset& input, const QVector<int>& columns)
{
    const int from = intParameter(QStringLiteral("From"), Guess);
    m_toBase = intParameter(QStringLiteral("To"), 16);
    m_action = UnreadableAction(selectionParameter(QStringLiteral("Non_Numeric")));
    m_nonIntegers = ValueExamples();
    m_nonIntegers.watchFor(QStringLiteral(",."));
    m_negativeWarned = false;
    m_fromBase.clear();
    m_columnNames = input.columnNames();
    if (from == m_toBase)
        addWarning(QStringLiteral("'%1' and '%2' values are the same")
                       .arg(parameter(QStringLiteral("From"))->label(),
                           parameter(QStringLiteral("To"))->label()));
    for (const int c : columns) {
        if (from != Guess) {
            m_fromBase.insert(c, from);
            continue;
        }
        QStringList sample;
        for (int r = 0; r < input.rowCount() && sample.size() < SampleSize; ++r) {
            const QString value = input.value(r, c).trimmed().toLower();
            if (!value.isEmpty())
                sample.append(value);
        }
        const int base = guessBase(sample);
        m_fromBase.insert(c, base);
        addInformation(QStringLiteral("Guessing base %1 for column %2 ('%3')")
                           .arg(base)
                           .arg(c + 1)
                           .arg(input.columnName(c)));
    }
    return true;
}

QString TransformNumBase::rewrite(const QString& text, int row, int column)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return text;
    quint64 bits = 0;
    bool negative = false;
    if (!readInteger(trimmed, m_fromBase.value(column, 10), &bits, &negative)) {
        m_nonIntegers.add(text, m_columnNames.value(column), row);
        return replaceUnreadable(text, m_action);
    }
    // Decimal is the one base written signed, so that the unsigned form of
    // a negative value converts back to it.
    if (m_toBase == 10)
        return QString::number(qint64(bits));
    if (negative && !m_negativeWarned) {
        m_negativeWarned = true;
        addWarning(
            QStringLiteral("Negative input values are shown as unsigned when converted to base %1")
                .arg(m_toBase));
    }
    return QString::number(bits, m_toBase);
}

void TransformNumBase::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    const qint64 bad = m_nonIntegers.count();
    if (m_nonIntegers.sawWatched())
        addWarning(QStringLiteral("Input values should not contain ',' or '.' characters"));
    m_nonIntegers.report(this,
        QStringLiteral("%1 non-integer %2:")
            .arg(formatInteger(bad, true),
                wordForCount(bad, QStringLiteral("value"), QStringLiteral("values"))));
    if (changed == 0 && bad == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    setSummary(QStringLiteral("%1 changed, %2 unchanged, %3 non-integer")
                   .arg(formatInteger(changed, true), formatInteger(unchanged, true),
                       formatInteger(bad, true)));
}
