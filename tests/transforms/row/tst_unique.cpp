// Unique's sums and means checked against pandas' group-by
// (tests/data/pivot), and drilldown. Groups and each aggregation are golden
// cases (tests/data/transforms/row/Unique).
#include "tests/transforms/format/textharness.h"

#include "transforms/row/transformunique.h"

#include <QFile>

namespace {

using U = TransformUnique;

// Sets the aggregation of each column by position.
void aggregate(TransformRun& run, const QVector<int>& aggregations)
{
    TransformParameter* p = run.parameter(QStringLiteral("Column_Options"));
    UniqueColumnList list;
    for (int c = 0; c < aggregations.size(); ++c)
        list.append(UniqueColumn { p->referenceAt(c), aggregations.at(c), QString() });
    p->setValue(QVariant::fromValue(list));
}

} // namespace

class TestUnique : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void matchesPandasGroupBy()
    {
        QFile file(QStringLiteral(VARNIX_TEST_DATA "/pivot/input.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QStringList> rows;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                rows << QString::fromUtf8(line).split(',');
        }
        rows.removeFirst();
        for (QStringList& r : rows)
            r << r.at(2) << r.at(2);
        TransformRun run(
            new U, makeDataset({ "region", "quarter", "sum", "mean", "nunique" }, rows));
        aggregate(run, { U::KeepUnique, U::SetEmpty, U::Sum, U::Average, U::CountDistinct });
        run.set(QStringLiteral("Count"), true);
        QStringList got;
        for (const QString& r : joinRows(run.run()))
            got << r.section(',', 0, 0) + ',' + r.section(',', 2);
        QFile expected(QStringLiteral(VARNIX_TEST_DATA "/pivot/expected_unique.csv"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(expected.readAll()).split('\n', Qt::SkipEmptyParts);
        lines.removeFirst();
        QCOMPARE(got, lines);
    }

    void drilldown()
    {
        TransformRun run(new U, makeDataset({ "k", "v" }, splitRows({ "a,1", "b,2", "a,3" })));
        aggregate(run, { U::KeepUnique, U::Sum });
        run.set(QStringLiteral("Drilldown"), true);
        const Dataset& out = run.run();
        QList<int> rows = out.drilldown().values(CellPos { 0, 0 });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, QList<int>({ 0, 2 }));
    }

    // Keys known by their stored text: equal texts stored apart, spellings
    // that differ in case, a column whose first values are all new (the
    // stored texts are then given up part way), and a two-column key of
    // repeating columns whose equal texts have codes of their own.
    void manyRows_data()
    {
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("distinctFirst");
        QTest::addColumn<bool>("twoColumns");
        QTest::newRow("repeats, case off") << false << 0 << false;
        QTest::newRow("repeats, case on") << true << 0 << false;
        QTest::newRow("all new at first, case off") << false << 70000 << false;
        QTest::newRow("two coded columns, case on") << true << 0 << true;
        QTest::newRow("two coded columns, case off") << false << 0 << true;
    }

    void manyRows()
    {
        QFETCH(bool, caseSensitive);
        QFETCH(int, distinctFirst);
        QFETCH(bool, twoColumns);
        const QStringList shared { "a", "A", "b", "c", "B" };
        Dataset data;
        data.setPooling(twoColumns);
        data.setColumnCount(twoColumns ? 2 : 1);
        data.setHeader(twoColumns ? QStringList { "k", "l" } : QStringList { "k" });
        QStringList expectedKeys;
        QHash<QString, int> groupOf;
        QVector<int> counts;
        for (int i = 0; i < distinctFirst + 10000; ++i) {
            QString key = i < distinctFirst ? QString::number(i) : shared.at(i % shared.size());
            if (i % 3 == 0) // the same text in storage of its own
                key = QString(key.constData(), key.size());
            // Stored apart, a pooled text gets a code of its own.
            const QString second = i % 2 ? QStringLiteral("x") : QString(QLatin1Char('x'));
            if (twoColumns) {
                data.appendPooledRow({ key, second });
                key += ',' + second;
            } else {
                data.appendRow({ key });
            }
            const QString folded = caseSensitive ? key : key.toLower();
            if (!groupOf.contains(folded)) {
                groupOf.insert(folded, counts.size());
                counts.append(0);
                expectedKeys.append(key);
            }
            ++counts[groupOf.value(folded)];
        }
        if (twoColumns)
            QVERIFY(data.column(1).codeCount() > 2);
        QStringList expected;
        for (int g = 0; g < counts.size(); ++g)
            expected << expectedKeys.at(g) + ',' + QString::number(counts.at(g));
        TransformRun run(new U, data);
        aggregate(run,
            twoColumns ? QVector<int> { U::KeepUnique, U::KeepUnique }
                       : QVector<int> { U::KeepUnique });
        run.set(QStringLiteral("Count"), true);
        run.set(QStringLiteral("Case_Sensitive"), caseSensitive);
        QCOMPARE(joinRows(run.run()), expected);
    }
};

QTEST_MAIN(TestUnique)
#include "tst_unique.moc"
