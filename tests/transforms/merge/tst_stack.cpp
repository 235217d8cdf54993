// Stack: columns matched by name or position, columns some inputs lack, the
// source column, and the order following the items' vertical positions.
#include "mergefixture.h"

#include "transforms/merge/transformstack.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

class TestStack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void stacks_data();
    void stacks();
    void orderFollowsPositions();
};

void TestStack::stacks_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("matchBy");
    QTest::addColumn<bool>("source");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("same columns") << QStringList { "a|b;1|2", "a|b;3|4" } << "Name" << false
                                  << "a|b;1|2;3|4" << QStringList();
    QTest::newRow("by name, reordered and missing")
        << QStringList { "a|b;1|2", "b|c|a;5|6|7" } << "Name" << false << "a|b|c;1|2|;7|5|6"
        << QStringList { "'in0' has no column 'c': left empty" };
    QTest::newRow("repeated name pairs by occurrence")
        << QStringList { "x|x;1|2", "x|y|x;3|4|5" } << "Name" << false << "x|x|y;1|2|;3|5|4"
        << QStringList { "'in0' has no column 'y': left empty" };
    QTest::newRow("by position, narrower and wider")
        << QStringList { "a|b;1|2", "c;3", "d|e|f;4|5|6" } << "Position" << false
        << "a|b|f;1|2|;3||;4|5|6"
        << QStringList { "'in0' has no column 'f': left empty",
               "'in1' has no columns 'b', 'f': left empty" };
    QTest::newRow("source column") << QStringList { "a;1", "a;2" } << "Name" << true
                                   << "a|Source;1|in0;2|in1" << QStringList();
    QTest::newRow("one input passes")
        << QStringList { "a;1" } << "Name" << false << "a;1" << QStringList();
}

void TestStack::stacks()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, matchBy);
    QFETCH(bool, source);
    QFETCH(QString, expected);
    QFETCH(QStringList, warnings);
    QList<Dataset> data;
    for (const QString& text : inputs)
        data << textTable(text);
    MergeFixture f(new TransformStack, data);
    for (int i = 0; i < inputs.size(); ++i)
        f.source(i)->setName(QStringLiteral("in%1").arg(i));
    f.set("Match_By", matchBy);
    f.set("Add_Source", source);
    QCOMPARE(tableText(f.run()), expected);
    QCOMPARE(f.transform()->warnings(), warnings);
    QCOMPARE(f.summary(),
        inputs.size() == 1 ? QStringLiteral("1 row stacked from 1 dataset")
                           : QStringLiteral("%1 rows stacked from %2 datasets")
                                 .arg(f.output().rowCount())
                                 .arg(inputs.size()));
}

void TestStack::orderFollowsPositions()
{
    MergeFixture f(new TransformStack, { textTable("a;top"), textTable("a;bottom") });
    f.source(0)->setName(QStringLiteral("same"));
    f.source(1)->setName(QStringLiteral("same"));
    QCOMPARE(tableText(f.run()), QStringLiteral("a;top;bottom"));
    f.source(1)->setPos(0, -100);
    f.scene().onPosChanged({ f.source(1) });
    QCOMPARE(tableText(f.run()), QStringLiteral("a;bottom;top"));
}

QTEST_MAIN(TestStack)
#include "tst_stack.moc"
