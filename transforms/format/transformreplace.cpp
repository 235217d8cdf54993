#include "transforms/format/transformreplace.h"

#include "transforms/transformparameter.h"

QString TransformReplace::description() const
{
    return QStringLiteral("Find and replace values in selected columns.");
}

QSet<QString> TransformReplace::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("replacement") << QStringLiteral("change") << QStringLiteral("swap")
          << QStringLiteral("remove") << QStringLiteral("map") << QStringLiteral("recode")
          << QStringLiteral("regular") << QStringLiteral("expression");
    return words;
}

void TransformReplace::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::ReplaceTerms, QStringLiteral("Replace"), QStringLiteral("Replace"),
        QVariant::fromValue(ReplaceTermList()), ReplaceMatcher::matchTypeNames())
        ->setTooltip(QStringLiteral(
            "Each term finds text and replaces it; terms are applied in order, each to the result "
            "of the one before.\nRegex replacements can refer to captured groups as \\1, \\2 ...\n"
            "You can use column variables. e.g. $(1) to reference the first column value.\nSee "
            "'Column variables' in the help."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Match case sensitively (Text, Exact text and Regex terms)."));
}

QStringList TransformReplace::requiredKeys() const
{
    return { QStringLiteral("Replace"), QStringLiteral("Case_Sensitive") };
}

bool TransformReplace::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(columns)
    const Qt::CaseSensitivity cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    m_terms = std::make_unique<ReplaceMatcherList>(
        parameter(QStringLiteral("Replace"))->replaceTerms(), cs, &input);
    return !m_terms->isEmpty();
}

void TransformReplace::startRow(int row, const QStringList& rowValues)
{
    Q_UNUSED(row)
    if (m_terms->usesRowValues())
        m_terms->setRow(rowValues);
}

QString TransformReplace::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return m_terms->apply(text);
}
