#include "tests/transforms/format/textharness.h"

#include "core/values.h"
#include "transforms/other/transformverify.h"

namespace {

VerifyRule rule(int kind, const QString& value = QString(), int severity = 2)
{
    VerifyRule r;
    r.kind = kind;
    r.value = value;
    r.severity = severity;
    return r;
}

VerifyColumnRules column(int position, int type, const QVector<VerifyRule>& rules)
{
    VerifyColumnRules c;
    c.position = position;
    c.columnType = type;
    c.rules = rules;
    return c;
}

// id, phone, date
Dataset sample()
{
    return makeDataset({ "id", "phone", "date" },
        splitRows({ "1,+91 (123) 456-7890,2024-01-01", "2,12345,2024-01-02",
            "2,555-123-4567,2024-01-04", "x,,2024-01-05" }));
}

} // namespace

class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareTextTests();
        setDefaultDateFormats({ QStringLiteral("d/M/yyyy"), QStringLiteral("yyyy-MM-dd") });
    }

    // Which cells of one column a rule marks, by row.
    void perValueRules_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QVector<int>>("failingRows");
        QTest::newRow("telephone") << 1 << 4 << 31 << "" << QVector<int> { 1 };
        QTest::newRow("integer except listed") << 0 << 1 << 2 << "x" << QVector<int>();
        QTest::newRow("integer") << 0 << 1 << 2 << "" << QVector<int> { 3 };
        QTest::newRow("duplicates as integers") << 0 << 1 << 47 << "" << QVector<int> { 2 };
        QTest::newRow("no empty values") << 1 << 4 << 7 << "" << QVector<int> { 3 };
        QTest::newRow("maximum ignores non-numbers")
            << 0 << 1 << 10 << "1" << QVector<int> { 1, 2 };
        QTest::newRow("minimum date, inferred format")
            << 2 << 0 << 13 << "2024-01-02" << QVector<int> { 0 };
        QTest::newRow("only listed") << 0 << 3 << 17 << "1, 2" << QVector<int> { 3 };
    }

    void perValueRules()
    {
        QFETCH(int, position);
        QFETCH(int, type);
        QFETCH(int, kind);
        QFETCH(QString, value);
        QFETCH(QVector<int>, failingRows);
        TransformRun run(new TransformVerify, sample());
        VerifyRuleSet rules;
        rules.columns << column(position, type, { rule(kind, value, 1) });
        run.set("Rules", QVariant::fromValue(rules)).run();
        const VerificationResults& results = run.output().verification();
        QVector<int> failing;
        for (int r = 0; r < 4; ++r) {
            if (results.cellStatus.contains({ r, position })) {
                failing << r;
                QCOMPARE(results.cellStatus.value({ r, position }), 1);
            }
        }
        QCOMPARE(failing, failingRows);
        QCOMPARE(results.totalFailures, failingRows.size());
    }

    void columnWideRulesAndReport()
    {
        TransformRun run(new TransformVerify, sample());
        VerifyRuleSet rules;
        rules.datasetRules << rule(3, "5", 0) << rule(5);
        rules.columns << column(2, 0, { rule(6) }) << column(0, 4, { rule(19, "1,3", 1) });
        run.set("Rules", QVariant::fromValue(rules)).run();
        const QStringList info = run.transform()->information();
        QVERIFY(info.contains("Inferred date format for column date as 'yyyy-MM-dd'"));
        QVERIFY(info.contains("Dataset rule fail: Minimum number of rows: 5 (4 row(s))"));
        QVERIFY(
            info.contains("Column rule fail: No gaps in values (missing value(s)='2024-01-03')"));
        QVERIFY(info.contains(
            "Column rule fail: Require listed values: 1,3 (required value(s) not found='3')"));
        QCOMPARE(run.summary(),
            QStringLiteral("3 verification fail(s) (1 error, 1 warning, 1 information)"));
    }

    // A failed inference leaves the column without a format: its date rules
    // are not evaluated rather than failing every value by a poor guess.
    void dateRuleWithoutInferredFormat()
    {
        TransformRun run(new TransformVerify, sample());
        VerifyRuleSet rules;
        rules.columns << column(1, 4, { rule(13, "2024-01-02", 1) });
        run.set("Rules", QVariant::fromValue(rules)).run();
        const QStringList warnings = run.transform()->warnings();
        QVERIFY(warnings.contains("Unable to infer date format for column phone"));
        QVERIFY(warnings.contains("No date format set for 'phone'"));
        QCOMPARE(run.output().verification().totalFailures, 0);
    }

    void keepOrRemoveRows_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("noFail");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QStringList>("ids");
        auto row = [](const char* name, const QString& mode, bool noFail, bool warning, bool error,
                       const QStringList& ids) {
            QTest::newRow(name) << mode << noFail << warning << error << ids;
        };
        // Row 2 ("2", phone 12345) fails a warning, row 4 ("x") an error.
        row("keep all", "Keep all rows", false, false, true, { "1", "2", "2", "x" });
        row("keep no fails", "Keep rows with:", true, false, false, { "1", "2" });
        row("remove errors", "Remove rows with:", false, false, true, { "1", "2", "2" });
        row("keep warnings and errors", "Keep rows with:", false, true, true, { "2", "x" });
    }

    void keepOrRemoveRows()
    {
        QFETCH(QString, mode);
        QFETCH(bool, noFail);
        QFETCH(bool, warning);
        QFETCH(bool, error);
        QFETCH(QStringList, ids);
        TransformRun run(new TransformVerify, sample());
        VerifyRuleSet rules;
        rules.columns << column(0, 1, { rule(2, "", 2) }) << column(1, 4, { rule(31, "", 1) });
        run.set("Rules", QVariant::fromValue(rules)).choose("Keep_Remove_rows", mode);
        run.set("No_Fail", noFail).set("No_Warning", warning).set("No_Error", error).run();
        QCOMPARE(run.outputColumn(0), ids);
        // The marks follow the rows that stay.
        const int xRow = ids.indexOf("x");
        QCOMPARE(run.output().verification().cellStatus.value({ xRow, 0 }, -1), xRow < 0 ? -1 : 2);
    }
};

QTEST_MAIN(TestVerify)
#include "tst_verify.moc"
