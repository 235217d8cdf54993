#include "transforms/format/transformextract.h"

QString TransformExtract::description() const
{
    return QStringLiteral("Extract part of the values in selected columns, by position or by "
                          "regular expression.");
}

QSet<QString> TransformExtract::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("regex") << QStringLiteral("regular") << QStringLiteral("expression")
          << QStringLiteral("capture") << QStringLiteral("shorten") << QStringLiteral("truncate");
    return words;
}

void TransformExtract::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Selection, QStringLiteral("Using"), QStringLiteral("Using"),
        QStringLiteral("Text"), QStringList { QStringLiteral("Text"), QStringLiteral("Regex") })
        ->setTooltip(QStringLiteral("Extract by character position (Text) or by regular "
                                    "expression (Regex)."));
    addParameter(ParameterType::Int, QStringLiteral("Length"), QStringLiteral("Length"), 10)
        ->setTooltip(QStringLiteral("The number of characters to keep."));
    addParameter(ParameterType::Selection, QStringLiteral("From"), QStringLiteral("From"),
        QStringLiteral("Start"), QStringList { QStringLiteral("Start"), QStringLiteral("End") })
        ->setTooltip(QStringLiteral("Count the offset from the start or the end of values."));
    addParameter(ParameterType::Int, QStringLiteral("Offset"), QStringLiteral("Offset"), 0)
        ->setTooltip(QStringLiteral("If From=Start, the offset index of the first character from "
                                    "the start.\nIf From=End, the offset of the last character "
                                    "from the end."));
    addParameter(ParameterType::Text, QStringLiteral("Matching"), QStringLiteral("Matching"),
        QStringLiteral("^.*$"))
        ->setTooltip(QStringLiteral("The regular expression to match. If it has a captured group "
                                    "in brackets, the first group is kept, otherwise the whole "
                                    "match.\nValues that do not match become empty."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Match the regular expression case sensitively."));
}

bool TransformExtract::usesRegex() const
{
    return selectionParameter(QStringLiteral("Using")) == 1;
}

QList<QPair<QString, bool>> TransformExtract::optionStates() const
{
    const bool regex = usesRegex();
    return { qMakePair(QStringLiteral("Length"), !regex), qMakePair(QStringLiteral("From"), !regex),
        qMakePair(QStringLiteral("Offset"), !regex), qMakePair(QStringLiteral("Matching"), regex),
        qMakePair(QStringLiteral("Case_Sensitive"), regex) };
}

QStringList TransformExtract::requiredKeys() const
{
    return { QStringLiteral("Using"), QStringLiteral("Length"), QStringLiteral("From"),
        QStringLiteral("Offset"), QStringLiteral("Matching"), QStringLiteral("Case_Sensitive") };
}

bool TransformExtract::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_regex = usesRegex();
    m_length = intParameter(QStringLiteral("Length"));
    m_fromStart = selectionParameter(QStringLiteral("From")) == 0;
    m_offset = intParameter(QStringLiteral("Offset"));
    if (m_regex) {
        QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
        if (!boolParameter(QStringLiteral("Case_Sensitive")))
            options |= QRegularExpression::CaseInsensitiveOption;
        m_pattern = QRegularExpression(textParameter(QStringLiteral("Matching")), options);
        if (m_pattern.isValid())
            m_pattern.optimize();
    }
    return true;
}

QString TransformExtract::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    if (m_regex)
        return extractMatch(text, m_pattern);
    return extractText(text, m_length, m_fromStart, m_offset);
}

QString TransformExtract::extractText(const QString& text, int length, bool fromStart, int offset)
{
    // Options at the ends of their range must not overflow: the positions
    // are worked out in 64 bits and only then clamped to the text.
    const qint64 size = text.size();
    const qint64 start = fromStart ? qint64(offset) : size - offset - length;
    const qint64 begin = qMax<qint64>(0, start);
    const qint64 end = qMin<qint64>(size, start + length);
    if (end <= begin)
        return QString();
    if (begin == 0 && end == size)
        return text;
    return text.mid(int(begin), int(end - begin));
}

QString TransformExtract::extractMatch(const QString& text, const QRegularExpression& re)
{
    if (!re.isValid())
        return QString();
    const QRegularExpressionMatch match = re.match(text);
    if (!match.hasMatch())
        return QString();
    return match.captured(re.captureCount() > 0 ? 1 : 0);
}
