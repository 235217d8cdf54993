// Value frequencies, key exploration and header comparison on small tables
// with known answers.
#include "core/textcolumn.h"
#include "tests/graph/testnodes.h"
#include "transforms/support/headercomparison.h"
#include "transforms/support/keyexploration.h"
#include "transforms/support/valuefrequencies.h"

#include <QTest>

namespace {

Dataset column(const QStringList& values, bool pooled = true)
{
    Dataset d;
    d.setPooling(pooled);
    d.setColumnCount(1);
    d.setHeader({ "k" });
    for (const QString& v : values)
        d.appendRow({ v });
    return d;
}

// "value=count" by falling count, ties in first-row order.
QString byCount(const ValueFrequencies& f)
{
    QStringList parts;
    for (int i : f.order(true, true))
        parts << f.values.at(i).value + "=" + QString::number(f.values.at(i).count);
    return parts.join(',');
}

} // namespace

class TestExploration : public QObject
{
    Q_OBJECT

private slots:
    void frequencies_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("whitespaceSensitive");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("empty");
        const QStringList v { "b", "a", "B", " b", "", "a", "  " };
        QTest::newRow("exact") << v << true << true << "a=2,b=1,B=1, b=1,=1,  =1" << 1;
        QTest::newRow("exact, texts not pooled")
            << v << true << true << "a=2,b=1,B=1, b=1,=1,  =1" << 1;
        QTest::newRow("case blind") << v << false << true << "b=2,a=2, b=1,=1,  =1" << 1;
        QTest::newRow("space blind") << v << true << false << "b=2,a=2,=2,B=1" << 2;
        QTest::newRow("both blind") << v << false << false << "b=3,a=2,=2" << 2;
        QTest::newRow("no rows") << QStringList() << true << true << "" << 0;
    }
    void frequencies()
    {
        QFETCH(QStringList, values);
        FrequencyOptions options;
        QFETCH(bool, caseSensitive);
        QFETCH(bool, whitespaceSensitive);
        options.caseSensitive = caseSensitive;
        options.whitespaceSensitive = whitespaceSensitive;
        // A pooled column is counted by its codes, one of plain texts by them.
        const bool pooled = !QByteArray(QTest::currentDataTag()).contains("not pooled");
        const Dataset data = column(values, pooled);
        QCOMPARE(data.column(0).isCoded(), pooled);
        const ValueFrequencies f = countValues(data, 0, options);
        QTEST(byCount(f), "expected");
        QTEST(f.emptyCells, "empty");
        QCOMPARE(f.rows, values.size());
    }

    void frequenciesStop()
    {
        QStringList many;
        for (int i = 0; i < 10000; ++i)
            many << QString::number(i % 7);
        int calls = 0;
        const ValueFrequencies f
            = countValues(column(many), 0, {}, [&](int, int) { return ++calls < 2; });
        QVERIFY(!f.complete);
        QVERIFY(f.distinctCount() < 10000);
    }

    void keys()
    {
        const Dataset top = column({ "a", "b", "b", " d", "c", "x" });
        const Dataset bottom = column({ "b", "d", "e", "E", "X" });
        const KeyExploration sensitive = exploreKeys(top, 0, bottom, 0, true);
        QCOMPARE(sensitive.bothKeys, 1); // b
        QCOMPARE(sensitive.topOnlyKeys, 4); // a, " d", c, x
        QCOMPARE(sensitive.topOnlyRows, 4);
        QCOMPARE(sensitive.bottomOnlyKeys, 4); // d, e, E, X
        QCOMPARE(sensitive.topDuplicateKeys, 1);
        QCOMPARE(sensitive.bottomDuplicateKeys, 0);
        QCOMPARE(sensitive.nearGroups.size(), 3); // " d"/d, x/X, e/E

        const KeyExploration blind = exploreKeys(top, 0, bottom, 0, false);
        QCOMPARE(blind.bothKeys, 2); // b, x
        QCOMPARE(blind.bottomOnlyKeys, 2); // d, e
        QCOMPARE(blind.bottomOnlyRows, 3);
        QCOMPARE(blind.bottomDuplicateKeys, 1);
        QCOMPARE(blind.nearGroups.size(), 1); // only the whitespace one is left
        QCOMPARE(rowsWithKey(bottom, 0, "e", false), (QVector<int> { 2, 3 }));
    }

    void headers_data()
    {
        QTest::addColumn<QStringList>("top");
        QTest::addColumn<QStringList>("bottom");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same") << QStringList { "a", "b" } << QStringList { "a", "b" } << "SS";
        // One inserted column shifts the rest without moving them.
        QTest::newRow("inserted") << QStringList { "a", "b", "c" }
                                  << QStringList { "n", "a", "b", "c" } << "SSSB";
        QTest::newRow("swapped") << QStringList { "a", "b", "c" } << QStringList { "a", "c", "b" }
                                 << "SMS";
        QTest::newRow("renamed") << QStringList { "a", "b", "c" } << QStringList { "a", "x", "c" }
                                 << "SRS";
        QTest::newRow("one side") << QStringList { "a", "b", "c" } << QStringList { "a" } << "STT";
        QTest::newRow("repeated name") << QStringList { "a", "a" } << QStringList { "a" } << "ST";
    }
    void headers()
    {
        QFETCH(QStringList, top);
        QFETCH(QStringList, bottom);
        QString kinds;
        for (const HeaderDifference& d :
            compareHeaders(makeDataset(top, {}), makeDataset(bottom, {})))
            kinds += QStringLiteral("SMRTB").at(d.kind);
        QTEST(kinds, "expected");
    }
};

QTEST_MAIN(TestExploration)
#include "tst_exploration.moc"
