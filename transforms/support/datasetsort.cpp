#include "transforms/support/datasetsort.h"

#include "core/dataset.h"
#include "core/parallel.h"
#include "core/radixsort.h"
#include "core/values.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
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

// A class of values sorted: positions in ascending order, and for each one
// whether it equals the one before.
struct SortedClass
{
    QVector<int> order;
    QVector<char> sameAsPrevious;
};

// A value's class in a numeric or date column, with its number (a date's
// day) when it reads as one.
ValueClass classify(SortKind kind, const QLocale& locale, const DateFormat& format,
    const QString& value, double* number)
{
    // Looked at in place: a trimmed copy of every value of a ten-million-row
    // column would be made only to be thrown away.
    if (std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c.isSpace(); }))
        return ClassEmpty;
    if (kind == SortKind::Numeric) {
        bool ok = false;
        *number = toNumber(locale, value, false, true, &ok);
        return ok && !std::isnan(*number) ? ClassRead : ClassOther;
    }
    const QDate date = toDate(value, format);
    if (!date.isValid())
        return ClassOther;
    *number = double(date.toJulianDay());
    return ClassRead;
}

// Sorts (key, row) pairs that come in row order by their keys of the given
// number of bits; rows of equal keys keep their order.
void radixSortByKey(std::vector<std::pair<quint64, int>>& keyed, int bits)
{
    radixSort(keyed, bits, [](const std::pair<quint64, int>& k) { return k.first; });
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
    // The values of rows [0, rows) of a column that keeps every row's text,
    // read on two threads (see addRows).
    bool addRows(const TextColumn& column, int rows, const std::function<bool(int)>& progress);
    int count() const { return m_class.size(); }
    // Dense ranks of the values in the order of add().
    QVector<int> ranks() const;

private:
    // The value's class, and its number when it reads as one.
    char classOf(const QString& value, double* number) const;
    bool keepsText(char valueClass) const;
    SortedClass sortNumbers(const QVector<int>& members) const;
    SortedClass sortTexts(const QVector<int>& members) const;
    SortedClass sortCollated(const QVector<int>& members) const;

    SortKind m_kind;
    SortOptions m_options;
    bool m_ascending;
    DateFormat m_format;
    QLocale m_locale;
    QVector<QString> m_values;
    QVector<char> m_class;
    QVector<double> m_numbers;
};

char ColumnValues::classOf(const QString& value, double* number) const
{
    return m_kind == SortKind::Text ? char(ClassRead)
                                    : char(classify(m_kind, m_locale, m_format, value, number));
}

// Only the texts sorted as texts are kept: a column of ten million different
// amounts would otherwise keep a copy of every one.
bool ColumnValues::keepsText(char valueClass) const
{
    return m_kind == SortKind::Text || valueClass == ClassOther;
}

void ColumnValues::add(const QString& value)
{
    double number = 0.0;
    const char cls = classOf(value, &number);
    m_values.append(keepsText(cls) ? value : QString());
    m_class.append(cls);
    if (cls == ClassRead && m_kind != SortKind::Text) {
        m_numbers.resize(m_class.size());
        m_numbers.last() = number;
    }
}

// A number's bits as an unsigned key in the number's order: the sign bit
// set for positive numbers, every bit flipped for negative ones; -0 is 0.
quint64 orderedBits(double v)
{
    if (v == 0.0)
        v = 0.0;
    quint64 bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    constexpr quint64 Sign = quint64(1) << 63;
    return (bits & Sign) ? ~bits : bits | Sign;
}

SortedClass ColumnValues::sortNumbers(const QVector<int>& members) const
{
    // Members come in row order, and the radix sort keeps equal numbers in
    // it: the order of comparing (number, row) pairs.
    std::vector<std::pair<quint64, int>> keyed;
    keyed.reserve(members.size());
    for (int i : members)
        keyed.emplace_back(orderedBits(m_numbers.at(i)), i);
    radixSortByKey(keyed, 64);
    SortedClass sorted;
    sorted.order.reserve(members.size());
    sorted.sameAsPrevious.reserve(members.size());
    for (size_t k = 0; k < keyed.size(); ++k) {
        sorted.order.append(keyed[k].second);
        sorted.sameAsPrevious.append(k > 0 && keyed[k - 1].first == keyed[k].first);
    }
    return sorted;
}

