#include "transforms/datasetsort.h"

#include "core/dataset.h"
#include "core/values.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Value classes within a numeric or date column; a text column has only the
// first.
enum ValueClass : int { ClassRead = 0, ClassOther = 1, ClassEmpty = 2 };

// The first four code units, so that most text comparisons are settled by one
// integer comparison. Missing units count as 0, which keeps the order of the
// prefixes consistent with the order of the whole texts.
quint64 textPrefix(const QString& text)
{
    quint64 prefix = 0;
    for (int i = 0; i < 4; ++i)
        prefix = (prefix << 16) | (i < text.size() ? text.at(i).unicode() : 0);
    return prefix;
}

// The distinct stored values of one key column and their order.
class ColumnValues
{
public:
    ColumnValues(SortKind kind, const SortOptions& options, bool ascending, const QString& format)
        : m_kind(kind), m_options(options), m_ascending(ascending), m_format(format)
    {
    }

    void add(const QString& value);
    int count() const { return m_values.size(); }
    const QString& value(int i) const { return m_values.at(i); }
    // Dense ranks of the values in the order of add().
    QVector<int> ranks();

private:
    void readTexts();
    int compareTexts(int a, int b) const;
    int compare(int a, int b) const;

    SortKind m_kind;
    SortOptions m_options;
    bool m_ascending;
    QString m_format;
    QLocale m_locale;
    QVector<QString> m_values;
    QVector<int> m_class;
    QVector<double> m_numbers;
    QVector<QString> m_texts;
    QVector<quint64> m_prefixes;
    std::vector<QCollatorSortKey> m_collationKeys;
};

void ColumnValues::add(const QString& value)
{
    m_values.append(value);
    if (m_kind == SortKind::Text) {
        m_class.append(ClassRead);
        m_numbers.append(0.0);
        return;
    }
    int cls = ClassOther;
    double number = 0.0;
    if (value.trimmed().isEmpty()) {
        cls = ClassEmpty;
    } else if (m_kind == SortKind::Numeric) {
        bool ok = false;
        number = toNumber(m_locale, value, false, true, &ok);
        if (ok && !std::isnan(number))
            cls = ClassRead;
    } else {
        const QDate date = toDate(value, m_format);
        if (date.isValid()) {
            cls = ClassRead;
            number = double(date.toJulianDay());
        }
    }
    m_class.append(cls);
    m_numbers.append(number);
}

// Text forms are prepared once per distinct value: collation keys, or the
// (lower-cased) text with its prefix.
void ColumnValues::readTexts()
{
    const int n = m_values.size();
    if (m_options.localeAware) {
        QCollator collator(m_locale);
        collator.setCaseSensitivity(m_options.caseSensitive ? Qt::CaseSensitive
                                                            : Qt::CaseInsensitive);
        m_collationKeys.reserve(n);
        for (const QString& v : qAsConst(m_values))
            m_collationKeys.push_back(collator.sortKey(v));
        return;
    }
    m_texts.reserve(n);
    m_prefixes.reserve(n);
    for (const QString& v : qAsConst(m_values)) {
        m_texts.append(m_options.caseSensitive ? v : v.toLower());
        m_prefixes.append(textPrefix(m_texts.last()));
    }
}

int ColumnValues::compareTexts(int a, int b) const
{
    if (m_options.localeAware)
        return m_collationKeys[a].compare(m_collationKeys[b]);
    if (m_prefixes[a] != m_prefixes[b])
        return m_prefixes[a] < m_prefixes[b] ? -1 : 1;
    return QString::compare(m_texts[a], m_texts[b], Qt::CaseSensitive);
}

int ColumnValues::compare(int a, int b) const
{
    if (m_class[a] != m_class[b])
        return m_class[a] < m_class[b] ? -1 : 1;
    int c = 0;
    if (m_class[a] == ClassEmpty)
        c = 0;
    else if (m_class[a] == ClassRead && m_kind != SortKind::Text)
        c = m_numbers[a] < m_numbers[b] ? -1 : (m_numbers[b] < m_numbers[a] ? 1 : 0);
    else
        c = compareTexts(a, b);
    return m_ascending ? c : -c;
}

QVector<int> ColumnValues::ranks()
{
    readTexts();
    const int n = m_values.size();
    QVector<int> byOrder(n);
    for (int i = 0; i < n; ++i)
        byOrder[i] = i;
    std::sort(byOrder.begin(), byOrder.end(), [this](int a, int b) { return compare(a, b) < 0; });
    QVector<int> ranks(n);
    int rank = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && compare(byOrder[i - 1], byOrder[i]) != 0)
            ++rank;
        ranks[byOrder[i]] = rank;
    }
    return ranks;
}

