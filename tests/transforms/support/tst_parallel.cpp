#include "core/dataset.h"
#include "core/values.h"
#include "transforms/support/columnnumbers.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/storedvalues.h"

#include <QTest>

#include <algorithm>
#include <numeric>

namespace {

// Row numbers [0, rows) in the order less gives them, ties in row order.
template <typename Less> QVector<int> stableOrder(int rows, const Less& less)
{
    QVector<int> order(rows);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), less);
    return order;
}

} // namespace

// Large tables are sorted on two threads and repeated values are worked
// out once per stored text; both must give exactly what the plain one-row-
// at-a-time reading gives.
class TestParallel : public QObject
{
    Q_OBJECT

private slots:
    void sortMatchesStableReference_data();
    void sortMatchesStableReference();
    void mixedColumnRanksMatchReference_data();
    void mixedColumnRanksMatchReference();
    void perStoredValueMatchesDirect_data();
    void perStoredValueMatchesDirect();
    void columnNumbersMatchDirect_data();
    void columnNumbersMatchDirect();
};

void TestParallel::sortMatchesStableReference_data()
{
    QTest::addColumn<int>("rows");
    // Below and above the size at which the sort uses a second thread.
    QTest::newRow("small") << 1000;
    QTest::newRow("large") << 120000;
}

// A word column (few values, many ties) ascending, then a number column
// descending, checked against std::stable_sort over the same keys.
void TestParallel::sortMatchesStableReference()
{
    QFETCH(int, rows);
    const QStringList words = { "pear", "apple", "fig", "Kiwi", "", "date", "lime" };
    Dataset data;
    data.setColumnCount(3);
    std::vector<double> numbers(rows);
    for (int r = 0; r < rows; ++r) {
        numbers[r] = double((r * 7919) % 613) / 4.0;
        data.appendRow(
            { words.at((r * 31) % words.size()), QString::number(numbers[r]), QString::number(r) });
    }
    DatasetSorter sorter(data, { 1, -2 });
    QVERIFY(sorter.sort());

    QCOMPARE(sorter.order(), stableOrder(rows, [&](int a, int b) {
        const QString& wa = data.value(a, 0);
        const QString& wb = data.value(b, 0);
        if (wa != wb)
            return wa < wb;
        return numbers[a] > numbers[b];
    }));
}

void TestParallel::mixedColumnRanksMatchReference_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("ascending");
    QTest::newRow("one thread, ascending") << 1000 << true;
    QTest::newRow("two threads, ascending") << 120001 << true;
    QTest::newRow("two threads, descending") << 120001 << false;
}

// A numeric column of different values (each row read on its own, on two
// threads when large) with texts, "nan", empty and blank cells on both
// threads' sides: numbers first, then texts, then the empty ones, each
// class reversed on its own when descending and ties kept in row order.
void TestParallel::mixedColumnRanksMatchReference()
{
    QFETCH(int, rows);
    QFETCH(bool, ascending);
    Dataset data;
    data.setColumnCount(2);
    std::vector<int> classes(rows);
    std::vector<double> numbers(rows);
    QStringList texts;
    for (int r = 0; r < rows; ++r) {
        // The first rows decide that the column is numeric.
        const int pick = r < 100 ? r % 2 : r % 9;
        QString text;
        if (pick == 1 && r % 4 == 1) {
            text = r % 8 == 1 ? QStringLiteral("  ") : QString();
            classes[r] = 2;
        } else if (pick == 3 || pick == 5) {
            text = pick == 3 ? QStringLiteral("n/a %1").arg(r % 13) : QStringLiteral("nan");
            classes[r] = 1;
        } else {
            numbers[r] = double((qint64(r) * 7919) % 100003) / 4.0 - 5000.0;
            text = QString::number(numbers[r], 'f', 2);
            classes[r] = 0;
        }
        texts.append(text);
        data.appendRow({ text, QString::number(r) });
    }
    DatasetSorter sorter(data, { ascending ? 1 : -1 });
    QVERIFY(sorter.sort());

    QCOMPARE(sorter.order(), stableOrder(rows, [&](int a, int b) {
        if (classes[a] != classes[b])
            return classes[a] < classes[b];
        if (classes[a] == 2)
            return false;
        if (classes[a] == 1)
            return ascending ? texts.at(a) < texts.at(b) : texts.at(b) < texts.at(a);
        return ascending ? numbers[a] < numbers[b] : numbers[b] < numbers[a];
    }));
}

void TestParallel::perStoredValueMatchesDirect_data()
{
    QTest::addColumn<int>("distinct");
    QTest::addColumn<bool>("shared");
    // Repeating values that share their text, the same values each stored
    // apart, and a column that hardly repeats (the cache gives up midway).
    QTest::newRow("shared repeats") << 50 << true;
    QTest::newRow("unshared repeats") << 50 << false;
    QTest::newRow("hardly repeats") << 150000 << true;
}

void TestParallel::perStoredValueMatchesDirect()
{
    QFETCH(int, distinct);
    QFETCH(bool, shared);
    const int cells = 200000;
    QStringList pool;
    for (int i = 0; i < distinct; ++i)
        pool.append(QString::number(i * 3));
    QStringList column;
    for (int c = 0; c < cells; ++c) {
        const QString& v = pool.at((c * 7) % distinct);
        column.append(shared ? v : QString(v.constData(), v.size()));
    }
    PerStoredValue<int> cache;
    int computed = 0;
    const auto parse = [&computed](const QString& v) {
        ++computed;
        return v.toInt() + 1;
    };
    for (int c = 0; c < cells; ++c)
        QCOMPARE(cache.get(column.at(c), parse), column.at(c).toInt() + 1);
    if (shared && distinct < 1000)
        QCOMPARE(computed, distinct);
    else
        QVERIFY(computed > cells / 4);
}

void TestParallel::columnNumbersMatchDirect_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("plain");
    QTest::newRow("one thread") << 1000 << false;
    QTest::newRow("two threads") << 120001 << false;
    QTest::newRow("plain texts, read from their bytes") << 1000 << true;
}

// Numbers, non-numbers and empty cells, repeated and not, each row's
// reading checked against reading the cell on its own. Texts kept one byte a
// character are read from their bytes where they are plain decimals.
void TestParallel::columnNumbersMatchDirect()
{
    QFETCH(int, rows);
    QFETCH(bool, plain);
    const QStringList words = { "12.5", "x", "", "-3", "1,000", "7 kg", "-", "1.2.3", " 7 ",
        QStringLiteral("\u00A312"), "-0.50", QStringLiteral("\u0663"), "5-", ".5", "nan" };
    Dataset data;
    data.setColumnCount(2);
    if (plain)
        data.keepPlainTexts(1);
    for (int r = 0; r < rows; ++r)
        data.appendRow(
            { QString::number(r), r % 3 ? words.at(r % words.size()) : QString::number(r * 0.25) });
    QCOMPARE(data.column(1).isCoded(), !plain);
    const ColumnNumbers numbers = readNumberColumn(data, 1);
    QCOMPARE(int(numbers.values.size()), rows);
    for (int r = 0; r < rows; ++r) {
        ReadNumber n;
        n.value = toNumber(data.value(r, 1), false, true, &n.ok);
        QCOMPARE(bool(numbers.ok[r]), n.ok);
        QCOMPARE(numbers.values[r], n.value);
    }
}

QTEST_GUILESS_MAIN(TestParallel)
#include "tst_parallel.moc"
