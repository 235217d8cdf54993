#include "transforms/transformparameter.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

const QChar TransformParameter::PartSeparator = QChar(0x1F);

namespace {

QVariant defaultFor(ParameterType type)
{
    switch (type) {
    case ParameterType::SingleColumn:
        return QVariant::fromValue(ColumnRef());
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns:
        return QVariant::fromValue(ColumnRefList());
    case ParameterType::SortColumns:
        return QVariant::fromValue(SortColumnList());
    case ParameterType::FilterColumns:
        return QVariant::fromValue(FilterList());
    case ParameterType::If:
        return QVariant::fromValue(IfList());
    case ParameterType::CheckedColumns:
        return QVariant::fromValue(CheckedColumnList());
    case ParameterType::RenameColumns:
        return QVariant::fromValue(RenameColumnList());
    case ParameterType::SplitRows:
        return QVariant::fromValue(SplitRowsSpec());
    case ParameterType::Unique:
        return QVariant::fromValue(UniqueColumnList());
    case ParameterType::ReplaceTerms:
        return QVariant::fromValue(ReplaceTermList());
    case ParameterType::VerifyRules:
        return QVariant::fromValue(VerifyRuleSet());
    case ParameterType::Bool:
        return false;
    case ParameterType::Int:
        return 0;
    case ParameterType::Real:
        return 0.0;
    case ParameterType::Char:
        return QVariant::fromValue(QChar());
    case ParameterType::Date:
        return QDate();
    case ParameterType::Selection:
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText:
        return QString();
    case ParameterType::Label:
    case ParameterType::Locale:
        return QVariant();
    }
    return QVariant();
}

} // namespace

TransformParameter::TransformParameter(ParameterType type, const QString& key, const QString& label,
    const QVariant& defaultValue, const QVariant& choices)
    : m_type(type), m_key(key), m_label(label), m_choices(choices)
{
    if (defaultValue.isValid())
        setValue(defaultValue);
    else if (type == ParameterType::Selection && !choiceList().isEmpty())
        m_value = choiceList().first();
    else
        m_value = defaultFor(type);
}

void TransformParameter::setIntRange(int minimum, int maximum)
{
    m_minInt = minimum;
    m_maxInt = maximum;
}

void TransformParameter::setRealRange(double minimum, double maximum)
{
    m_minReal = minimum;
    m_maxReal = maximum;
}

void TransformParameter::setValue(const QVariant& value)
{
    switch (m_type) {
    case ParameterType::Bool:
        m_value = value.toBool();
        break;
    case ParameterType::Int:
        m_value = value.toInt();
        break;
    case ParameterType::Real:
        m_value = value.toDouble();
        break;
    case ParameterType::Selection:
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText:
        m_value = value.toString();
        break;
    case ParameterType::Char: {
        const QString s = value.toString();
        m_value = QVariant::fromValue(s.isEmpty() ? QChar() : s.at(0));
        break;
    }
    case ParameterType::Date:
        m_value = value.toDate();
        break;
    case ParameterType::Locale:
        m_value = value.isNull() ? QVariant() : QVariant(value.value<QLocale>());
        break;
    default:
        m_value = value;
        break;
    }
    m_needsUpdating = false;
    m_storedText.clear();
    m_rangeNote.clear();
}

QChar TransformParameter::charValue() const
{
    return m_value.value<QChar>();
}

QLocale TransformParameter::localeValue() const
{
    return m_value.isNull() ? QLocale() : m_value.value<QLocale>();
}

int TransformParameter::selectionIndex() const
{
    return std::max(0, int(choiceList().indexOf(m_value.toString())));
}

void TransformParameter::setSelectionIndex(int index)
{
    const QStringList list = choiceList();
    if (index >= 0 && index < list.size())
        m_value = list.at(index);
}

