// List (tidying lists inside cells) and Slide (moving values across
// columns).
#include "textharness.h"

#include "transforms/format/transformlist.h"
#include "transforms/format/transformslide.h"

class TestTextLists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void tidy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("joiner");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<bool>("dropEmpty");
        QTest::addColumn<bool>("dropDuplicates");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("sort");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& text, const QString& separator,
                       const QString& joiner, bool trim, bool dropEmpty, bool dropDuplicates,
                       bool caseSensitive, int sort, const QString& expected) {
            QTest::newRow(name) << text << separator << joiner << trim << dropEmpty
                                << dropDuplicates << caseSensitive << sort << expected;
        };
        row("trim and drop empty", " b, a,, c ", ",", ",", true, true, false, true, 0, "b,a,c");
        row("keeps empty and spaces", " b,,a", ",", ",", false, false, false, true, 0, " b,,a");
        row("duplicates, case ignored", "a;B;b;A;c", ";", ";", true, true, true, false, 0, "a;B;c");
        row("duplicates, case kept", "a;B;b;a", ";", ";", true, true, true, true, 0, "a;B;b");
        row("natural order", "item10,item9,Item1", ",", ", ", true, true, false, true, 1,
            "Item1, item9, item10");
        row("reverse", "a,c,b", ",", ",", true, true, false, true, 2, "c,b,a");
        row("numbers first", "10|x|-2|2.5", "|", "|", true, true, false, true, 3, "-2|2.5|10|x");
        row("numbers reversed", "10|x|-2|2.5", "|", "|", true, true, false, true, 4, "x|10|2.5|-2");
        row("multi-character separator", "a -- b -- a", "--", "/", true, true, true, true, 0,
            "a/b");
        row("empty cell stays empty", "", ",", ";", true, true, false, true, 0, "");
    }

    void tidy()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, joiner);
        TransformList::Options options;
        options.separator = separator;
        options.joiner = joiner;
        QFETCH(bool, trim);
        QFETCH(bool, dropEmpty);
        QFETCH(bool, dropDuplicates);
        QFETCH(bool, caseSensitive);
        QFETCH(int, sort);
        options.trim = trim;
        options.dropEmpty = dropEmpty;
        options.dropDuplicates = dropDuplicates;
        options.caseSensitive = caseSensitive;
        options.sort = TransformList::Sort(sort);
        QTEST(TransformList::tidy(text, options), "expected");
    }

    void listRun()
    {
        TransformRun run(new TransformList, oneColumn({ "b,a", "a", "x, y" }));
        run.columns({ 0 }).choose("Sort", "Alphabetical").set("New_Separator", true);
        run.set("Join_Separator", QString());
        run.run();
        QCOMPARE(run.outputColumn(0), QStringList({ "ab", "a", "xy" }));
        QCOMPARE(run.summary(), QStringLiteral("2 changed, 1 unchanged"));
        QCOMPARE(run.warnings(), QStringList());
    }

    void slide_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("places");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("lost");
        QTest::newRow("close left") << ",a,,b" << 0 << 1 << "a,b,," << 0;
        QTest::newRow("close right") << "a,,b," << 1 << 1 << ",,a,b" << 0;
        QTest::newRow("no gaps") << "a,b" << 0 << 1 << "a,b" << 0;
        QTest::newRow("shift right 1") << "a,b,c" << 2 << 1 << ",a,b" << 1;
        QTest::newRow("shift left 2") << "a,,c,d" << 3 << 2 << "c,d,," << 1;
        QTest::newRow("shift past every column") << "a,b" << 2 << 5 << "," << 2;
    }

    void slide()
    {
        QFETCH(QString, values);
        QFETCH(int, mode);
        QFETCH(int, places);
        int lost = -1;
        const QStringList moved = TransformSlide::slide(
            values.split(QLatin1Char(',')), TransformSlide::Mode(mode), places, &lost);
        QTEST(moved.join(QLatin1Char(',')), "expected");
        QTEST(lost, "lost");
    }

    // Only the selected columns take part; the others keep their values.
    void slideRun()
    {
        TransformRun run(new TransformSlide,
            makeDataset({ "a", "keep", "b", "c" }, splitRows({ ",k,,x", "y,k,z," })));
        run.columns({ 0, 2, 3 }).choose("Slide", "Shift right").set("Places", 1);
        QCOMPARE(joinRows(run.run()), QStringList({ ",k,,", ",k,y,z" }));
        QCOMPARE(run.summary(), QStringLiteral("4 changed, 2 unchanged"));
        QCOMPARE(run.transform()->warnings(),
            QStringList { "1 value shifted past the last selected column and lost" });
    }
};

QTEST_MAIN(TestTextLists)
#include "tst_textlists.moc"
