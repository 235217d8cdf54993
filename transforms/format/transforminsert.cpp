#include "transforms/format/transforminsert.h"

#include "core/values.h"

QString TransformInsert::description() const
{
    return QStringLiteral("Insert text at the start or end of values in selected columns.");
}

QSet<QString> TransformInsert::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("concatenate") << QStringLiteral("before") << QStringLiteral("after")
          << QStringLiteral("variables");
    return words;
}

void TransformInsert::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Text, QStringLiteral("Insert"), QStringLiteral("Insert"))
        ->setTooltip(QStringLiteral("Text to insert.\nYou can use column variables. e.g. $(1) to "
                                    "reference the first column value.\nSee 'Column variables' in "
                                    "the help."));
    addParameter(ParameterType::Selection, QStringLiteral("With"), QStringLiteral("Insert at"),
        QStringLiteral("Start"), QStringList { QStringLiteral("Start"), QStringLiteral("End") })
        ->setTooltip(QStringLiteral("Insert the text before (Start) or after (End) each value."));
}

QStringList TransformInsert::requiredKeys() const
{
    return { QStringLiteral("Insert"), QStringLiteral("With") };
}

bool TransformInsert::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(columns)
    m_insert = ColumnVariables(textParameter(QStringLiteral("Insert")), input);
    m_rowText = m_insert.text();
    m_atStart = selectionParameter(QStringLiteral("With")) == 0;
    return true;
}

void TransformInsert::startRow(int row, const QStringList& rowValues)
{
    Q_UNUSED(row)
    if (m_insert.hasVariables())
        m_rowText = m_insert.expand(rowValues);
}

QString TransformInsert::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    if (m_rowText.isEmpty())
        return text;
    return m_atStart ? QString(m_rowText + text) : QString(text + m_rowText);
}

void TransformInsert::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    Q_UNUSED(unchanged)
    if (changed == 0)
        setSummary(QStringLiteral("No changes"));
    else
        setSummary(QStringLiteral("%1 changed").arg(formatInteger(changed, true)));
}
