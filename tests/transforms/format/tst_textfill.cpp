// Fill and Unfill, and what every text transform shares: option
// definitions, the walk over rows with progress, summaries and validation.
#include "textharness.h"

#include "transforms/format/transformcase.h"
#include "transforms/format/transformfill.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformunfill.h"

#include <QSignalSpy>
#include <QTest>

class TestTextFill : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }
    void fill_data();
    void fill();
    void keyOptionNeededOnlyForKeyedFill_data();
    void keyOptionNeededOnlyForKeyedFill();
    void optionDefinitions_data();
    void optionDefinitions();
    void progressEveryThousandRowsAndSummaryCounts();
    void unresolvedColumnsLeaveDataUnchanged();
    void emptyPadCharacterIsUnset();
};

void TestTextFill::fill_data()
{
    QTest::addColumn<bool>("unfill");
    QTest::addColumn<QString>("direction");
    QTest::addColumn<int>("keyColumn"); // -1: all rows
    QTest::addColumn<QVector<int>>("columns");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("expected");
    const QVector<int> first { 0 };
    const QVector<int> second { 1 };
    QTest::newRow("fill down") << false << "Down" << -1 << first
                               << QStringList { "x", "", "", "y", "" }
                               << QStringList { "x", "x", "x", "y", "y" };
    QTest::newRow("fill down, leading empties stay")
        << false << "Down" << -1 << first << QStringList { "", "x", "" }
        << QStringList { "", "x", "x" };
    QTest::newRow("fill up") << false << "Up" << -1 << first << QStringList { "", "x", "", "y", "" }
                             << QStringList { "x", "x", "y", "y", "" };
    QTest::newRow("fill right across selected columns")
        << false << "Right" << -1 << QVector<int> { 0, 2, 3 } << QStringList { "a,,,", ",b,,c" }
        << QStringList { "a,,a,a", ",b,,c" };
    QTest::newRow("fill left") << false << "Left" << -1 << QVector<int> { 0, 1, 2, 3, 4 }
                               << QStringList { ",,a,,b" } << QStringList { "a,a,a,b,b" };
    QTest::newRow("fill down within key")
        << false << "Down" << 0 << second
        << QStringList { "k1,x", "k1,", "k2,", "k2,y", "k2,", "k1," }
        << QStringList { "k1,x", "k1,x", "k2,", "k2,y", "k2,y", "k1," };
    QTest::newRow("fill up within key")
        << false << "Up" << 0 << second << QStringList { "k1,", "k1,x", "k2,", "k2,y" }
        << QStringList { "k1,x", "k1,x", "k2,y", "k2,y" };
    QTest::newRow("unfill down") << true << "Down" << -1 << first
                                 << QStringList { "a", "a", "b", "b", "a", "a" }
                                 << QStringList { "a", "", "b", "", "a", "" };
    QTest::newRow("unfill up") << true << "Up" << -1 << first << QStringList { "a", "a", "b" }
                               << QStringList { "", "a", "b" };
    QTest::newRow("unfill right") << true << "Right" << -1 << QVector<int> { 0, 1, 2 }
                                  << QStringList { "a,a,a", "a,b,b" }
                                  << QStringList { "a,,", "a,b," };
    QTest::newRow("unfill left") << true << "Left" << -1 << QVector<int> { 0, 1, 2 }
                                 << QStringList { "a,a,b" } << QStringList { ",a,b" };
    QTest::newRow("unfill down within key")
        << true << "Down" << 0 << second << QStringList { "k1,a", "k1,a", "k2,a", "k2,a" }
        << QStringList { "k1,a", "k1,", "k2,a", "k2," };
    QTest::newRow("unfill is case sensitive")
        << true << "Down" << -1 << first << QStringList { "a", "A" } << QStringList { "a", "A" };
}

void TestTextFill::fill()
{
    QFETCH(bool, unfill);
    QFETCH(QString, direction);
    QFETCH(int, keyColumn);
    QFETCH(QVector<int>, columns);
    QFETCH(QStringList, input);
    QFETCH(QStringList, expected);
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
    QCOMPARE(joinRows(t.output()), expected);
    QVERIFY(t.warnings().isEmpty());
}

