#include "transforms/format/transformpad.h"

#include "core/values.h"

namespace {

// A value padded to a billion characters takes gigabytes and helps no one:
// such a length is a slip of the keyboard or a damaged document.
constexpr int MaxLength = 1000000;

} // namespace

QSet<QString> TransformPad::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("zeros") << QStringLiteral("zero") << QStringLiteral("justify")
          << QStringLiteral("width") << QStringLiteral("align");
    return words;
}

void TransformPad::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Int, QStringLiteral("Length"), QStringLiteral("Minimum length"), 10)
        ->setTooltip(QStringLiteral("Pad values shorter than this length. NB/ Use the 'Extract' "
                                    "transform to shorten long values."));
    addParameter(ParameterType::Selection, QStringLiteral("Left_Right"), QStringLiteral("Pad on"),
        QStringLiteral("Left"), QStringList { QStringLiteral("Left"), QStringLiteral("Right") })
        ->setTooltip(
            QStringLiteral("Add the padding at the start (Left) or end (Right) of values."));
    addParameter(ParameterType::Char, QStringLiteral("Pad_With"), QStringLiteral("Pad with"),
        QChar(QLatin1Char('0')))
        ->setTooltip(QStringLiteral("The character added until values reach the minimum length."));
}

QStringList TransformPad::requiredKeys() const
{
    return { QStringLiteral("Length"), QStringLiteral("Left_Right"), QStringLiteral("Pad_With") };
}

bool TransformPad::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_length = intParameter(QStringLiteral("Length"));
    m_left = selectionParameter(QStringLiteral("Left_Right")) == 0;
    m_padWith = charParameter(QStringLiteral("Pad_With"));
    if (m_length > MaxLength) {
        addWarning(
            QStringLiteral("'Length' is %1, more than the %2 characters values can be padded "
                           "to")
                .arg(formatInteger(m_length), formatInteger(MaxLength)));
        return false;
    }
    return !m_padWith.isNull() && m_length > 0;
}

QString TransformPad::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    if (text.size() >= m_length)
        return text;
    return m_left ? text.rightJustified(m_length, m_padWith)
                  : text.leftJustified(m_length, m_padWith);
}
