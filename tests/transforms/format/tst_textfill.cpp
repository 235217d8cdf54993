// Fill and Unfill, and what every text transform shares: the walk over rows
// with progress, summaries and validation.
#include "textharness.h"

#include "transforms/format/transformcase.h"
#include "transforms/format/transformfill.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformunfill.h"

#include <QSignalSpy>

class TestTextFill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void fill_data()
    {
        QTest::addColumn<bool>("unfill");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("keyColumn"); // -1: all rows
        QTest::addColumn<QVector<int>>("columns");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, bool unfill, const QString& direction, int keyColumn,
                       const QVector<int>& columns, const QStringList& input,
                       const QStringList& expected) {
            QTest::newRow(name) << unfill << direction << keyColumn << columns << input << expected;
        };
        const QVector<int> first { 0 };
        const QVector<int> second { 1 };
        row("fill down", false, "Down", -1, first, { "x", "", "", "y", "" },
            { "x", "x", "x", "y", "y" });
        row("fill down, leading empties stay", false, "Down", -1, first, { "", "x", "" },
            { "", "x", "x" });
        row("fill up", false, "Up", -1, first, { "", "x", "", "y", "" },
            { "x", "x", "y", "y", "" });
        row("fill right across selected columns", false, "Right", -1, { 0, 2, 3 },
            { "a,,,", ",b,,c" }, { "a,,a,a", ",b,,c" });
        row("fill left", false, "Left", -1, { 0, 1, 2, 3, 4 }, { ",,a,,b" }, { "a,a,a,b,b" });
        row("fill down within key", false, "Down", 0, second,
            { "k1,x", "k1,", "k2,", "k2,y", "k2,", "k1," },
            { "k1,x", "k1,x", "k2,", "k2,y", "k2,y", "k1," });
        row("fill up within key", false, "Up", 0, second, { "k1,", "k1,x", "k2,", "k2,y" },
            { "k1,x", "k1,x", "k2,y", "k2,y" });
        row("unfill down", true, "Down", -1, first, { "a", "a", "b", "b", "a", "a" },
            { "a", "", "b", "", "a", "" });
        row("unfill up", true, "Up", -1, first, { "a", "a", "b" }, { "", "a", "b" });
        row("unfill right", true, "Right", -1, { 0, 1, 2 }, { "a,a,a", "a,b,b" },
            { "a,,", "a,b," });
        row("unfill left", true, "Left", -1, { 0, 1, 2 }, { "a,a,b" }, { ",a,b" });
        row("unfill down within key", true, "Down", 0, second, { "k1,a", "k1,a", "k2,a", "k2,a" },
            { "k1,a", "k1,", "k2,a", "k2," });
        row("unfill is case sensitive", true, "Down", -1, first, { "a", "A" }, { "a", "A" });
    }

    void fill()
    {
        QFETCH(bool, unfill);
        QFETCH(QString, direction);
        QFETCH(int, keyColumn);
        QFETCH(QVector<int>, columns);
        QFETCH(QStringList, input);
        const QList<QStringList> rows = splitRows(input);
        QStringList header;
        for (int c = 0; c < rows.first().size(); ++c)
            header << QStringLiteral("c%1").arg(c + 1);
        TransformRun t(unfill ? new TransformUnfill : new TransformFill, makeDataset(header, rows));
        t.columns(columns).choose(QStringLiteral("Direction"), direction);
        if (keyColumn >= 0) {
            t.choose(QStringLiteral("For"), QStringLiteral("Rows with same key value"));
            t.column(keyColumn, QStringLiteral("Key_Column"));
        }
        t.run();
        QTEST(joinRows(t.output()), "expected");
        QVERIFY(t.warnings().isEmpty());
    }

    void keyOptionNeededOnlyForKeyedFill_data()
    {
        QTest::addColumn<bool>("keyed");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("all rows") << false << QStringList();
        QTest::newRow("same key, none chosen")
            << true << QStringList { "1 option not set ('Key column')" };
    }

    void keyOptionNeededOnlyForKeyedFill()
    {
        QFETCH(bool, keyed);
        QFETCH(QStringList, warnings);
        TransformRun t(new TransformFill, oneColumn({ "x", "" }));
        t.columns({ 0 });
        if (keyed)
            t.choose(QStringLiteral("For"), QStringLiteral("Rows with same key value"));
        t.run();
        QCOMPARE(t.warnings(), warnings);
        // Without a key to compare, a keyed fill changes nothing.
        QCOMPARE(t.outputColumn(0), QStringList({ "x", keyed ? "" : "x" }));
    }

    // Every option of the text transforms explains itself in the options pane.
    void everyOptionHasATooltip()
    {
        for (const char* key : { "Case", "Whitespace", "Pad", "Chop", "Insert", "Extract",
                 "Replace_Multi", "Decode", "Hash", "Fill", "Unfill", "Substitute" }) {
            std::unique_ptr<Transform> t(Catalogue::instance().create(QString::fromLatin1(key)));
            t->defineParameters({}, false);
            for (const TransformParameter* p : t->parameters())
                QVERIFY2(!p->tooltip().isEmpty(), qPrintable(QString(key) + ' ' + p->key()));
        }
    }

    void progressEveryThousandRowsAndSummaryCounts()
    {
        QStringList values;
        for (int i = 0; i < 2500; ++i)
            values << (i % 5 ? QStringLiteral("abc") : QStringLiteral("ABC"));
        TransformRun t(new TransformCase, oneColumn(values));
        t.columns({ 0 });
        QSignalSpy spy(t.transform(), &Transform::processed);
        t.run();
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(1).at(0).toReal(), 1000.0 / 2500);
        QCOMPARE(t.summary(), QStringLiteral("500 changed, 2,000 unchanged"));
        QCOMPARE(t.output().value(0, 0), QStringLiteral("abc"));
    }

    void unresolvedColumnsLeaveDataUnchanged()
    {
        TransformRun t(new TransformCase, makeDataset({ "a", "b" }, { { "X", "Y" } }));
        ColumnRef gone;
        gone.id = ColumnId(9999, 1);
        gone.name = QStringLiteral("gone");
        t.set(QStringLiteral("Columns"), QVariant::fromValue(ColumnRefList { gone }));
        t.run();
        QCOMPARE(joinRows(t.output()), QStringList { "X,Y" });
        QCOMPARE(t.summary(), QStringLiteral("No changes"));
        QCOMPARE(t.status(), int(StatusUpToDate));
    }

    void emptyPadCharacterIsUnset()
    {
        TransformRun t(new TransformPad, oneColumn({ "7" }));
        t.columns({ 0 }).set(QStringLiteral("Pad_With"), QVariant::fromValue(QChar()));
        t.run();
        QCOMPARE(t.warnings(), QStringList { "1 option not set ('Pad with')" });
        QCOMPARE(t.outputColumn(0), QStringList { "7" });
    }
};

QTEST_MAIN(TestTextFill)
#include "tst_textfill.moc"
