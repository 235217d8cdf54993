#include "transforms/format/transformnumformat.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

const QStringList& decimalChoices()
{
    static const QStringList choices = { QStringLiteral("Automatic"),
        QStringLiteral("US/UK . (dot)"), QStringLiteral("European , (comma)"),
        QStringLiteral("Locale in Preferences"), QStringLiteral("Selected locale") };
    return choices;
}

const QStringList& formatChoices()
{
    static const QStringList choices = { QStringLiteral("e"), QStringLiteral("E"),
        QStringLiteral("f"), QStringLiteral("g"), QStringLiteral("G"), QStringLiteral("s") };
    return choices;
}

// Locales whose parsers take '.' or ',' as the decimal point and the other
// character as the group separator.
QLocale dotLocale()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

QLocale commaLocale()
{
    return QLocale(QLocale::German, QLocale::Germany);
}

int digitsAfter(const QString& text, int position)
{
    int n = 0;
    for (int i = position + 1; i < text.size() && text.at(i).isDigit(); ++i)
        ++n;
    return n;
}

} // namespace

QString TransformNumFormat::description() const
{
    return QStringLiteral("Change the format of numbers: decimal separator, digit grouping, "
                          "decimal places or exponent form.");
}

void TransformNumFormat::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Selection, QStringLiteral("Decimal_From"), QStringLiteral("From"),
        decimalChoices().first(), decimalChoices())
        ->setTooltip(QStringLiteral("The decimal separator of the values. 'Automatic' decides "
                                    "per column from its values."));
    addParameter(
        ParameterType::Locale, QStringLiteral("Input_Locale"), QStringLiteral("Locale from"));
    addParameter(ParameterType::Selection, QStringLiteral("Format"), QStringLiteral("Format to"),
        QStringLiteral("f"), formatChoices())
        ->setTooltip(QStringLiteral("e: exponent form (1.230e+06)\nE: exponent form (1.230E+06)\n"
                                    "f: fixed point (1230000.000)\ng: the shorter of e and f\n"
                                    "G: the shorter of E and f\ns: the shortest accurate form "
                                    "(1230000)"));
    addParameter(ParameterType::Int, QStringLiteral("Precision"), QStringLiteral("Precision to"), 3)
        ->setTooltip(QStringLiteral("Decimal places (e, E, f) or significant figures (g, G)."));
    parameter(QStringLiteral("Precision"))->setIntRange(0, 99);
    addParameter(
        ParameterType::Locale, QStringLiteral("Output_Locale"), QStringLiteral("Locale to"));
    addParameter(ParameterType::Bool, QStringLiteral("Group_Separator"),
        QStringLiteral("use group separator"), false);
    const QStringList choices = unreadableNumberChoices();
    addParameter(ParameterType::Selection, QStringLiteral("Non_Numeric"),
        QStringLiteral("Non-numeric"), choices.first(), choices);
}

QList<QPair<QString, bool>> TransformNumFormat::optionStates() const
{
    const QString letter = textParameter(QStringLiteral("Format"));
    return { qMakePair(QStringLiteral("Input_Locale"),
                 selectionParameter(QStringLiteral("Decimal_From")) == SelectedLocale),
        qMakePair(QStringLiteral("Precision"), letter != QLatin1String("s")) };
}

QStringList TransformNumFormat::requiredKeys() const
{
    return { QStringLiteral("Decimal_From"), QStringLiteral("Input_Locale"),
        QStringLiteral("Format"), QStringLiteral("Precision"), QStringLiteral("Output_Locale"),
        QStringLiteral("Group_Separator"), QStringLiteral("Non_Numeric") };
}

QChar TransformNumFormat::guessDecimalPoint(const QStringList& values)
{
    int dotVotes = 0;
    int commaVotes = 0;
    for (const QString& value : values) {
        const int dot = value.lastIndexOf(QLatin1Char('.'));
        const int comma = value.lastIndexOf(QLatin1Char(','));
        if (dot >= 0 && comma >= 0) {
            (dot > comma ? dotVotes : commaVotes) += 1;
        } else if (dot >= 0 && value.count(QLatin1Char('.')) == 1) {
            dotVotes += digitsAfter(value, dot) != 3 ? 1 : 0;
        } else if (comma >= 0 && value.count(QLatin1Char(',')) == 1) {
            commaVotes += digitsAfter(value, comma) != 3 ? 1 : 0;
        } else if (dot >= 0) {
            ++commaVotes; // "1.234.567" groups with dots
        } else if (comma >= 0) {
            ++dotVotes;
        }
    }
    return commaVotes > dotVotes ? QLatin1Char(',') : QLatin1Char('.');
}

QString TransformNumFormat::format(
    double value, const QLocale& locale, QChar letter, int precision, bool grouping)
{
    QLocale out = locale;
    out.setNumberOptions(grouping ? out.numberOptions() & ~QLocale::OmitGroupSeparator
                                  : out.numberOptions() | QLocale::OmitGroupSeparator);
    if (letter == QLatin1Char('s'))
        return out.toString(value, 'f', QLocale::FloatingPointShortest);
    return out.toString(value, char(letter.unicode()), precision);
}

bool TransformNumFormat::prepare(const Dataset& input, const QVector<int>& columns)
{
    const int from = selectionParameter(QStringLiteral("Decimal_From"));
    m_inputLocales.clear();
    for (const int c : columns) {
        QLocale locale;
        if (from == Dot)
            locale = dotLocale();
        else if (from == Comma)
            locale = commaLocale();
        else if (from == SelectedLocale)
            locale = parameter(QStringLiteral("Input_Locale"))->localeValue();
        else if (from == Automatic) {
            QStringList values;
            for (int r = 0; r < input.rowCount(); ++r)
                values.append(input.value(r, c).trimmed());
            locale = guessDecimalPoint(values) == QLatin1Char(',') ? commaLocale() : dotLocale();
        }
        m_inputLocales.insert(c, locale);
    }
    m_outputLocale = parameter(QStringLiteral("Output_Locale"))->localeValue();
    const QString letter = textParameter(QStringLiteral("Format"));
    m_letter = letter.isEmpty() ? QLatin1Char('f') : letter.at(0);
    m_precision = intParameter(QStringLiteral("Precision"), 3);
    m_grouping = boolParameter(QStringLiteral("Group_Separator"));
    m_action = UnreadableAction(selectionParameter(QStringLiteral("Non_Numeric")));
    m_columnNames = input.columnNames();
    m_nonNumeric = ValueExamples();
    return true;
}

QString TransformNumFormat::rewrite(const QString& text, int row, int column)
{
    if (text.trimmed().isEmpty())
        return text;
    bool ok = false;
    const double value = toNumber(m_inputLocales.value(column), text, false, false, &ok);
    if (ok)
        return format(value, m_outputLocale, m_letter, m_precision, m_grouping);
    m_nonNumeric.add(text, m_columnNames.value(column), row);
    return replaceUnreadable(text, m_action);
}

void TransformNumFormat::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    const qint64 bad = m_nonNumeric.count();
    m_nonNumeric.report(this,
        QStringLiteral("%1 non-numeric %2:")
            .arg(formatInteger(bad, true),
                wordForCount(bad, QStringLiteral("value"), QStringLiteral("values"))));
    setChangeSummary(changed, unchanged);
}