void TestTextFill::keyOptionNeededOnlyForKeyedFill_data()
{
    QTest::addColumn<bool>("keyed");
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("all rows") << false << QStringList();
    QTest::newRow("same key, none chosen")
        << true << QStringList { "1 option not set ('Key column')" };
}

void TestTextFill::keyOptionNeededOnlyForKeyedFill()
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

void TestTextFill::optionDefinitions_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("defaults");
    const QString cols = QStringLiteral("Columns");
    QTest::newRow("Case") << "Case" << QStringList { cols, "Case", "Keep_Upper" }
                          << QStringList { "Lower case", "No" };
    QTest::newRow("Whitespace") << "Whitespace"
                                << QStringList { cols, "Trim", "Line_Feed", "Tab",
                                       "Non_Standard_Spaces", "Carriage_Return",
                                       "Consecutive_Spaces", "Non_Printable" }
                                << QStringList { "Yes", "Yes", "Yes", "Yes", "Yes", "Yes", "Yes" };
    QTest::newRow("Pad") << "Pad" << QStringList { cols, "Length", "Left_Right", "Pad_With" }
                         << QStringList { "10", "Left", "0" };
    QTest::newRow("Chop") << "Chop" << QStringList { cols, "Length", "From" }
                          << QStringList { "1", "Start" };
    QTest::newRow("Insert") << "Insert" << QStringList { cols, "Insert", "With" }
                            << QStringList { "", "Start" };
    QTest::newRow("Extract") << "Extract"
                             << QStringList { cols, "Using", "Length", "From", "Offset", "Matching",
                                    "Case_Sensitive" }
                             << QStringList { "Text", "10", "Start", "0", "^.*$", "Yes" };
    QTest::newRow("Replace") << "Replace_Multi" << QStringList { cols, "Replace", "Case_Sensitive" }
                             << QStringList { "0 term(s)", "Yes" };
    QTest::newRow("Decode") << "Decode" << QStringList { cols, "Decode" }
                            << QStringList { "<select>" };
    QTest::newRow("Hash") << "Hash" << QStringList { cols, "Hashing", "Secret" }
                          << QStringList { "<select>", "" };
    QTest::newRow("Fill") << "Fill" << QStringList { cols, "Direction", "For", "Key_Column" }
                          << QStringList { "Down", "All rows", "<None selected>" };
    QTest::newRow("Unfill") << "Unfill" << QStringList { cols, "Direction", "For", "Key_Column" }
                            << QStringList { "Down", "All rows", "<None selected>" };
    QTest::newRow("Substitute") << "Substitute" << QStringList { "New_Name", "Script" }
                                << QStringList { "Substitute", "First column value is $(1)" };
}

void TestTextFill::optionDefinitions()
{
    QFETCH(QString, typeKey);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, defaults);
    std::unique_ptr<Transform> t(Catalogue::instance().create(typeKey));
    QVERIFY(t);
    t->defineParameters({}, false);
    QStringList actualKeys;
    QStringList actualDefaults;
    for (const TransformParameter* p : t->parameters()) {
        actualKeys << p->key();
        if (p->key() != QLatin1String("Columns"))
            actualDefaults << p->summary();
    }
    QCOMPARE(actualKeys, keys);
    QCOMPARE(actualDefaults, defaults);
    QCOMPARE(t->minInputs(), 1);
    QCOMPARE(t->maxInputs(), 1);
    QVERIFY(!t->description().isEmpty());
    for (const TransformParameter* p : t->parameters())
        QVERIFY2(!p->tooltip().isEmpty(), qPrintable(p->key()));
}

void TestTextFill::progressEveryThousandRowsAndSummaryCounts()
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

void TestTextFill::unresolvedColumnsLeaveDataUnchanged()
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

void TestTextFill::emptyPadCharacterIsUnset()
{
    TransformRun t(new TransformPad, oneColumn({ "7" }));
    t.columns({ 0 }).set(QStringLiteral("Pad_With"), QVariant::fromValue(QChar()));
    t.run();
    QCOMPARE(t.warnings(), QStringList { "1 option not set ('Pad with')" });
    QCOMPARE(t.outputColumn(0), QStringList { "7" });
}

QTEST_MAIN(TestTextFill)
#include "tst_textfill.moc"
