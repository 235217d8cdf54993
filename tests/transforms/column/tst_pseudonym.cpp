// Pseudonym: one pseudonym per distinct value, the same for a seed.
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformpseudonym.h"

class TestPseudonym : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void pseudonym()
    {
        const QStringList values = { "a", "b", "a", "c", "", "d", "e", "f", "g", "h" };
        auto run = [&](int seed) {
            TransformRun t(new TransformPseudonym, oneColumn(values));
            t.column(0, QStringLiteral("Column")).set(QStringLiteral("Seed"), seed);
            t.run();
            return QStringList { t.output().columnName(1), t.summary() } + t.outputColumn(1);
        };
        const QStringList first = run(7);
        QCOMPARE(first.at(0), QStringLiteral("Value-Pseudonym"));
        QCOMPARE(first.at(1), QStringLiteral("10 rows pseudonymized with 8 pseudonyms "));
        const QStringList ids = first.mid(2);
        QCOMPARE(ids.at(0), ids.at(2));
        QCOMPARE(ids.at(4), QString());
        QStringList distinct = ids;
        distinct.removeAll(QString());
        distinct.removeDuplicates();
        QCOMPARE(distinct.size(), 8);
        for (int n = 1; n <= 8; ++n)
            QVERIFY(distinct.contains(QStringLiteral("ID-%1").arg(n)));
        QCOMPARE(run(7).mid(2), ids);
        QVERIFY(run(8).mid(2) != ids);
        // Fixed figures: the assignment must not depend on the platform's library.
        QCOMPARE(TransformPseudonym::numbering(5, 1, 42), QVector<qint64>({ 3, 4, 5, 1, 2 }));
    }
};

QTEST_MAIN(TestPseudonym)
#include "tst_pseudonym.moc"
