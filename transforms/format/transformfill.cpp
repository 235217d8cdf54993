#include "transforms/format/transformfill.h"

#include "core/dataset.h"

namespace {

QStringList directionChoices()
{
    return { QStringLiteral("Down"), QStringLiteral("Right"), QStringLiteral("Up"),
        QStringLiteral("Left") };
}

QStringList forChoices()
{
    return { QStringLiteral("All rows"), QStringLiteral("Rows with same key value") };
}

} // namespace

QString TransformFill::description() const
{
    return QStringLiteral("Fill empty values in selected columns from the nearest value above, "
                          "below, left or right.");
}

QSet<QString> TransformFill::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("gaps") << QStringLiteral("repeat") << QStringLiteral("propagate")
          << QStringLiteral("ffill") << QStringLiteral("carry");
    return words;
}

void TransformFill::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Selection, QStringLiteral("Direction"), QStringLiteral("Direction"),
        directionChoices().first(), directionChoices())
        ->setTooltip(m_unfill
                ? QStringLiteral("Empty values that repeat the value before them: the "
                                 "value above (Down), below (Up), or in the selected "
                                 "column to the left (Right) or right (Left).")
                : QStringLiteral("Fill empty values from the value above (Down), below "
                                 "(Up), or from the selected columns to the left "
                                 "(Right) or right (Left)."));
    addParameter(ParameterType::Selection, QStringLiteral("For"), QStringLiteral("For"),
        forChoices().first(), forChoices())
        ->setTooltip(m_unfill ? QStringLiteral("Empty repeated values in all rows, or only "
                                               "where a row has the same key value as the row "
                                               "before it.")
                              : QStringLiteral("Fill in all rows, or only from a row with the "
                                               "same key value (Down and Up)."));
    addParameter(ParameterType::SingleColumn, QStringLiteral("Key_Column"),
        QStringLiteral("Key column"), QVariant::fromValue(ColumnRef()))
        ->setTooltip(m_unfill ? QStringLiteral("Values are emptied only where this column has the "
                                               "same value as in the row before (case "
                                               "sensitive).")
                              : QStringLiteral("Values are filled only from rows with the same "
                                               "value in this column (case sensitive)."));
}

QList<QPair<QString, bool>> TransformFill::optionStates() const
{
    return { qMakePair(
        QStringLiteral("Key_Column"), selectionParameter(QStringLiteral("For")) == 1) };
}

QStringList TransformFill::requiredKeys() const
{
    return { QStringLiteral("Direction"), QStringLiteral("For"), QStringLiteral("Key_Column") };
}

bool TransformFill::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(columns)
    m_input = &input;
    m_direction = Direction(selectionParameter(QStringLiteral("Direction")));
    m_keyColumn = -1;
    // Keys relate a row to its neighbour above or below; across a row they
    // have nothing to compare.
    if (selectionParameter(QStringLiteral("For")) == 1 && vertical()) {
        m_keyColumn = columnIndex(QStringLiteral("Key_Column"));
        if (!input.isValidColumn(m_keyColumn))
            return false;
    }
    m_carry = QVector<QString>(input.columnCount());
    m_rowCarry.clear();
    m_previousRow = -1;
    return true;
}

void TransformFill::startRow(int row, const QStringList& rowValues)
{
    if (vertical()) {
        m_previousRow = m_direction == Down ? row - 1 : row + 1;
        if (!m_input->isValidRow(m_previousRow))
            m_previousRow = -1;
        m_sameKey = m_previousRow >= 0
            && (m_keyColumn < 0
                || rowValues.at(m_keyColumn) == m_input->value(m_previousRow, m_keyColumn));
    } else {
        m_sameKey = true;
        m_previousColumn = -1;
        m_rowCarry.clear();
    }
}

QString TransformFill::rewrite(const QString& text, int row, int column)
{
    return m_unfill ? unfill(text, row, column) : fill(text, column);
}

QString TransformFill::fill(const QString& text, int column)
{
    QString& carry = vertical() ? m_carry[column] : m_rowCarry;
    // A new key value starts afresh: nothing from the previous group leaks
    // into it, even through a run of empty cells.
    if (!m_sameKey)
        carry.clear();
    if (text.isEmpty())
        return carry;
    carry = text;
    return text;
}

QString TransformFill::unfill(const QString& text, int row, int column)
{
    QString result = text;
    if (vertical()) {
        if (m_sameKey && text == m_input->value(m_previousRow, column))
            result.clear();
    } else {
        if (m_previousColumn >= 0 && text == m_input->value(row, m_previousColumn))
            result.clear();
        m_previousColumn = column;
    }
    return result;
}
