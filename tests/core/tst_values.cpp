#include "core/values.h"

#include <QTextCodec>
#include <QtTest>

class TestValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { cleanup(); }

    // Every encoding the Input and Output forms offer has a codec; "System"
    // is the locale's.
    void codecForEncoding_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("codec"); // empty: none
        QTest::newRow("UTF-8") << "UTF-8"
                               << "UTF-8";
        QTest::newRow("UTF-16LE") << "UTF-16LE"
                                  << "UTF-16LE";
        QTest::newRow("UTF-16BE") << "UTF-16BE"
                                  << "UTF-16BE";
        QTest::newRow("ISO-8859-1") << "ISO-8859-1"
                                    << "ISO-8859-1";
        QTest::newRow("Windows-1252") << "Windows-1252"
                                      << "windows-1252";
        QTest::newRow("System") << "System"
                                << QString::fromLatin1(QTextCodec::codecForLocale()->name());
        QTest::newRow("unknown") << "No-such-encoding"
                                 << "";
    }

    void codecForEncoding()
    {
        QFETCH(QString, name);
        QFETCH(QString, codec);
        const QTextCodec* found = ::codecForEncoding(name);
        QCOMPARE(found ? QString::fromLatin1(found->name()) : QString(), codec);
    }

    void toNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("emptyIsZero");
        QTest::addColumn<bool>("ignoreCurrency");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");

        QTest::newRow("blanks around") << "en_US"
                                       << "  12.5 " << false << false << true << 12.5;
        QTest::newRow("negative") << "en_US"
                                  << "-4" << false << false << true << -4.0;
        QTest::newRow("exponent") << "en_US"
                                  << "1.5e3" << false << false << true << 1500.0;
        QTest::newRow("currency ignored") << "en_US"
                                          << "$1,234.50" << false << true << true << 1234.5;
        QTest::newRow("currency kept") << "en_US"
                                       << "$1,234.50" << false << false << false << 0.0;
        QTest::newRow("euro sign") << "de_DE"
                                   << "12,5 €" << false << true << true << 12.5;
        QTest::newRow("german decimal") << "de_DE"
                                        << "1.234,5" << false << false << true << 1234.5;
        QTest::newRow("german plain") << "de_DE"
                                      << "42" << false << false << true << 42.0;
        QTest::newRow("english in german") << "de_DE"
                                           << "1.5" << false << false << false << 0.0;
        QTest::newRow("nan") << "en_US"
                             << "nan" << false << false << false << 0.0;
        QTest::newRow("NaN") << "en_US"
                             << "NaN" << false << false << false << 0.0;
        QTest::newRow("inf") << "en_US"
                             << "Inf" << false << false << false << 0.0;
        QTest::newRow("-inf") << "en_US"
                              << "-INF" << false << false << false << 0.0;
        QTest::newRow("infinity word") << "en_US"
                                       << "infinity" << false << false << false << 0.0;
        QTest::newRow("empty") << "en_US"
                               << "" << false << false << false << 0.0;
        QTest::newRow("empty is zero") << "en_US"
                                       << "  " << true << false << true << 0.0;
        QTest::newRow("text") << "en_US"
                              << "12a" << false << false << false << 0.0;
        QTest::newRow("lone minus") << "en_US"
                                    << "-" << false << false << false << 0.0;
        QTest::newRow("two points") << "en_US"
                                    << "1.2.3" << false << false << false << 0.0;
        // Letters whose code's low byte is a digit are not digits.
        QTest::newRow("letters like digits")
            << "en_US" << QStringLiteral("\u0131\u0130") << false << false << false << 0.0;
    }
    void toNumber()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, emptyIsZero);
        QFETCH(bool, ignoreCurrency);
        QFETCH(bool, ok);
        QFETCH(double, value);
        QLocale::setDefault(QLocale(locale));
        bool good = !ok;
        const double result = ::toNumber(text, emptyIsZero, ignoreCurrency, &good);
        QCOMPARE(good, ok);
        QCOMPARE(result, value);
        // The explicit-locale form agrees with the default-locale form.
        QCOMPARE(::toNumber(QLocale(locale), text, emptyIsZero, ignoreCurrency, &good), value);
    }

    void toNumbersSkipsNonNumbers()
    {
        const QVector<double> numbers = ::toNumbers({ "1", "x", "", "2.5", "nan" });
        QCOMPARE(numbers, (QVector<double> { 1.0, 2.5 }));
        QCOMPARE(::toNumbers({ "1", "" }, true), (QVector<double> { 1.0, 0.0 }));
    }

    void toBool_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowNumbers");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("value");
        QTest::newRow("TRUE") << "TRUE" << false << true << true;
        QTest::newRow("false padded") << " false " << false << true << false;
        QTest::newRow("0 with numbers") << "0" << true << true << false;
        QTest::newRow("2.5 with numbers") << "2.5" << true << true << true;
        QTest::newRow("0 without numbers") << "0" << false << false << false;
        QTest::newRow("yes") << "yes" << true << false << false;
        QTest::newRow("empty") << "" << true << false << false;
    }
    void toBool()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowNumbers);
        QFETCH(bool, ok);
        QFETCH(bool, value);
        bool good = !ok;
        QCOMPARE(::toBool(text, false, allowNumbers, &good), value);
        QCOMPARE(good, ok);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("matched");
        const QStringList us
            = standardDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
        QTest::newRow("us first") << "1/2/2024" << us << QDate(2024, 1, 2) << "M/d/yyyy";
        QTest::newRow("day first when month impossible")
            << "13/2/2024" << us << QDate(2024, 2, 13) << "d/M/yyyy";
        QTest::newRow("iso") << " 2024-01-05 " << us << QDate(2024, 1, 5) << "yyyy-M-d";
        QTest::newRow("not a date") << "hello" << us << QDate() << "";
        QTest::newRow("impossible day")
            << "2/30/2024" << QStringList { "M/d/yyyy" } << QDate() << "";
        QTest::newRow("month name")
            << "5 Jan 2024" << QStringList { "d MMM yyyy" } << QDate(2024, 1, 5) << "d MMM yyyy";
        QTest::newRow("empty") << "" << us << QDate() << "";
        QTest::newRow("an id of many digits is no date")
            << "12345678901234567" << QStringList { "yyyyMMdd" } << QDate() << "";
        QTest::newRow("a field of ten digits is no date")
            << "1/2/12345678901" << us << QDate() << "";
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, formats);
        QFETCH(QDate, date);
        QFETCH(QString, matched);
        QString found;
        QCOMPARE(toDateWithFormats(text, formats, &found), date);
        QCOMPARE(found, matched);
        if (formats.size() == 1)
            QCOMPARE(toDate(text, formats.first()), date);
    }

    // The fast rejection of texts that cannot be dates must never reject a
    // text that the toolkit's parser accepts.
    void dateShortcutAgreesWithParser()
    {
        const QStringList formats = standardDateFormats(QLocale())
            + QStringList { "dd/MM/yyyy", "yyyyMMdd", "d.M.yy", "d MMM yyyy", "dd-MM-yyyy", "M/d",
                  "yy/MM/dd", "d/M/y" };
        const QStringList texts = { "1/2/2024", "01/02/2024", "1/2/24", "13/1/2024", "2024-1-5",
            "2024-01-05", "24-1-5", "5-1-24", "20240105", "2024015", "+1/2/2024", "1/2/-2024",
            "1 /2/2024", "005/1/2024", "1/2/02024", "12345", "5.1.24", "5 Jan 2024", "1/2",
            "31/12/1999", "2/29/2023", "2/29/2024", "x1/2/2024", "1//2024", "/1/2/2024",
            "1/2/2024/", "", "-", "12/31", "0000-1-1", "2024-00-05", "2024-13-05", "1900-2-29",
            "2000-2-29", "00/1/1", "1/1/00", "29-2-00", "9/9/99", "10/10/1582", "1/+2/2024",
            "2024-+1-2", "1/2/2024 ", "1.2.24", "1/2/2024+", "12345678901234567",
            "1/99999999999/2024", "9999999999-1-1" };
        for (const QString& format : formats) {
            for (const QString& text : texts) {
                const bool expected = QLocale().toDate(text.trimmed(), format).isValid();
                if (toDate(text, format).isValid() != expected)
                    QFAIL(qPrintable(QString("'%1' with '%2'").arg(text, format)));
            }
        }
    }

    void times()
    {
        QCOMPARE(toTime(" 13:05:09 "), QTime(13, 5, 9));
        QCOMPARE(toTime("7:30"), QTime(7, 30));
        QVERIFY(!toTime("25:00").isValid());
        QVERIFY(!toTime("noon").isValid());
    }

    void formatNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("groups");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.50 trimmed") << 2.50 << false << 2 << true << "2.5";
        QTest::newRow("3.0 trimmed") << 3.0 << false << 2 << true << "3";
        QTest::newRow("tiny negative trimmed") << -0.0001 << false << 2 << true << "0";
        QTest::newRow("tiny negative untrimmed") << -0.0001 << false << 2 << false << "0.00";
        QTest::newRow("huge, automatic decimals")
            << 1e20 << false << -1 << true << "100000000000000000000";
        QTest::newRow("half, automatic") << 0.5 << false << -1 << true << "0.5";
        QTest::newRow("third, automatic") << 1.0 / 3 << false << -1 << true << "0.333333333333333";
        QTest::newRow("groups") << 1234567.5 << true << 1 << true << "1,234,567.5";
        QTest::newRow("no groups") << 1234567.5 << false << 1 << true << "1234567.5";
        QTest::newRow("infinity") << qInf() << false << -1 << true << "NaN";
        QTest::newRow("nan") << qQNaN() << false << 2 << true << "NaN";
        QTest::newRow("negative") << -12.25 << false << -1 << true << "-12.25";
    }
    void formatNumber()
    {
        QFETCH(double, value);
        QFETCH(bool, groups);
        QFETCH(int, decimals);
        QFETCH(bool, trim);
        QFETCH(QString, text);
        QCOMPARE(::formatNumber(value, groups, decimals, trim), text);
    }

    void formatNumberHugeHasNoDecimals()
    {
        const QString text = ::formatNumber(1e300, false, -1, true);
        QVERIFY(!text.contains(QLatin1Char('.')));
        QCOMPARE(text.size(), 301);
    }

    // A workbook's number cell as text: read back, it is the same double.
    void shortestNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.30000000000000004";
        QTest::newRow("small, fixed notation") << 1.2345678e-10 << "0.00000000012345678";
        QTest::newRow("seventeen digits") << 123456789.12345679 << "123456789.12345679";
        QTest::newRow("huge, no exponent") << 1e20 << "100000000000000000000";
        QTest::newRow("negative") << -0.125 << "-0.125";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("integer") << 42.0 << "42";
    }
    void shortestNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatShortestNumber(value), text);
        QCOMPARE(text.toDouble(), value);
    }

    void formatNumberGerman()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(formatShortestNumber(1234.5), QStringLiteral("1234,5"));
        QCOMPARE(::formatNumber(1234.5, true, 2, false), QStringLiteral("1.234,50"));
        QCOMPARE(::formatNumber(1234.5, false, 2, true), QStringLiteral("1234,5"));
        QCOMPARE(formatInteger(1234567), QStringLiteral("1.234.567"));
    }

    void integersAndPercentages()
    {
        QCOMPARE(formatInteger(1234567), QStringLiteral("1,234,567"));
        QCOMPARE(formatInteger(-1234567, false), QStringLiteral("-1234567"));
        QCOMPARE(formatPercent(0.1234, 0.1, 1), QStringLiteral("12.3%"));
        QCOMPARE(formatPercent(0.0000001, 0.1, 1), QStringLiteral("<0.1%"));
        QCOMPARE(formatPercent(0.75, 0.1, 1), QStringLiteral("75%"));
        QCOMPARE(countText(1, "row", "rows"), QStringLiteral("1 row"));
        QCOMPARE(countText(12000, "row", "rows"), QStringLiteral("12,000 rows"));
    }

    void durations()
    {
        QCOMPARE(formatDuration(0), QStringLiteral("<0.001 second(s)"));
        QCOMPARE(formatDuration(1500), QStringLiteral("1.5 second(s)"));
        QCOMPARE(formatDuration(1234567), QStringLiteral("1,234.57 second(s)"));
    }

    void whitespace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("visible");
        const QString nbsp(QChar(0x00A0));
        QTest::newRow("crlf") << "a\r\nb"
                              << "a b"
                              << "a\r\nb" << QString("a") + QChar(0x2190) + QChar(0x21B5) + "b";
        QTest::newRow("tab and nbsp")
            << "a\t" + nbsp + "b"
            << "a  b"
            << "a\t b" << QString("a") + QChar(0x2192) + QChar(0x237D) + "b";
        QTest::newRow("space and nul")
            << QString("a ") + QChar(0) << QString("a ") + QChar(0) << QString("a ") + QChar(0)
            << QString("a") + QChar(0x00B7) + QChar(0x2205);
        QTest::newRow("em space") << QString("x") + QChar(0x2003) << "x "
                                  << "x " << QString("x") + QChar(0x25A1);
        QTest::newRow("plain") << "abc"
                               << "abc"
                               << "abc"
                               << "abc";
    }
    void whitespace()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalized);
        QFETCH(QString, plain);
        QFETCH(QString, visible);
        QCOMPARE(normalizeSpace(text), normalized);
        QCOMPARE(plainSpaces(text), plain);
        QCOMPARE(showInvisibles(text), visible);
    }

    void elide_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("ellipsis");
        QTest::addColumn<QString>("result");
        QTest::newRow("ten to five")
            << "abcdefghij" << 5 << true << QString("abcd") + QChar(0x2026);
        QTest::newRow("no ellipsis") << "abcdefghij" << 5 << false << "abcde";
        QTest::newRow("fits") << "abc" << 3 << true << "abc";
        QTest::newRow("negative maximum") << "abc" << -1 << true << "abc";
        QTest::newRow("one") << "abc" << 1 << true << "a";
    }
    void elide()
    {
        QFETCH(QString, text);
        QFETCH(int, maximum);
        QFETCH(bool, ellipsis);
        QFETCH(QString, result);
        QCOMPARE(::elide(text, maximum, ellipsis), result);
    }

    void smartLessThan_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("less");
        QTest::newRow("numbers") << "9"
                                 << "10" << true;
        QTest::newRow("numbers reversed") << "10"
                                          << "9" << false;
        QTest::newRow("currency numbers") << "$5"
                                          << "$40" << true;
        QTest::newRow("code units") << "B"
                                    << "a" << true;
        QTest::newRow("text beats number") << "10"
                                           << "9x" << true;
        QTest::newRow("dates") << "12/1/2023"
                               << "1/5/2024" << true;
        QTest::newRow("equal") << "a"
                               << "a" << false;
    }
    void smartLessThan()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, less);
        setDefaultDateFormats(
            standardDateFormats(QLocale(QLocale::English, QLocale::UnitedStates)));
        QCOMPARE(::smartLessThan(a, b), less);
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "abc"
                               << "abc";
        QTest::newRow("delimiter") << "a,b"
                                   << "\"a,b\"";
        QTest::newRow("quote") << "say \"hi\""
                               << "\"say \"\"hi\"\"\"";
        QTest::newRow("line feed") << "a\nb"
                                   << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        QTest::newRow("empty") << ""
                               << "";
        // Values are checked in blocks of up to eight characters: a special
        // character at a block's last place, in a full block and in the tail.
        QTest::newRow("five, delimiter last") << "abcd,"
                                              << "\"abcd,\"";
        QTest::newRow("eight, return last") << "abcdefg\r"
                                            << "\"abcdefg\r\"";
        QTest::newRow("long plain") << "abcdefghijklmnopq"
                                    << "abcdefghijklmnopq";
        QTest::newRow("long, delimiter in block") << "abcdefg,ijklmnopq"
                                                  << "\"abcdefg,ijklmnopq\"";
        QTest::newRow("long, line feed in tail") << "abcdefghijklmnop\n"
                                                 << "\"abcdefghijklmnop\n\"";
        QTest::newRow("long, non-ASCII")
            << QString::fromUtf8("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\"")
            << QString::fromUtf8("\"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\"\"\"");
    }
    void quoting()
    {
        QFETCH(QString, value);
        QFETCH(QString, quoted);
        QCOMPARE(quoteAsNeeded(value, QLatin1Char(',')), quoted);
    }

    void standardDateFormatsFollowLocale()
    {
        const QStringList us
            = standardDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(us.at(us.indexOf("M/d/yyyy") + 1), QStringLiteral("d/M/yyyy"));
        const QStringList uk
            = standardDateFormats(QLocale(QLocale::English, QLocale::UnitedKingdom));
        QCOMPARE(uk.first(),
            QLocale(QLocale::English, QLocale::UnitedKingdom).dateFormat(QLocale::ShortFormat));
        QCOMPARE(uk.at(1), QStringLiteral("d/M/yyyy"));
        QCOMPARE(uk.size(), 13);
    }
};

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