ColumnRefList TransformParameter::columnRefs() const
{
    if (m_type == ParameterType::SingleColumn)
        return { columnRef() };
    if (m_value.canConvert<ColumnRefList>())
        return m_value.value<ColumnRefList>();
    ColumnRefList refs;
    switch (m_type) {
    case ParameterType::SortColumns:
        for (const SortColumn& s : sortColumns())
            refs.append(s.column);
        break;
    case ParameterType::CheckedColumns:
        for (const CheckedColumn& c : checkedColumns()) {
            if (c.checked)
                refs.append(c.column);
        }
        break;
    case ParameterType::RenameColumns:
        for (const RenameColumn& r : renameColumns())
            refs.append(r.column);
        break;
    case ParameterType::Unique:
        for (const UniqueColumn& u : uniqueColumns())
            refs.append(u.column);
        break;
    default:
        break;
    }
    return refs;
}

bool TransformParameter::isColumnType(ParameterType type)
{
    const int n = int(type);
    return (n >= 0 && n <= 4) || (n >= 10 && n <= 15) || n == 19 || n == 22;
}

bool TransformParameter::isUnset() const
{
    if (m_needsUpdating)
        return false;
    switch (m_type) {
    case ParameterType::SingleColumn:
        return m_columnRequired && resolve(columnRef()) < 0;
    case ParameterType::MultipleColumns:
    case ParameterType::OrderedColumns:
        return columnRefs().isEmpty();
    case ParameterType::SortColumns:
        return sortColumns().isEmpty();
    case ParameterType::FilterColumns:
        return filterList().terms.isEmpty();
    case ParameterType::If:
        return ifList().branches.isEmpty();
    case ParameterType::Unique:
        return uniqueColumns().isEmpty();
    case ParameterType::ReplaceTerms:
        return replaceTerms().isEmpty();
    case ParameterType::Selection:
        return m_firstChoiceIsUnset && selectionIndex() == 0;
    case ParameterType::Text:
    case ParameterType::LongText:
        return m_textRequired && text().isEmpty();
    case ParameterType::Script:
        return text().trimmed().isEmpty();
    case ParameterType::Int:
        return m_zeroIsUnset && intValue() == 0;
    case ParameterType::Char:
        return charValue().isNull();
    case ParameterType::SplitRows: {
        const SplitRowsSpec s = splitRows();
        return (s.mode == 0 && s.text.isEmpty()) || (s.mode == 2 && (s.times <= 0 || s.every <= 0));
    }
    default:
        return false;
    }
}

TableSource* TransformParameter::sourceItem() const
{
    return m_sourceItem.data();
}

void TransformParameter::setSourceItem(TableSource* node)
{
    m_sourceItem = node;
}

const Dataset& TransformParameter::sourceDataset() const
{
    static const Dataset empty;
    return m_sourceItem ? m_sourceItem->dataset() : empty;
}

int TransformParameter::resolve(const ColumnRef& ref) const
{
    const Dataset& ds = sourceDataset();
    if (ref.id.isValid())
        return ds.columnIndex(ref.id);
    // A reference read from a document knows only its position until the
    // upstream item has given its columns identities.
    return ds.isValidColumn(ref.position) ? ref.position : -1;
}

QVector<int> TransformParameter::resolvedColumns(bool sortedAscending) const
{
    QVector<int> indices;
    for (const ColumnRef& ref : columnRefs()) {
        const int c = resolve(ref);
        if (c >= 0)
            indices.append(c);
    }
    if (sortedAscending)
        std::sort(indices.begin(), indices.end());
    return indices;
}

ColumnRef TransformParameter::referenceAt(int position) const
{
    const Dataset& ds = sourceDataset();
    if (!ds.isValidColumn(position))
        return ColumnRef();
    return ColumnRef { position, ds.columnId(position), ds.columnName(position) };
}

