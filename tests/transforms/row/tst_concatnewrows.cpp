// Concat Rows (rows joined onto the row before when they meet a condition)
// and New Rows (rows added at the start, the end, every n rows or after
// matching rows).
#include "tests/transforms/merge/mergefixture.h"

#include "transforms/row/transformconcatrows.h"
#include "transforms/row/transformnewrows.h"
#include "transforms/support/conditions.h"

class TestConcatNewRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void concatRows_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("column"); // -1 for <Any>
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        auto row
            = [](const char* name, const QString& input, int column, int op, const QString& value,
                  const QString& separator, const QString& expected, const QString& summary) {
                  QTest::newRow(name)
                      << input << column << op << value << separator << expected << summary;
              };
        row("continuation lines", "id|text;1|first;|line;|more;2|next", 0, int(OpIsEmpty), "", " ",
            "id|text;1|first line more;2|next", "2 rows joined onto the rows before");
        row("leading match is kept", "id|text;|orphan;1|a", 0, int(OpIsEmpty), "", "/",
            "id|text;|orphan;1|a", "No changes");
        row("empty values not joined", "a|b;x|;+|y;+|", 0, int(OpEqual), "+", ";", "a|b;x;+;+|y",
            "2 rows joined onto the rows before");
        row("any column, regex", "a|b;p|q;r|...;s|t", -1, int(OpMatchesRegex), "^\\.+$", "",
            "a|b;pr|q...;s|t", "1 row joined onto the rows before");
    }

    void concatRows()
    {
        QFETCH(QString, input);
        QFETCH(int, column);
        QFETCH(int, op);
        QFETCH(QString, value);
        QFETCH(QString, separator);
        TransformRun run(new TransformConcatRows, textTable(input));
        if (column >= 0)
            run.column(column, "Test_Column");
        run.choose("Operation", conditionOperatorNames().at(op)).set("Value", value);
        run.set("Separator", separator);
        QTEST(tableText(run.run()), "expected");
        QTEST(run.summary(), "summary");
    }

    void newRows_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QString& where, int count, const QString& values,
                       const QString& expected, const QString& summary) {
            QTest::newRow(name) << where << count << values << expected << summary;
        };
        row("two empty rows at the end", "At the end", 2, "", "k|v;a|1;b|2;c|3;|;|",
            "2 rows added");
        row("values at the start", "At the start", 1, "top,$(v)0", "k|v;top|10;a|1;b|2;c|3",
            "1 row added");
        row("every 2 rows", "Every n rows", 1, "-", "k|v;a|1;b|2;-|;c|3", "1 row added");
        row("after matching rows, variables", "After matching rows", 1, "$(k) total,$(2)",
            "k|v;a|1;b|2;b total|2;c|3", "1 row added");
    }

    void newRows()
    {
        QFETCH(QString, where);
        QFETCH(int, count);
        QFETCH(QString, values);
        TransformRun run(new TransformNewRows, textTable("k|v;a|1;b|2;c|3"));
        run.choose("Where", where).set("Count", count).set("Every", 2).set("Values", values);
        run.column(0, "Test_Column").choose("Operation", conditionOperatorNames().at(OpEqual));
        run.set("Value", QStringLiteral("b"));
        QTEST(tableText(run.run()), "expected");
        QTEST(run.summary(), "summary");
        QCOMPARE(run.transform()->warnings(), QStringList());
    }
};

QTEST_MAIN(TestConcatNewRows)
#include "tst_concatnewrows.moc"
