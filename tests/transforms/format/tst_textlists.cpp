// List (tidying lists inside cells) and Slide (moving values across
// columns), on their own routines; runs through the item are golden cases.
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
};

QTEST_MAIN(TestTextLists)
#include "tst_textlists.moc"
