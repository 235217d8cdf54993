#include "transforms/support/columnvariables.h"

#include "core/dataset.h"

#include <QHash>
#include <QLatin1String>
#include <QSet>

namespace {

const QLatin1String kOpen("$(");

} // namespace

ColumnVariables::ColumnVariables(const QString& text, const Dataset& dataset) : m_text(text)
{
    parse(dataset);
}

bool ColumnVariables::mayContainVariables(const QString& text)
{
    return text.contains(kOpen);
}

void ColumnVariables::parse(const Dataset& dataset)
{
    m_parts.clear();
    m_ambiguous.clear();
    m_literalLength = 0;
    m_hasVariables = false;
    if (!mayContainVariables(m_text)) {
        m_parts.append(Part { m_text, -1 });
        m_literalLength = m_text.size();
        return;
    }

    // First column of each name, and the names borne by several columns.
    QHash<QString, int> firstByName;
    QSet<QString> shared;
    const QStringList names = dataset.columnNames();
    for (int c = 0; c < names.size(); ++c) {
        if (firstByName.contains(names.at(c)))
            shared.insert(names.at(c));
        else
            firstByName.insert(names.at(c), c);
    }

    QString literal;
    int pos = 0;
    while (pos < m_text.size()) {
        const int open = m_text.indexOf(kOpen, pos);
        const int close = open < 0 ? -1 : m_text.indexOf(QLatin1Char(')'), open + 2);
        if (close < 0) {
            literal += m_text.midRef(pos);
            break;
        }
        const QString inner = m_text.mid(open + 2, close - open - 2).trimmed();
        int column = firstByName.value(inner, -1);
        if (column < 0) {
            bool ok = false;
            const int number = inner.toInt(&ok);
            if (ok && number >= 1 && number <= dataset.columnCount())
                column = number - 1;
        } else if (shared.contains(inner) && !m_ambiguous.contains(inner)) {
            m_ambiguous.append(inner);
        }
        if (column < 0) {
            // Not a variable: keep the "$(" and look again just after it, so
            // that a variable nested inside is still found.
            literal += m_text.midRef(pos, open + 2 - pos);
            pos = open + 2;
            continue;
        }
        literal += m_text.midRef(pos, open - pos);
        if (!literal.isEmpty()) {
            m_literalLength += literal.size();
            m_parts.append(Part { literal, -1 });
            literal.clear();
        }
        m_parts.append(Part { m_text.mid(open, close + 1 - open), column });
        m_hasVariables = true;
        pos = close + 1;
    }
    if (!literal.isEmpty() || m_parts.isEmpty()) {
        m_literalLength += literal.size();
        m_parts.append(Part { literal, -1 });
    }
}

QString ColumnVariables::expand(const QStringList& rowValues) const
{
    if (!m_hasVariables)
        return m_text;
    int length = m_literalLength;
    for (const Part& part : m_parts) {
        if (part.isVariable() && part.column < rowValues.size())
            length += rowValues.at(part.column).size();
    }
    QString result;
    result.reserve(length);
    for (const Part& part : m_parts) {
        if (!part.isVariable())
            result += part.literal;
        else if (part.column < rowValues.size())
            result += rowValues.at(part.column);
    }
    return result;
}

QString ColumnVariables::expand(const QString& text, const Dataset& dataset, int row)
{
    if (!mayContainVariables(text) || !dataset.isValidRow(row))
        return text;
    return ColumnVariables(text, dataset).expand(dataset.row(row));
}