QString kindText(const SortKeyInfo& key)
{
    switch (key.kind) {
    case SortKind::Numeric: return QStringLiteral("Numeric");
    case SortKind::Date: return QStringLiteral("Date (%1)").arg(key.dateFormat);
    default: return QStringLiteral("Text");
    }
}

} // namespace

DatasetSorter::DatasetSorter(const Dataset& dataset, const QVector<int>& keys,
                             const SortOptions& options)
    : m_dataset(dataset), m_options(options)
{
    for (int key : keys) {
        const int column = std::abs(key) - 1;
        if (key == 0 || !dataset.isValidColumn(column))
            continue;
        SortKeyInfo info;
        info.column = column;
        info.ascending = key > 0;
        m_keys.append(info);
    }
}

SortKind DatasetSorter::kindOf(int column, QString* dateFormat) const
{
    if (!m_options.intelligent)
        return SortKind::Text;
    if (m_dataset.isDateColumn(column, defaultDateFormats(), dateFormat, 50))
        return SortKind::Date;
    dateFormat->clear();
    if (m_dataset.isNumericColumn(column, true, 100))
        return SortKind::Numeric;
    return SortKind::Text;
}

bool DatasetSorter::sort(const SortProgress& progress)
{
    const int rows = m_dataset.rowCount();
    const int keyCount = m_keys.size();
    m_order.resize(rows);
    for (int r = 0; r < rows; ++r)
        m_order[r] = r;
    m_ranks = QVector<int>(rows * keyCount);
    m_done = 0;
    m_total = rows * keyCount;
    for (int k = 0; k < keyCount; ++k) {
        if (!rankColumn(k, progress))
            return false;
    }
    if (keyCount == 0)
        return true;
    const int* ranks = m_ranks.constData();
    std::stable_sort(m_order.begin(), m_order.end(), [ranks, keyCount](int a, int b) {
        const int* ra = ranks + qint64(a) * keyCount;
        const int* rb = ranks + qint64(b) * keyCount;
        for (int k = 0; k < keyCount; ++k) {
            if (ra[k] != rb[k])
                return ra[k] < rb[k];
        }
        return false;
    });
    return true;
}

// Ranks one key column. Rows sharing a stored value (the value pools make
// repeated values share their text) are read once.
bool DatasetSorter::rankColumn(int key, const SortProgress& progress)
{
    SortKeyInfo& info = m_keys[key];
    info.kind = kindOf(info.column, &info.dateFormat);
    ColumnValues values(info.kind, m_options, info.ascending, info.dateFormat);
    const int rows = m_dataset.rowCount();
    QVector<int> rowValue(rows);
    QHash<const QChar*, int> seen;
    for (int r = 0; r < rows; ++r) {
        if (progress && !progress(m_done, m_total))
            return false;
        ++m_done;
        const QString& v = m_dataset.value(r, info.column);
        const auto it = seen.constFind(v.constData());
        // Texts made from raw data could share a start and differ in length.
        if (it != seen.constEnd() && values.value(it.value()).size() == v.size()) {
            rowValue[r] = it.value();
            continue;
        }
        const int index = values.count();
        seen.insert(v.constData(), index);
        values.add(v);
        rowValue[r] = index;
    }
    seen = QHash<const QChar*, int>();
    const QVector<int> ranks = values.ranks();
    const int keyCount = m_keys.size();
    for (int r = 0; r < rows; ++r)
        m_ranks[r * keyCount + key] = ranks[rowValue[r]];
    return true;
}

bool DatasetSorter::isUnchanged() const
{
    for (int i = 0; i < m_order.size(); ++i) {
        if (m_order[i] != i)
            return false;
    }
    return true;
}

bool DatasetSorter::tied(int rowA, int rowB) const
{
    const int keyCount = m_keys.size();
    for (int k = 0; k < keyCount; ++k) {
        if (m_ranks[rowA * keyCount + k] != m_ranks[rowB * keyCount + k])
            return false;
    }
    return true;
}

QStringList DatasetSorter::information() const
{
    QStringList lines;
    for (const SortKeyInfo& key : m_keys) {
        lines.append(QStringLiteral("Column '%1' sorted %2 as %3")
                         .arg(m_dataset.columnName(key.column),
                              key.ascending ? QStringLiteral("ascending")
                                            : QStringLiteral("descending"),
                              kindText(key)));
    }
    return lines;
}

bool sortDataset(Dataset& dataset, const QVector<int>& keys, const SortOptions& options,
                 QStringList* information, const SortProgress& progress)
{
    DatasetSorter sorter(dataset, keys, options);
    if (!sorter.sort(progress))
        return false;
    if (information)
        information->append(sorter.information());
    if (!sorter.isUnchanged())
        dataset.selectRows(sorter.order());
    return true;
}
