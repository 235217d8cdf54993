// Num Base, DateTime Format and Num Format on small columns.
#include "textharness.h"

#include "transforms/format/transformdateformat.h"
#include "transforms/format/transformnumbase.h"
#include "transforms/format/transformnumformat.h"

class TestNumberFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void numBase_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("unsignedWarning");
        auto row = [](const char* name, int from, int to, const QString& input,
                       const QString& expected, bool unsignedWarning) {
            QTest::newRow(name) << from << to << input << expected << unsignedWarning;
        };
        row("255 to hex", 10, 16, "255", "ff", false);
        row("ff back to decimal", 16, 10, "ff", "255", false);
        row("upper-case hex digits", 16, 2, "FF", "11111111", false);
        row("minus one unsigned", 10, 16, "-1", "ffffffffffffffff", true);
        row("unsigned form reads back negative", 16, 10, "ffffffffffffffff", "-1", false);
        row("negative stays signed in decimal", 8, 10, "-17", "-15", false);
        row("base 32", 10, 32, "1023", "vv", false);
    }

    void numBase()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        TransformRun t(new TransformNumBase, oneColumn({ input, QString() }));
        t.columns({ 0 }).set(QStringLiteral("From"), from).set(QStringLiteral("To"), to);
        t.run();
        QCOMPARE(t.outputColumn(0), QStringList({ expected, QString() }));
        const QString warning = QStringLiteral(
            "Negative input values are shown as unsigned when converted to base %1")
                                    .arg(to);
        QTEST(t.warnings().contains(warning), "unsignedWarning");
        QCOMPARE(t.summary(), QStringLiteral("1 changed, 1 unchanged, 0 non-integer"));
    }

    void numBaseNonIntegers()
    {
        QStringList values = { QStringLiteral("1.5"), QStringLiteral("x") };
        for (int i = 0; i < 6; ++i)
            values << QStringLiteral("g%1").arg(i);
        TransformRun t(new TransformNumBase, oneColumn(values));
        t.columns({ 0 })
            .set(QStringLiteral("From"), 10)
            .choose(QStringLiteral("Non_Numeric"), QStringLiteral("Change to NaN"));
        t.run();
        QCOMPARE(t.output().value(0, 0), QStringLiteral("NaN"));
        const QStringList w = t.warnings();
        QVERIFY(
            w.contains(QStringLiteral("Input values should not contain ',' or '.' characters")));
        QVERIFY(w.contains(QStringLiteral("8 non-integer values:")));
        QVERIFY(w.contains(QStringLiteral("'1.5' at column 'Value' row 1")));
        QVERIFY(w.contains(QStringLiteral("+ 3 others")));
        QCOMPARE(t.summary(), QStringLiteral("8 changed, 0 unchanged, 8 non-integer"));
    }

    void numBaseGuess_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("base");
        QTest::addColumn<QString>("firstInDecimal");
        QTest::newRow("0x prefix") << QStringList { "0x1f", "0x20" } << 16 << "31";
        QTest::newRow("hex letters") << QStringList { "1a", "ff", "10" } << 16 << "26";
        QTest::newRow("ones and zeros") << QStringList { "101", "11" } << 2 << "5";
        QTest::newRow("decimal digits") << QStringList { "19", "7" } << 10 << "19";
        QTest::newRow("octal digits") << QStringList { "17", "7" } << 8 << "15";
    }

    void numBaseGuess()
    {
        QFETCH(QStringList, values);
        QFETCH(int, base);
        TransformRun t(new TransformNumBase, oneColumn(values));
        t.columns({ 0 })
            .set(QStringLiteral("From"), TransformNumBase::Guess)
            .set(QStringLiteral("To"), 10);
        t.run();
        QTEST(t.output().value(0, 0), "firstInDecimal");
        QVERIFY(t.transform()->information().contains(
            QStringLiteral("Guessing base %1 for column 1 ('Value')").arg(base)));
    }

    void dateFormat_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QLocale>("toLocale");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& from, const QLocale& toLocale,
                       const QString& to, const QString& input, const QString& expected) {
            QTest::newRow(name) << from << toLocale << to << input << expected;
        };
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        row("day first to ISO", "dd/MM/yyyy", en, "yyyy-MM-dd", "31/12/2024", "2024-12-31");
        row("single digits", "d/M/yyyy", en, "dd.MM.yy", " 1/2/2023 ", "01.02.23");
        row("month name out in German", "yyyy-MM-dd", de, "d. MMMM yyyy", "2024-03-05",
            "5. März 2024");
        row("month name in", "d MMM yyyy", en, "yyyy-MM-dd", "7 Jan 2020", "2020-01-07");
        row("date and time", "yyyy-MM-dd HH:mm", en, "d/M/yyyy h:mm ap", "2024-06-01 14:05",
            "1/6/2024 2:05 pm");
    }

    void dateFormat()
    {
        QFETCH(QString, from);
        QFETCH(QLocale, toLocale);
        QFETCH(QString, to);
        QFETCH(QString, input);
        TransformRun t(new TransformDateFormat, oneColumn({ input }));
        t.columns({ 0 })
            .set(QStringLiteral("Input"), from)
            .set(QStringLiteral("Output"), to)
            .set(QStringLiteral("Output_Locale"), toLocale);
        t.run();
        QTEST(t.output().value(0, 0), "expected");
        QCOMPARE(t.summary(), QStringLiteral("1 changed, 0 unchanged"));
    }

    void dateFormatUnconverted()
    {
        TransformRun t(new TransformDateFormat,
            oneColumn({ QStringLiteral("29/02/2023"), QStringLiteral("01/03/2023") }));
        t.columns({ 0 })
            .set(QStringLiteral("Input"), QStringLiteral("dd/MM/yyyy"))
            .set(QStringLiteral("Output"), QStringLiteral("yyyyMMdd"))
            .choose(QStringLiteral("Non_Date"), QStringLiteral("Change to user defined"))
            .set(QStringLiteral("User_Defined"), QStringLiteral("?"));
        t.run();
        QCOMPARE(t.outputColumn(0), QStringList({ "?", "20230301" }));
        QVERIFY(t.warnings().contains(
            QStringLiteral("1 value is not converted. Unconverted values either do not match "
                           "'Format from'='dd/MM/yyyy' or are non-existent dates for your locale "
                           "(e.g. 29th February 2023):")));
        QVERIFY(t.warnings().contains(QStringLiteral("'29/02/2023' at column 'Value' row 1")));
    }

    void numFormat_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<int>("precision");
        QTest::addColumn<bool>("grouping");
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QString& from, const QString& letter, int precision,
                       bool grouping, const QStringList& input, const QStringList& expected) {
            QTest::newRow(name) << from << letter << precision << grouping << input << expected;
        };
        const QString automatic = QStringLiteral("Automatic");
        row("fixed", automatic, "f", 3, false, { "1230000" }, { "1230000.000" });
        row("exponent", automatic, "e", 3, false, { "1230000" }, { "1.230e+06" });
        row("exponent upper", automatic, "E", 3, false, { "1230000" }, { "1.230E+06" });
        row("shortest", automatic, "s", 3, false, { "1230000.0" }, { "1230000" });
        row("grouped", automatic, "f", 1, true, { "1234567.26" }, { "1,234,567.3" });
        row("automatic comma column", automatic, "f", 2, false, { "1.234,5", "2,25" },
            { "1234.50", "2.25" });
        row("automatic dot column", automatic, "f", 2, false, { "1,234.5", "2.25" },
            { "1234.50", "2.25" });
        row("fixed comma", "European , (comma)", "g", 3, false, { "0,5" }, { "0.5" });
        row("non-numeric left", automatic, "f", 0, false, { "abc", "2" }, { "abc", "2" });
    }

    void numFormat()
    {
        QFETCH(QString, from);
        QFETCH(QString, letter);
        QFETCH(int, precision);
        QFETCH(bool, grouping);
        QFETCH(QStringList, input);
        TransformRun t(new TransformNumFormat, oneColumn(input));
        t.columns({ 0 })
            .choose(QStringLiteral("Decimal_From"), from)
            .choose(QStringLiteral("Format"), letter)
            .set(QStringLiteral("Precision"), precision)
            .set(QStringLiteral("Group_Separator"), grouping);
        t.run();
        QTEST(t.outputColumn(0), "expected");
    }
};

QTEST_MAIN(TestNumberFormats)
#include "tst_numberformats.moc"
