// Split Col: cutting values into parts and the columns, rows and encodings
// made of them.
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformsplit.h"

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

    void lengths_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("parts");
        auto row = [](const char* name, const QString& list, const QString& value,
                       const QStringList& parts) { QTest::newRow(name) << list << value << parts; };
        row("fixed and rest", "2,1,*", "abcdef", { "ab", "c", "def" });
        row("fixed", "3,5,4", "abcdefghijklmn", { "abc", "defgh", "ijkl" });
        row("skips", "-3,5,-4,*", "abcdefghijklmn", { "defgh", "mn" });
        row("last three", "-*,3", "abcdef", { "def" });
        row("ends", "2,-*,2", "abcdef", { "ab", "ef" });
        row("past the end", "4,4", "abcde", { "abcd", "e" });
        row("short for the fixed ends", "2,-*,2", "abc", { "ab", "c" });
    }

    void lengths()
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

    void split_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("into");
        QTest::addColumn<QString>("delimiterType");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QVariantList>("options"); // keep empty, order, minimum, maximum
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("messages"); // warnings, then information
        auto row = [](const char* name, const QStringList& values, const QString& into,
                       const QString& delimiterType, const QString& delimiter,
                       const QVariantList& options, const QStringList& expected,
                       const QStringList& messages) {
            QTest::newRow(name) << values << into << delimiterType << delimiter << options
                                << expected << messages;
        };
        const QVariantList defaults { false, "Current", 0, 100 };
        row("empty parts dropped", { "a,b,,c" }, "Columns", "Text delimiter", ",", defaults,
            { "Tags|Tags1|Tags2|Tags3", "a,b,,c|a|b|c" }, QStringList());
        row("empty parts kept", { "a,b,,c" }, "Columns", "Text delimiter", ",",
            { true, "Current", 0, 100 }, { "Tags|Tags1|Tags2|Tags3|Tags4", "a,b,,c|a|b||c" },
            QStringList());
        // Quotes mean nothing to the split: every delimiter cuts.
        row("quoted separators", { "\"x,y\",z" }, "Columns", "Text delimiter", ",", defaults,
            { "Tags|Tags1|Tags2|Tags3", "\"x,y\",z|\"x|y\"|z" }, QStringList());
        row("more parts than the maximum", { "a b c d", "e" }, "Columns", "Regex delimiter", "\\s+",
            { false, "Reverse", 0, 2 }, { "Tags|Tags1|Tags2", "a b c d|d|c", "e|e|" },
            { "1 row split into more than 'Max. values'=2 value(s), so truncated to "
              "2 value(s)" });
        row("minimum over maximum", { "b;a" }, "Columns", "Text delimiter", ";",
            { false, "Alphabetic", 5, 2 }, { "Tags|Tags1|Tags2|Tags3|Tags4|Tags5", "b;a|a|b|||" },
            { "'Max. values' is less than 'Min. values'",
                "1 row split into less than 'Min. values'=5 value(s), so padded to 5 value(s)" });
        row("rows", { "a,b", "", "c" }, "Rows", "Text delimiter", ",", defaults,
            { "Tags", "a", "b", "", "c" }, QStringList());
        row("multi hot", { "red,blue", "blue" }, "Multi hot encoding", "Text delimiter", ",",
            defaults, { "Tags|red|blue", "red,blue|1|1", "blue|0|1" },
            { "2 distinct value(s) found in column 'Tags'" });
        row("one hot takes the first part", { "red,blue", "blue" }, "One hot encoding",
            "Text delimiter", ",", { false, "Alphabetic", 0, 100 },
            { "Tags|blue|red", "red,blue|1|0", "blue|1|0" },
            { "2 distinct value(s) found in column 'Tags'" });
        row("count vectors over the maximum", { "a a b", "c" }, "Count vectors", "Text delimiter",
            " ", { false, "Current", 0, 2 }, { "Tags|a|b", "a a b|2|1", "c|0|0" },
            { "3 value(s) found, so 1 value(s) omitted to keep to maximum of 2 added "
              "column(s)",
                "3 distinct value(s) found in column 'Tags'" });
        row("lengths into columns", { "abcdef" }, "Columns", "Lengths", "", defaults,
            { "Tags|Tags1|Tags2|Tags3", "abcdef|ab|c|def" }, QStringList());
    }

    void split()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, into);
        QFETCH(QString, delimiterType);
        QFETCH(QString, delimiter);
        QFETCH(QVariantList, options);
        QList<QStringList> rows;
        for (const QString& v : values)
            rows << QStringList { v };
        TransformRun run(new TransformSplit, makeDataset({ "Tags" }, rows));
        run.column(0, QStringLiteral("Columns")).choose(QStringLiteral("Into"), into);
        run.choose(QStringLiteral("Delimiter_Type"), delimiterType);
        run.set(QStringLiteral("Delimiter"), delimiter).set("Keep_Empty", options.at(0));
        run.choose(QStringLiteral("Order"), options.at(1).toString());
        run.set("Min_New_Cols", options.at(2)).set("Max_New_Cols", options.at(3));
        QTEST(table(run.run()), "expected");
        QTEST(run.transform()->warnings() + run.transform()->information(), "messages");
    }
};

QTEST_MAIN(TestSplit)
#include "tst_split.moc"