template <class Fn> bool TransformParameter::forEachRef(Fn fn)
{
    bool changed = false;
    auto apply = [&](ColumnRef& ref) { changed = fn(ref) || changed; };
    switch (m_type) {
    case ParameterType::SingleColumn: {
        ColumnRef v = columnRef();
        apply(v);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns: {
        ColumnRefList v = m_value.value<ColumnRefList>();
        for (ColumnRef& r : v)
            apply(r);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::SortColumns: {
        SortColumnList v = sortColumns();
        for (SortColumn& s : v)
            apply(s.column);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::CheckedColumns: {
        CheckedColumnList v = checkedColumns();
        for (CheckedColumn& c : v)
            apply(c.column);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::RenameColumns: {
        RenameColumnList v = renameColumns();
        for (RenameColumn& r : v)
            apply(r.column);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::Unique: {
        UniqueColumnList v = uniqueColumns();
        for (UniqueColumn& u : v)
            apply(u.column);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::FilterColumns: {
        FilterList v = filterList();
        for (ConditionTerm& t : v.terms)
            apply(t.column);
        m_value = QVariant::fromValue(v);
        break;
    }
    case ParameterType::If: {
        IfList v = ifList();
        for (IfBranch& b : v.branches) {
            for (ConditionTerm& t : b.conditions)
                apply(t.column);
        }
        m_value = QVariant::fromValue(v);
        break;
    }
    default:
        break;
    }
    return changed;
}

void TransformParameter::refreshColumnNames()
{
    if (!m_sourceItem)
        return;
    const Dataset& ds = sourceDataset();
    forEachRef([&](ColumnRef& ref) {
        if (ref.isEmpty())
            return false;
        const int c = resolve(ref);
        if (c < 0)
            return false;
        ref = ColumnRef { c, ds.columnId(c), ds.columnName(c) };
        return true;
    });
}

bool TransformParameter::reconnect(QStringList* information, QStringList* warnings)
{
    if (!m_sourceItem)
        return false;
    const Dataset& ds = sourceDataset();
    return forEachRef([&](ColumnRef& ref) {
        if (ref.isEmpty())
            return false;
        const int c = resolve(ref);
        if (c >= 0) {
            ref.name = ds.columnName(c);
            return false;
        }
        if (!reconnectByName() || ref.name.isEmpty())
            return false;
        const int found = ds.columnIndexByName(ref.name);
        if (found < 0) {
            if (warnings)
                warnings->append(QStringLiteral("Cannot reconnect to column '%1' for '%2'")
                                     .arg(ref.name, m_key));
            return false;
        }
        ref = ColumnRef { found, ds.columnId(found), ref.name };
        if (information)
            information->append(
                QStringLiteral("Reconnected to column '%1' for '%2'").arg(ref.name, m_key));
        return true;
    });
}

QVector<int> TransformParameter::referencedColumns()
{
    QVector<int> columns;
    forEachRef([&](const ColumnRef& ref) {
        const int c = ref.isEmpty() ? -1 : resolve(ref);
        if (c >= 0)
            columns.append(c);
        return false;
    });
    return columns;
}

int TransformParameter::columnReferenceCount() const
{
    int count = 0;
    for (const ColumnRef& ref : columnRefs())
        count += ref.isEmpty() ? 0 : 1;
    if (m_type == ParameterType::FilterColumns) {
        for (const ConditionTerm& t : filterList().terms)
            count += t.column.isEmpty() ? 0 : 1;
    } else if (m_type == ParameterType::If) {
        for (const IfBranch& b : ifList().branches) {
            for (const ConditionTerm& t : b.conditions)
                count += t.column.isEmpty() ? 0 : 1;
        }
    }
    return count;
}

// Summaries

QString TransformParameter::columnsSummary() const
{
    QStringList names;
    const ColumnRefList refs = columnRefs();
    for (const ColumnRef& ref : refs) {
        if (names.size() == 3) {
            names.last() += QStringLiteral("...");
            break;
        }
        const int c = resolve(ref);
        names.append(c >= 0 ? sourceDataset().columnName(c) : ref.name);
    }
    return names.join(QStringLiteral(", "));
}

QString TransformParameter::summary() const
{
    if (m_needsUpdating && isColumnType())
        return QStringLiteral("Needs updating");
    switch (m_type) {
    case ParameterType::SingleColumn: {
        const int c = resolve(columnRef());
        return c >= 0 ? sourceDataset().columnName(c) : m_noneText;
    }
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::CheckedColumns:
        return columnsSummary();
    case ParameterType::SortColumns:
    case ParameterType::OrderedColumns:
        return orderSummary();
    case ParameterType::FilterColumns:
        return QStringLiteral("%1 term(s)").arg(filterList().terms.size());
    case ParameterType::ReplaceTerms:
        return QStringLiteral("%1 term(s)").arg(replaceTerms().size());
    case ParameterType::Bool:
        return boolValue() ? QStringLiteral("Yes") : QStringLiteral("No");
    case ParameterType::Selection:
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText:
        return text();
    case ParameterType::Int:
        return formatInteger(intValue(), true);
    case ParameterType::Real:
        return formatNumber(realValue(), true);
    case ParameterType::If:
        return QStringLiteral("%1 if/elseif + else").arg(ifList().branches.size());
    case ParameterType::RenameColumns: {
        int renamed = 0;
        for (const RenameColumn& r : renameColumns())
            renamed += r.newName.isEmpty() ? 0 : 1;
        return QStringLiteral("%1 column(s) renamed").arg(renamed);
    }
    case ParameterType::Unique:
        return QStringLiteral("%1 unique column(s)").arg(uniqueColumns().size());
    case ParameterType::VerifyRules:
        return verifyRules().summary();
    default:
        return valueSummary();
    }
}

QString TransformParameter::orderSummary() const
{
    const bool sort = m_type == ParameterType::SortColumns;
    const SortColumnList sorts = sortColumns();
    const ColumnRefList refs = sort ? ColumnRefList() : columnRefs();
    const int count = sort ? sorts.size() : refs.size();
    QStringList entries;
    for (int i = 0; i < count && i < 3; ++i) {
        const ColumnRef& ref = sort ? sorts.at(i).column : refs.at(i);
        const int c = resolve(ref);
        QString entry = c >= 0 ? sourceDataset().columnName(c) : ref.name;
        if (entry.isEmpty())
            entry = QString::number((c >= 0 ? c : ref.position) + 1);
        if (sort)
            entry += sorts.at(i).ascending ? QStringLiteral("▲") : QStringLiteral("▼");
        entries.append(entry);
    }
    QString s = QStringLiteral("%1 column(s)").arg(count);
    if (!entries.isEmpty())
        s += QStringLiteral(" (%1%2)").arg(
            entries.join(QLatin1Char(',')), count > 3 ? QStringLiteral("...") : QString());
    return s;
}

QString TransformParameter::valueSummary() const
{
    switch (m_type) {
    case ParameterType::Char: {
        const QChar c = charValue();
        if (c == QLatin1Char(' '))
            return QStringLiteral("<Space>");
        if (c == QLatin1Char('\t'))
            return QStringLiteral("<Tab>");
        return c.isNull() ? QString() : QString(c);
    }
    case ParameterType::SplitRows: {
        const SplitRowsSpec s = splitRows();
        if (s.mode == 0)
            return QStringLiteral("By matching column names");
        if (s.mode == 1)
            return QStringLiteral("Automatically by column names");
        if (s.times == 1)
            return QStringLiteral("1 time");
        return QStringLiteral("every %2 column(s), %1 times").arg(s.times).arg(s.every);
    }
    case ParameterType::Date: {
        const QDate d = dateValue();
        return QLocale().toString(d.isValid() ? d : QDate(2000, 1, 1), QLocale::ShortFormat);
    }
    case ParameterType::Locale: {
        const QLocale l = m_value.isNull() ? QLocale::system() : localeValue();
        return QStringLiteral("%1 (%2)").arg(
            QLocale::languageToString(l.language()), QLocale::countryToString(l.country()));
    }
    default:
        return QString();
    }
}
