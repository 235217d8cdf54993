// Split Col: cutting values into parts by a list of lengths. The columns,
// rows and encodings made of the parts are golden cases
// (tests/data/transforms/column/Split).
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformsplit.h"

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
};

QTEST_MAIN(TestSplit)
#include "tst_split.moc"
