// Split Col: cutting values into parts and the columns, rows and encodings
// made of them.
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformsplit.h"

#include <QTest>

namespace {

QStringList table(const Dataset& d)
{
    return QStringList(d.columnNames().join('|')) + [&] {
        QStringList rows;
        for (int r = 0; r < d.rowCount(); ++r)
            rows << d.row(r).join('|');
        return rows;
    }();
}

} // namespace

class TestSplit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }
    void lengths_data();
    void lengths();
    void split_data();
    void split();
};

void TestSplit::lengths_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("fixed and rest") << "2,1,*"
                                    << "abcdef" << QStringList { "ab", "c", "def" };
    QTest::newRow("fixed") << "3,5,4"
                           << "abcdefghijklmn" << QStringList { "abc", "defgh", "ijkl" };
    QTest::newRow("skips") << "-3,5,-4,*"
                           << "abcdefghijklmn" << QStringList { "defgh", "mn" };
    QTest::newRow("last three") << "-*,3"
                                << "abcdef" << QStringList { "def" };
    QTest::newRow("ends") << "2,-*,2"
                          << "abcdef" << QStringList { "ab", "ef" };
    QTest::newRow("past the end") << "4,4"
                                  << "abcde" << QStringList { "abcd", "e" };
    QTest::newRow("short for the fixed ends") << "2,-*,2"
                                              << "abc" << QStringList { "ab", "c" };
}

void TestSplit::lengths()
{
    QFETCH(QString, list);
    QFETCH(QString, value);
    QFETCH(QStringList, parts);
    QVector<TransformSplit::Piece> pieces;
    QVERIFY(TransformSplit::parseLengths(list, pieces));
    QCOMPARE(TransformSplit::cutByLengths(value, pieces).mid(0, parts.size()), parts);
    QVERIFY(!TransformSplit::parseLengths(QStringLiteral("*,2,*"), pieces));
    QVERIFY(!TransformSplit::parseLengths(QStringLiteral("2,x"), pieces));
}

void TestSplit::split_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("into");
    QTest::addColumn<QString>("delimiterType");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QVariantList>("options"); // keep empty, order, minimum, maximum
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("messages"); // warnings, then information
    const QVariantList defaults { false, "Current", 0, 100 };
    QTest::newRow("empty parts dropped")
        << QStringList { "a,b,,c" } << "Columns"
        << "Text delimiter"
        << "," << defaults << QStringList { "Tags|Tags1|Tags2|Tags3", "a,b,,c|a|b|c" }
        << QStringList();
    QTest::newRow("empty parts kept")
        << QStringList { "a,b,,c" } << "Columns"
        << "Text delimiter"
        << "," << QVariantList { true, "Current", 0, 100 }
        << QStringList { "Tags|Tags1|Tags2|Tags3|Tags4", "a,b,,c|a|b||c" } << QStringList();
    // Quotes mean nothing to the split: every delimiter cuts.
    QTest::newRow("quoted separators")
        << QStringList { "\"x,y\",z" } << "Columns"
        << "Text delimiter"
        << "," << defaults << QStringList { "Tags|Tags1|Tags2|Tags3", "\"x,y\",z|\"x|y\"|z" }
        << QStringList();
    QTest::newRow("more parts than the maximum")
        << QStringList { "a b c d", "e" } << "Columns"
        << "Regex delimiter"
        << "\\s+" << QVariantList { false, "Reverse", 0, 2 }
        << QStringList { "Tags|Tags1|Tags2", "a b c d|d|c", "e|e|" }
        << QStringList { "1 row split into more than 'Max. values'=2 value(s), so truncated to "
                         "2 value(s)" };
    QTest::newRow("minimum over maximum")
        << QStringList { "b;a" } << "Columns"
        << "Text delimiter"
        << ";" << QVariantList { false, "Alphabetic", 5, 2 }
        << QStringList { "Tags|Tags1|Tags2|Tags3|Tags4|Tags5", "b;a|a|b|||" }
        << QStringList { "'Max. values' is less than 'Min. values'",
               "1 row split into less than 'Min. values'=5 value(s), so padded to 5 value(s)" };
    QTest::newRow("rows") << QStringList { "a,b", "", "c" } << "Rows"
                          << "Text delimiter"
                          << "," << defaults << QStringList { "Tags", "a", "b", "", "c" }
                          << QStringList();
    QTest::newRow("multi hot") << QStringList { "red,blue", "blue" } << "Multi hot encoding"
                               << "Text delimiter"
                               << "," << defaults
                               << QStringList { "Tags|red|blue", "red,blue|1|1", "blue|0|1" }
                               << QStringList { "2 distinct value(s) found in column 'Tags'" };
    QTest::newRow("one hot takes the first part")
        << QStringList { "red,blue", "blue" } << "One hot encoding"
        << "Text delimiter"
        << "," << QVariantList { false, "Alphabetic", 0, 100 }
        << QStringList { "Tags|blue|red", "red,blue|1|0", "blue|1|0" }
        << QStringList { "2 distinct value(s) found in column 'Tags'" };
    QTest::newRow("count vectors over the maximum")
        << QStringList { "a a b", "c" } << "Count vectors"
        << "Text delimiter"
        << " " << QVariantList { false, "Current", 0, 2 }
        << QStringList { "Tags|a|b", "a a b|2|1", "c|0|0" }
        << QStringList { "3 value(s) found, so 1 value(s) omitted to keep to maximum of 2 added "
                         "column(s)",
               "3 distinct value(s) found in column 'Tags'" };
    QTest::newRow("lengths into columns")
        << QStringList { "abcdef" } << "Columns"
        << "Lengths"
        << "" << defaults << QStringList { "Tags|Tags1|Tags2|Tags3", "abcdef|ab|c|def" }
        << QStringList();
}

void TestSplit::split()
{
    QFETCH(QStringList, values);
    QFETCH(QString, into);
    QFETCH(QString, delimiterType);
    QFETCH(QString, delimiter);
    QFETCH(QVariantList, options);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, messages);
    QList<QStringList> rows;
    for (const QString& v : values)
        rows << QStringList { v };
    TransformRun run(new TransformSplit, makeDataset({ "Tags" }, rows));
    run.column(0, QStringLiteral("Columns")).choose(QStringLiteral("Into"), into);
    run.choose(QStringLiteral("Delimiter_Type"), delimiterType);
    run.set(QStringLiteral("Delimiter"), delimiter).set("Keep_Empty", options.at(0));
    run.choose(QStringLiteral("Order"), options.at(1).toString());
    run.set("Min_New_Cols", options.at(2)).set("Max_New_Cols", options.at(3));
    QCOMPARE(table(run.run()), expected);
    QCOMPARE(run.transform()->warnings() + run.transform()->information(), messages);
}

QTEST_MAIN(TestSplit)
#include "tst_split.moc"
