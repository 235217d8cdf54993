#include "transforms/format/transformlist.h"

#include "core/values.h"

#include <QCollator>
#include <QSet>

#include <algorithm>

namespace {

const QString Separator = QStringLiteral("Separator");
const QString Trim = QStringLiteral("Trim");
const QString DropEmpty = QStringLiteral("Drop_Empty");
const QString DropDuplicates = QStringLiteral("Drop_Duplicates");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString SortOrder = QStringLiteral("Sort");
const QString NewSeparator = QStringLiteral("New_Separator");
const QString JoinWith = QStringLiteral("Join_Separator");

const QStringList& sortChoices()
{
    static const QStringList choices = { QStringLiteral("Unsorted"), QStringLiteral("Alphabetical"),
        QStringLiteral("Reverse alphabetical"), QStringLiteral("Numerical"),
        QStringLiteral("Reverse numerical") };
    return choices;
}

// Alphabetical order as people read lists: letter case aside and digits by
// their value ("item9" before "item10"). One collator serves every cell.
const QCollator& listCollator()
{
    static const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

// Numbers first in numeric order, then the other items in natural order.
bool numericLess(const QString& a, const QString& b)
{
    bool aOk = false;
    bool bOk = false;
    const double x = toNumber(a, false, true, &aOk);
    const double y = toNumber(b, false, true, &bOk);
    if (aOk && bOk)
        return x < y;
    if (aOk != bOk)
        return aOk;
    return listCollator()(a, b);
}

void sortItems(QStringList& items, TransformList::Sort sort)
{
    const QCollator& collator = listCollator();
    switch (sort) {
    case TransformList::Alphabetical:
        std::stable_sort(items.begin(), items.end(),
            [&collator](const QString& a, const QString& b) { return collator(a, b); });
        break;
    case TransformList::ReverseAlphabetical:
        std::stable_sort(items.begin(), items.end(),
            [&collator](const QString& a, const QString& b) { return collator(b, a); });
        break;
    case TransformList::Numerical:
        std::stable_sort(items.begin(), items.end(), numericLess);
        break;
    case TransformList::ReverseNumerical:
        std::stable_sort(items.begin(), items.end(),
            [](const QString& a, const QString& b) { return numericLess(b, a); });
        break;
    case TransformList::Unsorted:
        break;
    }
}

} // namespace

QSet<QString> TransformList::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "lists", "tags", "separated", "dedupe", "sort", "tidy", "multi" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformList::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Text, Separator, QStringLiteral("separator"), QStringLiteral(","))
        ->setTooltip(QStringLiteral("The text between the items of a list."));
    addParameter(ParameterType::Bool, Trim, QStringLiteral("trim items"), true)
        ->setTooltip(QStringLiteral("Check to remove whitespace from the start and end of each "
                                    "item."));
    addParameter(ParameterType::Bool, DropEmpty, QStringLiteral("drop empty items"), true)
        ->setTooltip(QStringLiteral("Check to remove empty items (\"a,,b\" becomes \"a,b\")."));
    addParameter(ParameterType::Bool, DropDuplicates, QStringLiteral("drop duplicate items"), false)
        ->setTooltip(QStringLiteral("Check to keep only the first of items that occur more than "
                                    "once in a list."));
    addParameter(ParameterType::Bool, CaseSensitive, QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Check for case sensitive matching of duplicate items."));
    addParameter(ParameterType::Selection, SortOrder, QStringLiteral("sort items"),
        sortChoices().first(), sortChoices())
        ->setTooltip(QStringLiteral("The order of the items in each list. Numerical order puts "
                                    "items that are not numbers after the numbers."));
    addParameter(
        ParameterType::Bool, NewSeparator, QStringLiteral("join with new separator"), false)
        ->setTooltip(QStringLiteral("Check to join the items with a different separator."));
    TransformParameter* joiner = addParameter(
        ParameterType::Text, JoinWith, QStringLiteral("new separator"), QStringLiteral("; "));
    joiner->setTextRequired(false);
    joiner->setTooltip(QStringLiteral("The text put between the items when they are joined "
                                      "again. May be empty."));
}

QList<QPair<QString, bool>> TransformList::optionStates() const
{
    return { qMakePair(CaseSensitive, boolParameter(DropDuplicates)),
        qMakePair(JoinWith, boolParameter(NewSeparator)) };
}

QStringList TransformList::requiredKeys() const
{
    return { Separator, Trim, DropEmpty, DropDuplicates, CaseSensitive, SortOrder, NewSeparator,
        JoinWith };
}

bool TransformList::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_options.separator = textParameter(Separator);
    if (m_options.separator.isEmpty())
        return false;
    m_options.joiner = boolParameter(NewSeparator) ? textParameter(JoinWith) : m_options.separator;
    m_options.trim = boolParameter(Trim);
    m_options.dropEmpty = boolParameter(DropEmpty);
    m_options.dropDuplicates = boolParameter(DropDuplicates);
    m_options.caseSensitive = boolParameter(CaseSensitive, true);
    m_options.sort = Sort(selectionParameter(SortOrder));
    return true;
}

QString TransformList::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return tidy(text, m_options);
}

QString TransformList::tidy(const QString& text, const Options& options)
{
    if (text.isEmpty() || options.separator.isEmpty())
        return text;
    QStringList items = text.split(options.separator);
    QStringList kept;
    QSet<QString> seen;
    for (QString& item : items) {
        if (options.trim)
            item = item.trimmed();
        if (options.dropEmpty && item.isEmpty())
            continue;
        if (options.dropDuplicates) {
            const QString key = options.caseSensitive ? item : item.toLower();
            if (seen.contains(key))
                continue;
            seen.insert(key);
        }
        kept << item;
    }
    sortItems(kept, options.sort);
    return kept.join(options.joiner);
}
