// Stack: columns matched by name or position, columns some inputs lack, the
// source column, and the order following the items' vertical positions.
#include "mergefixture.h"

#include "transforms/merge/transformstack.h"

class TestStack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void stacks_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("matchBy");
        QTest::addColumn<bool>("source");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("warnings");
        auto row = [](const char* name, const QStringList& inputs, const QString& matchBy,
                       bool source, const QString& expected, const QStringList& warnings) {
            QTest::newRow(name) << inputs << matchBy << source << expected << warnings;
        };
        row("same columns", { "a|b;1|2", "a|b;3|4" }, "Name", false, "a|b;1|2;3|4", QStringList());
        row("by name, reordered and missing", { "a|b;1|2", "b|c|a;5|6|7" }, "Name", false,
            "a|b|c;1|2|;7|5|6", { "'in0' has no column 'c': left empty" });
        row("repeated name pairs by occurrence", { "x|x;1|2", "x|y|x;3|4|5" }, "Name", false,
            "x|x|y;1|2|;3|5|4", { "'in0' has no column 'y': left empty" });
        row("by position, narrower and wider", { "a|b;1|2", "c;3", "d|e|f;4|5|6" }, "Position",
            false, "a|b|f;1|2|;3||;4|5|6",
            { "'in0' has no column 'f': left empty", "'in1' has no columns 'b', 'f': left empty" });
        row("source column", { "a;1", "a;2" }, "Name", true, "a|Source;1|in0;2|in1", QStringList());
        row("one input passes", { "a;1" }, "Name", false, "a;1", QStringList());
    }

    void stacks()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, matchBy);
        QFETCH(bool, source);
        QFETCH(QStringList, warnings);
        QList<Dataset> data;
        for (const QString& text : inputs)
            data << textTable(text);
        MergeFixture f(new TransformStack, data);
        for (int i = 0; i < inputs.size(); ++i)
            f.source(i)->setName(QStringLiteral("in%1").arg(i));
        f.set("Match_By", matchBy);
        f.set("Add_Source", source);
        QTEST(tableText(f.run()), "expected");
        QCOMPARE(f.transform()->warnings(), warnings);
        QCOMPARE(f.summary(),
            inputs.size() == 1 ? QStringLiteral("1 row stacked from 1 dataset")
                               : QStringLiteral("%1 rows stacked from %2 datasets")
                                     .arg(f.output().rowCount())
                                     .arg(inputs.size()));
    }

    void orderFollowsPositions()
    {
        MergeFixture f(new TransformStack, { textTable("a;top"), textTable("a;bottom") });
        f.source(0)->setName(QStringLiteral("same"));
        f.source(1)->setName(QStringLiteral("same"));
        QCOMPARE(tableText(f.run()), QStringLiteral("a;top;bottom"));
        f.source(1)->setPos(0, -100);
        f.scene().onPosChanged({ f.source(1) });
        QCOMPARE(tableText(f.run()), QStringLiteral("a;bottom;top"));
    }
};

QTEST_MAIN(TestStack)
#include "tst_stack.moc"
