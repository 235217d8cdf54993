// Num Base, DateTime Format and Num Format on small columns.
#include "textharness.h"

#include "transforms/format/transformdateformat.h"
#include "transforms/format/transformnumbase.h"
#include "transforms/format/transformnumformat.h"

#include <QTest>

class TestNumberFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }
    void numBase_data();
    void numBase();
    void numBaseNonIntegers();
    void numBaseGuess_data();
    void numBaseGuess();
    void dateFormat_data();
    void dateFormat();
    void dateFormatUnconverted();
    void numFormat_data();
    void numFormat();
};

void TestNumberFormats::numBase_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("unsignedWarning");
    QTest::newRow("255 to hex") << 10 << 16 << "255"
                                << "ff" << false;
    QTest::newRow("ff back to decimal") << 16 << 10 << "ff"
                                        << "255" << false;
    QTest::newRow("upper-case hex digits") << 16 << 2 << "FF"
                                           << "11111111" << false;
    QTest::newRow("minus one unsigned") << 10 << 16 << "-1"
                                        << "ffffffffffffffff" << true;
    QTest::newRow("unsigned form reads back negative") << 16 << 10 << "ffffffffffffffff"
                                                       << "-1" << false;
    QTest::newRow("negative stays signed in decimal") << 8 << 10 << "-17"
                                                      << "-15" << false;
    QTest::newRow("base 32") << 10 << 32 << "1023"
                             << "vv" << false;
}

void TestNumberFormats::numBase()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(bool, unsignedWarning);
    TransformRun t(new TransformNumBase, oneColumn({ input, QString() }));
    t.columns({ 0 }).set(QStringLiteral("From"), from).set(QStringLiteral("To"), to);
    t.run();
    QCOMPARE(t.outputColumn(0), QStringList({ expected, QString() }));
    const QString warning
        = QStringLiteral("Negative input values are shown as unsigned when converted to base %1")
              .arg(to);
    QCOMPARE(t.warnings().contains(warning), unsignedWarning);
    QCOMPARE(t.summary(), QStringLiteral("1 changed, 1 unchanged, 0 non-integer"));
}

void TestNumberFormats::numBaseNonIntegers()
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
    QVERIFY(w.contains(QStringLiteral("Input values should not contain ',' or '.' characters")));
    QVERIFY(w.contains(QStringLiteral("8 non-integer values:")));
    QVERIFY(w.contains(QStringLiteral("'1.5' at column 'Value' row 1")));
    QVERIFY(w.contains(QStringLiteral("+ 3 others")));
    QCOMPARE(t.summary(), QStringLiteral("8 changed, 0 unchanged, 8 non-integer"));
}

void TestNumberFormats::numBaseGuess_data()
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

void TestNumberFormats::numBaseGuess()
{
    QFETCH(QStringList, values);
    QFETCH(int, base);
    QFETCH(QString, firstInDecimal);
    TransformRun t(new TransformNumBase, oneColumn(values));
    t.columns({ 0 })
        .set(QStringLiteral("From"), TransformNumBase::Guess)
        .set(QStringLiteral("To"), 10);
    t.run();
    QCOMPARE(t.output().value(0, 0), firstInDecimal);
    QVERIFY(t.transform()->information().contains(
        QStringLiteral("Guessing base %1 for column 1 ('Value')").arg(base)));
}

void TestNumberFormats::dateFormat_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QLocale>("toLocale");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("day first to ISO") << "dd/MM/yyyy" << en << "yyyy-MM-dd"
                                      << "31/12/2024"
                                      << "2024-12-31";
    QTest::newRow("single digits") << "d/M/yyyy" << en << "dd.MM.yy"
                                   << " 1/2/2023 "
                                   << "01.02.23";
    QTest::newRow("month name out in German") << "yyyy-MM-dd" << de << "d. MMMM yyyy"
                                              << "2024-03-05"
                                              << "5. März 2024";
    QTest::newRow("month name in") << "d MMM yyyy" << en << "yyyy-MM-dd"
                                   << "7 Jan 2020"
                                   << "2020-01-07";
    QTest::newRow("date and time") << "yyyy-MM-dd HH:mm" << en << "d/M/yyyy h:mm ap"
                                   << "2024-06-01 14:05"
                                   << "1/6/2024 2:05 pm";
}

void TestNumberFormats::dateFormat()
{
    QFETCH(QString, from);
    QFETCH(QLocale, toLocale);
    QFETCH(QString, to);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    TransformRun t(new TransformDateFormat, oneColumn({ input }));
    t.columns({ 0 })
        .set(QStringLiteral("Input"), from)
        .set(QStringLiteral("Output"), to)
        .set(QStringLiteral("Output_Locale"), toLocale);
    t.run();
    QCOMPARE(t.output().value(0, 0), expected);
    QCOMPARE(t.summary(), QStringLiteral("1 changed, 0 unchanged"));
}

void TestNumberFormats::dateFormatUnconverted()
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

void TestNumberFormats::numFormat_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("precision");
    QTest::addColumn<bool>("grouping");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("expected");
    const QString automatic = QStringLiteral("Automatic");
    QTest::newRow("fixed") << automatic << "f" << 3 << false << QStringList { "1230000" }
                           << QStringList { "1230000.000" };
    QTest::newRow("exponent") << automatic << "e" << 3 << false << QStringList { "1230000" }
                              << QStringList { "1.230e+06" };
    QTest::newRow("exponent upper") << automatic << "E" << 3 << false << QStringList { "1230000" }
                                    << QStringList { "1.230E+06" };
    QTest::newRow("shortest") << automatic << "s" << 3 << false << QStringList { "1230000.0" }
                              << QStringList { "1230000" };
    QTest::newRow("grouped") << automatic << "f" << 1 << true << QStringList { "1234567.26" }
                             << QStringList { "1,234,567.3" };
    QTest::newRow("automatic comma column")
        << automatic << "f" << 2 << false << QStringList { "1.234,5", "2,25" }
        << QStringList { "1234.50", "2.25" };
    QTest::newRow("automatic dot column")
        << automatic << "f" << 2 << false << QStringList { "1,234.5", "2.25" }
        << QStringList { "1234.50", "2.25" };
    QTest::newRow("fixed comma") << "European , (comma)"
                                 << "g" << 3 << false << QStringList { "0,5" }
                                 << QStringList { "0.5" };
    QTest::newRow("non-numeric left") << automatic << "f" << 0 << false
                                      << QStringList { "abc", "2" } << QStringList { "abc", "2" };
}

void TestNumberFormats::numFormat()
{
    QFETCH(QString, from);
    QFETCH(QString, letter);
    QFETCH(int, precision);
    QFETCH(bool, grouping);
    QFETCH(QStringList, input);
    QFETCH(QStringList, expected);
    TransformRun t(new TransformNumFormat, oneColumn(input));
    t.columns({ 0 })
        .choose(QStringLiteral("Decimal_From"), from)
        .choose(QStringLiteral("Format"), letter)
        .set(QStringLiteral("Precision"), precision)
        .set(QStringLiteral("Group_Separator"), grouping);
    t.run();
    QCOMPARE(t.outputColumn(0), expected);
}

QTEST_MAIN(TestNumberFormats)
#include "tst_numberformats.moc"
