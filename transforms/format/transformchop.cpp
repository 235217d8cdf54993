#include "transforms/format/transformchop.h"

QString TransformChop::description() const
{
    return QStringLiteral("Remove characters from the start or end of values in selected columns.");
}

QSet<QString> TransformChop::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("delete") << QStringLiteral("strip") << QStringLiteral("drop")
          << QStringLiteral("left") << QStringLiteral("right");
    return words;
}

void TransformChop::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(
        ParameterType::Int, QStringLiteral("Length"), QStringLiteral("Characters to remove"), 1)
        ->setTooltip(QStringLiteral("How many characters to remove from each value. Values no "
                                    "longer than this become empty."));
    addParameter(ParameterType::Selection, QStringLiteral("From"), QStringLiteral("From"),
        QStringLiteral("Start"), QStringList { QStringLiteral("Start"), QStringLiteral("End") })
        ->setTooltip(QStringLiteral("Remove the characters from the start or the end of values."));
}

QStringList TransformChop::requiredKeys() const
{
    return { QStringLiteral("Length"), QStringLiteral("From") };
}

bool TransformChop::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_length = intParameter(QStringLiteral("Length"));
    m_fromStart = selectionParameter(QStringLiteral("From")) == 0;
    return m_length >= 1;
}

QString TransformChop::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    const int keep = qMax(0, text.size() - m_length);
    return m_fromStart ? text.right(keep) : text.left(keep);
}