// Plain text order: UTF-16 code units, of the lower-cased texts when case
// does not count. Most comparisons end at the four-unit prefix.
SortedClass ColumnValues::sortTexts(const QVector<int>& members) const
{
    struct Keyed
    {
        quint64 prefix;
        QString text;
        int index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(members.size());
    for (int i : members) {
        const QString text = m_options.caseSensitive ? m_values.at(i) : m_values.at(i).toLower();
        keyed.push_back(Keyed { textPrefix(text), text, i });
    }
    const auto compare = [](const Keyed& a, const Keyed& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix ? -1 : 1;
        return QString::compare(a.text, b.text, Qt::CaseSensitive);
    };
    Parallel::sort(keyed.begin(), keyed.end(), [&compare](const Keyed& a, const Keyed& b) {
        const int c = compare(a, b);
        return c < 0 || (c == 0 && a.index < b.index);
    });
    SortedClass sorted;
    sorted.order.reserve(members.size());
    sorted.sameAsPrevious.reserve(members.size());
    for (size_t k = 0; k < keyed.size(); ++k) {
        sorted.order.append(keyed[k].index);
        sorted.sameAsPrevious.append(k > 0 && compare(keyed[k - 1], keyed[k]) == 0);
    }
    return sorted;
}

SortedClass ColumnValues::sortCollated(const QVector<int>& members) const
{
    QCollator collator(m_locale);
    collator.setCaseSensitivity(m_options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(members.size());
    for (int i : members)
        keyed.emplace_back(collator.sortKey(m_values.at(i)), i);
    std::sort(keyed.begin(), keyed.end(),
        [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    SortedClass sorted;
    sorted.order.reserve(members.size());
    sorted.sameAsPrevious.reserve(members.size());
    for (size_t k = 0; k < keyed.size(); ++k) {
        sorted.order.append(keyed[k].second);
        sorted.sameAsPrevious.append(k > 0 && keyed[k - 1].first.compare(keyed[k].first) == 0);
    }
    return sorted;
}

bool ColumnValues::addRows(
    const TextColumn& column, int rows, const std::function<bool(int)>& progress)
{
    // Reading a number costs more than anything else in ranking a column of
    // different values; each row has its place, so the halves fill their
    // own places of lists sized first (and detached before the split).
    constexpr int Block = 4096;
    const int start = count();
    m_values.resize(start + rows);
    m_class.resize(start + rows);
    if (m_kind != SortKind::Text)
        m_numbers.resize(start + rows);
    QString* values = m_values.data() + start;
    char* classes = m_class.data() + start;
    double* numbers = m_kind == SortKind::Text ? nullptr : m_numbers.data() + start;
    const int blocks = (rows + Block - 1) / Block;
    return Parallel::halves(
        blocks, rows,
        [&progress, rows](
            int block) { return progress(int(qMin<qint64>(rows, qint64(block) * Block))); },
        [&](int block, int) {
            QString scratch;
            const int end = qMin(rows, (block + 1) * Block);
            double unused = 0.0;
            for (int r = block * Block; r < end; ++r) {
                const QString& value = column.text(r, scratch);
                classes[r] = classOf(value, numbers ? &numbers[r] : &unused);
                if (keepsText(classes[r]))
                    values[r] = value;
            }
        });
}

// Read values (numbers, dates, or every text of a text column), then other
// texts, then empty values; descending reverses each class but not their
// sequence.
QVector<int> ColumnValues::ranks() const
{
    QVector<int> members[3];
    for (int i = 0; i < m_class.size(); ++i)
        members[int(m_class.at(i))].append(i);
    const bool textColumn = m_kind == SortKind::Text;
    const auto sortTextClass = [this](const QVector<int>& m) {
        return m_options.localeAware ? sortCollated(m) : sortTexts(m);
    };
    SortedClass classes[3];
    classes[ClassRead]
        = textColumn ? sortTextClass(members[ClassRead]) : sortNumbers(members[ClassRead]);
    classes[ClassOther] = sortTextClass(members[ClassOther]);
    classes[ClassEmpty].order = members[ClassEmpty];
    classes[ClassEmpty].sameAsPrevious = QVector<char>(members[ClassEmpty].size(), 1);

    QVector<int> ranks(m_class.size());
    int rank = -1;
    for (const SortedClass& c : classes) {
        const int m = c.order.size();
        for (int k = 0; k < m; ++k) {
            // Walking backwards, a value starts a new rank when the one
            // after it in ascending order is different.
            const int at = m_ascending ? k : m - 1 - k;
            const bool same
                = m_ascending ? c.sameAsPrevious.at(at) : (k > 0 && c.sameAsPrevious.at(at + 1));
            if (k == 0 || !same)
                ++rank;
            ranks[c.order.at(at)] = rank;
        }
    }
    return ranks;
}

QString kindText(const SortKeyInfo& key)
{
    switch (key.kind) {
    case SortKind::Numeric:
        return QStringLiteral("Numeric");
    case SortKind::Date:
        return QStringLiteral("Date (%1)").arg(key.dateFormat);
    default:
        return QStringLiteral("Text");
    }
}

} // namespace

DatasetSorter::DatasetSorter(
    const Dataset& dataset, const QVector<int>& keys, const SortOptions& options)
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

void DatasetSorter::settleKinds()
{
    for (SortKeyInfo& info : m_keys)
        info.kind = kindOf(info.column, &info.dateFormat);
    m_kindsSettled = true;
}

void DatasetSorter::useKinds(const QVector<SortKeyInfo>& keys)
{
    for (SortKeyInfo& info : m_keys) {
        for (const SortKeyInfo& given : keys) {
            if (given.column == info.column) {
                info.kind = given.kind;
                info.dateFormat = given.dateFormat;
            }
        }
    }
    m_kindsSettled = true;
}

bool DatasetSorter::sort(const SortProgress& progress)
{
    const int rows = m_dataset.rowCount();
    const int keyCount = m_keys.size();
    m_order.resize(rows);
    for (int r = 0; r < rows; ++r)
        m_order[r] = r;
    m_ranks = QVector<int>(rows * keyCount);
    m_rankCounts = QVector<int>(keyCount);
    m_done = 0;
    m_total = rows * keyCount;
    for (int k = 0; k < keyCount; ++k) {
        if (!rankColumn(k, progress))
            return false;
    }
    if (keyCount > 0)
        orderByRanks();
    return true;
}

// When the ranks of all keys fit into 64 bits together, each row's ranks
// become one integer and the sort moves compact pairs instead of chasing
// rows.
void DatasetSorter::orderByRanks()
{
    const int rows = m_dataset.rowCount();
    const int keyCount = m_keys.size();
    QVector<int> widths;
    int bits = 0;
    for (int k = 0; k < keyCount; ++k) {
        int width = 0;
        while (width < 32 && (qint64(1) << width) < m_rankCounts.at(k))
            ++width;
        widths.append(width);
        bits += width;
    }
    const int* ranks = m_ranks.constData();
    if (bits <= 64) {
        std::vector<std::pair<quint64, int>> keyed(rows);
        for (int r = 0; r < rows; ++r) {
            quint64 packed = 0;
            for (int k = 0; k < keyCount; ++k)
                packed = (packed << widths.at(k)) | quint64(ranks[qint64(r) * keyCount + k]);
            keyed[r] = { packed, r };
        }
        // Pairs compare whole: ties on the ranks keep the upstream order.
        // Keys of up to four digits sort fastest by digits.
        if (bits <= 44)
            radixSortByKey(keyed, bits);
        else
            Parallel::sort(keyed.begin(), keyed.end(), std::less<std::pair<quint64, int>>());
        for (int i = 0; i < rows; ++i)
            m_order[i] = keyed[i].second;
        return;
    }
    Parallel::sort(m_order.begin(), m_order.end(), [ranks, keyCount](int a, int b) {
        const int* ra = ranks + qint64(a) * keyCount;
        const int* rb = ranks + qint64(b) * keyCount;
        for (int k = 0; k < keyCount; ++k) {
            if (ra[k] != rb[k])
                return ra[k] < rb[k];
        }
        return a < b;
    });
}

// Ranks one key column. Rows sharing a stored value (the value pools make
// repeated values share their text) are read once.
bool DatasetSorter::rankColumn(int key, const SortProgress& progress)
{
    SortKeyInfo& info = m_keys[key];
    if (!m_kindsSettled)
        info.kind = kindOf(info.column, &info.dateFormat);
    ColumnValues values(info.kind, m_options, info.ascending, info.dateFormat);
    const int rows = m_dataset.rowCount();
    QVector<int> rowValue(rows);
    // A repeating column's rows are known by their value's code: each
    // distinct value is added once. Other columns add every row's value.
    const TextColumn& column = m_dataset.column(info.column);
    QVector<int> valueOfCode;
    if (column.isCoded())
        valueOfCode.fill(-1, column.codeCount());
    if (valueOfCode.isEmpty()) {
        const qint64 done = m_done;
        const bool finished = values.addRows(
            column, rows, [&](int row) { return !progress || progress(int(done + row), m_total); });
        m_done += rows;
        if (!finished)
            return false;
        for (int r = 0; r < rows; ++r)
            rowValue[r] = r;
    } else {
        for (int r = 0; r < rows; ++r) {
            if (progress && !progress(m_done, m_total))
                return false;
            ++m_done;
            int& known = valueOfCode[int(column.code(r))];
            if (known < 0) {
                known = values.count();
                values.add(*column.storedText(r));
            }
            rowValue[r] = known;
        }
    }
    const QVector<int> ranks = values.ranks();
    const int keyCount = m_keys.size();
    for (int r = 0; r < rows; ++r)
        m_ranks[r * keyCount + key] = ranks[rowValue[r]];
    m_rankCounts[key] = ranks.isEmpty() ? 0 : *std::max_element(ranks.cbegin(), ranks.cend()) + 1;
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
        lines.append(
            QStringLiteral("Column '%1' sorted %2 as %3")
                .arg(m_dataset.columnName(key.column),
                    key.ascending ? QStringLiteral("ascending") : QStringLiteral("descending"),
                    kindText(key)));
    }
    return lines;
}

SortRowComparer::SortRowComparer(const QVector<SortKeyInfo>& keys, const SortOptions& options)
    : m_keys(keys), m_options(options), m_collator(m_locale)
{
    m_collator.setCaseSensitivity(options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    for (const SortKeyInfo& info : keys)
        m_formats.emplace_back(info.dateFormat);
}

// The class and value each key's ranks start from (see ColumnValues::add).
void SortRowComparer::makeKey(const QStringList& cells, qint64 row, Key* key) const
{
    key->row = row;
    key->values.resize(size_t(m_keys.size()));
    // Texts order by the lower-cased text when case does not count, unless
    // the collation ignores case itself.
    const bool lowerCase = !m_options.caseSensitive && !m_options.localeAware;
    for (int k = 0; k < m_keys.size(); ++k) {
        const SortKeyInfo& info = m_keys.at(k);
        Value& value = key->values[size_t(k)];
        const QString& text = info.column < cells.size() ? cells.at(info.column) : QString();
        value.valueClass = info.kind == SortKind::Text
            ? ClassRead
            : classify(info.kind, m_locale, m_formats[size_t(k)], text, &value.number);
        const bool comparedAsText = info.kind == SortKind::Text || value.valueClass == ClassOther;
        value.text = !comparedAsText ? QString() : lowerCase ? text.toLower() : text;
    }
}

int SortRowComparer::compareTexts(const QString& a, const QString& b) const
{
    const int c = m_options.localeAware ? m_collator.compare(a, b)
                                        : QString::compare(a, b, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Classes keep their sequence in either direction; descending reverses the
// values within each.
bool SortRowComparer::less(const Key& a, const Key& b) const
{
    for (int k = 0; k < m_keys.size(); ++k) {
        const Value& va = a.values[size_t(k)];
        const Value& vb = b.values[size_t(k)];
        if (va.valueClass != vb.valueClass)
            return va.valueClass < vb.valueClass;
        int c = 0;
        if (va.valueClass == ClassOther || m_keys.at(k).kind == SortKind::Text)
            c = compareTexts(va.text, vb.text);
        else if (va.valueClass == ClassRead)
            c = va.number < vb.number ? -1 : (vb.number < va.number ? 1 : 0);
        if (c != 0)
            return m_keys.at(k).ascending ? c < 0 : c > 0;
    }
    return a.row < b.row;
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
