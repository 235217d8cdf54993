#include "transforms/format/transformdateformat.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

const QStringList& nonDateChoices()
{
    static const QStringList choices = { QStringLiteral("Leave"), QStringLiteral("Change to empty"),
        QStringLiteral("Change to user defined") };
    return choices;
}

const char* const PatternHelp = "d, dd day; ddd, dddd day name; M, MM month; MMM, MMMM month "
                                "name; yy, yyyy year;\nh, hh, H, HH hour; m, mm minute; s, ss "
                                "second; z, zzz milliseconds; AP, ap AM/PM; 'text' literal text.";

} // namespace

QString TransformDateFormat::description() const
{
    return QStringLiteral("Change the format of dates and times, e.g. 31/12/2024 to 2024-12-31.");
}

void TransformDateFormat::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(
        ParameterType::Locale, QStringLiteral("Input_Locale"), QStringLiteral("Locale from"));
    const QString userFormat = defaultDateFormats().isEmpty()
        ? QLocale().dateFormat(QLocale::ShortFormat)
        : defaultDateFormats().first();
    addParameter(
        ParameterType::Text, QStringLiteral("Input"), QStringLiteral("Format from"), userFormat)
        ->setTooltip(
            QStringLiteral("The pattern the values are in.\n") + QLatin1String(PatternHelp));
    addParameter(
        ParameterType::Locale, QStringLiteral("Output_Locale"), QStringLiteral("Locale to"));
    addParameter(ParameterType::Text, QStringLiteral("Output"), QStringLiteral("Format to"))
        ->setTooltip(
            QStringLiteral("The pattern to write the values in.\n") + QLatin1String(PatternHelp));
    addParameter(ParameterType::Selection, QStringLiteral("Non_Date"), QStringLiteral("Non-date"),
        nonDateChoices().first(), nonDateChoices())
        ->setTooltip(QStringLiteral("What to do with values that do not match 'Format from'."));
    addParameter(ParameterType::Text, QStringLiteral("User_Defined"), QStringLiteral("With value"))
        ->setTextRequired(false);
}

QList<QPair<QString, bool>> TransformDateFormat::optionStates() const
{
    return { qMakePair(QStringLiteral("User_Defined"),
        selectionParameter(QStringLiteral("Non_Date")) == ChangeToUserDefined) };
}

QStringList TransformDateFormat::requiredKeys() const
{
    return { QStringLiteral("Input_Locale"), QStringLiteral("Input"),
        QStringLiteral("Output_Locale"), QStringLiteral("Output"), QStringLiteral("Non_Date"),
        QStringLiteral("User_Defined") };
}

bool TransformDateFormat::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(columns)
    m_inputFormat = textParameter(QStringLiteral("Input"));
    m_outputFormat = textParameter(QStringLiteral("Output"));
    if (m_inputFormat.isEmpty() || m_outputFormat.isEmpty())
        return false;
    m_inputLocale = parameter(QStringLiteral("Input_Locale"))->localeValue();
    m_outputLocale = parameter(QStringLiteral("Output_Locale"))->localeValue();
    m_action = NonDateAction(selectionParameter(QStringLiteral("Non_Date")));
    m_userDefined = textParameter(QStringLiteral("User_Defined"));
    m_inputHasTime = formatHasTimeFields(m_inputFormat);
    m_inputDate = DateFormat(m_inputFormat);
    m_outputHasTime = formatHasTimeFields(m_outputFormat);
    m_columnNames = input.columnNames();
    m_unconverted = ValueExamples();
    return true;
}

QString TransformDateFormat::rewrite(const QString& text, int row, int column)
{
    if (text.trimmed().isEmpty())
        return text;
    QString result;
    // Date-only patterns keep to the date routines, which read the common
    // numeric patterns without the toolkit's slower parser.
    if (!m_inputHasTime && !m_outputHasTime) {
        const QDate date = toDate(m_inputLocale, text, m_inputDate);
        if (date.isValid())
            result = m_outputLocale.toString(date, m_outputFormat);
    } else {
        const QDateTime dateTime = toDateTime(m_inputLocale, text, m_inputFormat);
        if (dateTime.isValid())
            result = m_outputLocale.toString(dateTime, m_outputFormat);
    }
    if (!result.isNull())
        return result;
    m_unconverted.add(text, m_columnNames.value(column), row);
    switch (m_action) {
    case ChangeToEmpty:
        return QString();
    case ChangeToUserDefined:
        return m_userDefined;
    case Leave:
        break;
    }
    return text;
}

void TransformDateFormat::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    const qint64 bad = m_unconverted.count();
    m_unconverted.report(this,
        QStringLiteral("%1 %2 not converted. Unconverted values either do not match '%3'='%4' or "
                       "are non-existent dates for your locale (e.g. 29th February 2023):")
            .arg(formatInteger(bad, true),
                wordForCount(bad, QStringLiteral("value is"), QStringLiteral("values are")),
                parameter(QStringLiteral("Input"))->label(), m_inputFormat));
    setChangeSummary(changed, unchanged);
}
