// Split Name: the name forms it reads, and the columns it adds.
#include "tests/transforms/format/textharness.h"

#include "transforms/column/transformsplitname.h"

#include <QTest>

class TestSplitName : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void parse_data();
    void parse();
    void run();
};

void TestSplitName::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // title|first|middle|last|suffix, or "unreadable"
    QTest::newRow("first last") << "John Smith"
                                << "|John||Smith|";
    QTest::newRow("middle names") << "John Paul Jones Smith"
                                  << "|John|Paul Jones|Smith|";
    QTest::newRow("title and suffix") << "Dr. John A. Smith Jr."
                                      << "Dr.|John|A.|Smith|Jr.";
    QTest::newRow("two titles, two suffixes") << "Prof Dr Ann Lee III PhD"
                                              << "Prof Dr|Ann||Lee|III PhD";
    QTest::newRow("last, first middle") << "Smith, John Adam"
                                        << "|John|Adam|Smith|";
    QTest::newRow("last, title first") << "Smith, Mrs Jane"
                                       << "Mrs|Jane||Smith|";
    QTest::newRow("comma before suffix") << "John Smith, Jr."
                                         << "|John||Smith|Jr.";
    QTest::newRow("last with suffix, first") << "Smith Jr, John"
                                             << "|John||Smith|Jr";
    QTest::newRow("particle") << "Ludwig van Beethoven"
                              << "|Ludwig||van Beethoven|";
    QTest::newRow("particles after a middle name") << "Maria Luisa de la Cruz"
                                                   << "|Maria|Luisa|de la Cruz|";
    QTest::newRow("particle in comma form") << "van der Berg, Jan"
                                            << "|Jan||van der Berg|";
    QTest::newRow("O' and Mc stay whole") << "Sean O'Brien McCarthy"
                                          << "|Sean|O'Brien|McCarthy|";
    QTest::newRow("O' and Mc written apart") << "Sean O' Brien"
                                             << "|Sean||O' Brien|";
    QTest::newRow("one word") << "Cher"
                              << "|Cher|||";
    QTest::newRow("title and one word") << "Mr Bean"
                                        << "Mr|||Bean|";
    QTest::newRow("extra spaces") << "  Ann   Lee "
                                  << "|Ann||Lee|";
    QTest::newRow("empty") << ""
                           << "||||";
    QTest::newRow("digits") << "Agent 007"
                            << "unreadable";
    QTest::newRow("e-mail") << "ann@example.com"
                            << "unreadable";
    QTest::newRow("too many commas") << "a, b, c, d"
                                     << "unreadable";
}

void TestSplitName::parse()
{
    QFETCH(QString, text);
    const TransformSplitName::Name name = TransformSplitName::parse(text);
    QStringList parts;
    for (const QString& p : name.parts)
        parts << p;
    QTEST(name.readable ? parts.join(QLatin1Char('|')) : QStringLiteral("unreadable"), "expected");
}

void TestSplitName::run()
{
    TransformRun run(new TransformSplitName,
        makeDataset({ "id", "name" }, splitRows({ "1,Dr Ann Lee", "2,R2-D2", "3,", "4,Bo Wu" })));
    run.column(1, "Column").set("Title", false).set("Middle", false);
    const Dataset& out = run.run();
    QCOMPARE(out.columnNames(), QStringList({ "id", "name", "First name", "Last name", "Suffix" }));
    QCOMPARE(joinRows(out),
        QStringList({ "1,Dr Ann Lee,Ann,Lee,", "2,R2-D2,,,", "3,,,,", "4,Bo Wu,Bo,Wu," }));
    QCOMPARE(run.summary(), QStringLiteral("2 names split"));
    QCOMPARE(run.transform()->warnings(),
        QStringList { "1 value not read as a person's name: 'R2-D2'" });
}

QTEST_MAIN(TestSplitName)
#include "tst_splitname.moc"
