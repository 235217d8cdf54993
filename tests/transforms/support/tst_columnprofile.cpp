// Column profiles: the counts, ranges and most frequent values and shapes of
// a column, and each trap with its count and first example.

#include "core/dataset.h"
#include "core/values.h"
#include "transforms/support/columnprofile.h"

#include <QTest>

namespace {

// A column that keeps each distinct text once (pooled) or a text per row:
// the profile counts the one by its codes and the other by its bytes.
Dataset column(const QStringList& values, bool pooled = true)
{
    Dataset data;
    data.setPooling(pooled);
    data.setColumnCount(1);
    data.setHeader({ QStringLiteral("v") });
    for (const QString& v : values)
        data.appendRow({ v });
    return data;
}

} // namespace

class TestColumnProfile : public QObject
{
    Q_OBJECT

private slots:
    void shapes_data();
    void shapes();
    void countsRangesAndTopValues_data();
    void countsRangesAndTopValues();
    void traps_data();
    void traps();
    void everyColumnOfATable();
    void histograms_data();
    void histograms();
};

void TestColumnProfile::shapes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shape");
    QTest::newRow("postcode") << "SW1A 1AA"
                              << "AA9A 9AA";
    QTest::newRow("date") << "1/2/2024"
                          << "9/9/9999";
    QTest::newRow("name") << "Ann-Marie"
                          << "Aaa-Aaaaa";
    QTest::newRow("empty") << ""
                           << "";
}

void TestColumnProfile::shapes()
{
    QFETCH(QString, value);
    QTEST(valueShape(value), "shape");
}

void TestColumnProfile::countsRangesAndTopValues_data()
{
    QTest::addColumn<bool>("pooled");
    QTest::newRow("pooled") << true;
    QTest::newRow("plain texts") << false;
}

void TestColumnProfile::countsRangesAndTopValues()
{
    QFETCH(bool, pooled);
    // "Łódź" is kept two bytes a character, the others one.
    const Dataset data = column({ "12", "7.5", "", "2024-01-31", "abc", "abc", " ", "2023-05-01",
                                    QStringLiteral("\u0141\u00F3d\u017A"), "ab", "abc ",
                                    QStringLiteral("\u0141\u00F3d\u017A"), "2.5E1" },
        pooled);
    QCOMPARE(data.column(0).isCoded(), pooled);
    const ColumnProfile p
        = profileColumn(data, 0, DateFormatList({ QStringLiteral("yyyy-MM-dd") }));
    QCOMPARE(p.rows, 13);
    QCOMPARE(p.empty, 2);
    QCOMPARE(p.integers, 1);
    QCOMPARE(p.decimals, 2); // an exponent's letter does not make a number text
    QCOMPARE(p.dates, 2);
    QCOMPARE(p.texts, 6);
    QCOMPARE(p.distinct, 11);
    QVERIFY(p.hasNumbers);
    QCOMPARE(p.minimum, 7.5);
    QCOMPARE(p.maximum, 25.0);
    QCOMPARE(p.firstDate, QDate(2023, 5, 1));
    QCOMPARE(p.lastDate, QDate(2024, 1, 31));
    QCOMPARE(p.topValues.first().value, QStringLiteral("abc"));
    QCOMPARE(p.topValues.first().count, 2);
    // Ties in the order first seen.
    QCOMPARE(p.topValues.at(1).value, QStringLiteral("\u0141\u00F3d\u017A"));
    QCOMPARE(p.topValues.at(1).count, 2);
    QCOMPARE(p.topValues.at(2).value, QStringLiteral("12"));
    QCOMPARE(p.topShapes.first().value, QStringLiteral("9999-99-99"));
    QCOMPARE(p.topShapes.first().count, 2);
    QCOMPARE(p.topShapes.at(1).value, QStringLiteral("aaa"));
    QCOMPARE(p.topShapes.at(1).count, 2);
    QCOMPARE(p.topShapes.at(2).value, QStringLiteral("Aaaa"));
}

void TestColumnProfile::traps_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("traps");
    QTest::newRow("day and month both 12 or less")
        << QStringList { "03/04/2024", "25/12/2024", "05/05/2024", "03/04/2024" }
        << QStringList { "Column 'v': 2 values read both as month/day and day/month (for "
                         "example '03/04/2024')" };
    // Any of '/', '.' and '-'; a two- or four-digit year; nothing around.
    QTest::newRow("date shapes") << QStringList { "1-2-24", "1.2.2024", "1/2/202", "1/2/2024x",
        "123/4/2024", "13/4/2024", "4/4/2024" }
                                 << QStringList { "Column 'v': 2 values read both "
                                                  "as month/day and day/month (for "
                                                  "example '1-2-24')" };
    QTest::newRow("decimal comma among decimal points")
        << QStringList { "1,234.50", "2,000.75", "1.234,50", "3.5" }
        << QStringList { "Column 'v': 1 values use ',' and '.' both as decimal and as group "
                         "separator (for example '1.234,50')" };
    QTest::newRow("one convention, or values that do not tell")
        << QStringList { "1,234.50", "1,234", "2,5", "1.000.000,25" }
        << QStringList { "Column 'v': 1 values use ',' and '.' both as decimal and as group "
                         "separator (for example '1,234.50')" };
    QTest::newRow("leading zeros") << QStringList { "007", "42", "0", "0815" }
                                   << QStringList { "Column 'v': 2 values have leading zeros "
                                                    "that a number conversion drops (for "
                                                    "example '007')" };
    QTest::newRow("zeros alone or before text") << QStringList { "00", "0a", "0", "+01" }
                                                << QStringList { "Column 'v': 1 values have "
                                                                 "leading zeros that a number "
                                                                 "conversion drops (for example "
                                                                 "'00')" };
    QTest::newRow("16 digits") << QStringList { "-1234567890123456", "12", "123456789012345",
        "1234567890123456.5", "12345678901234567x" }
                               << QStringList { "Column 'v': 1 values have 16 or more digits "
                                                "that a number or spreadsheet conversion "
                                                "rounds (for example '-1234567890123456')" };
    QTest::newRow("UTF-8 read as Windows-1252")
        << QStringList { QStringLiteral("Caf\u00C3\u00A9"), QStringLiteral("it\u00E2\u20AC\u2122s"),
               QStringLiteral("na\u00EFve"), QStringLiteral("bad \uFFFD") }
        << QStringList { QStringLiteral("Column 'v': 3 values look decoded with the wrong "
                                        "encoding (for example 'Caf\u00C3\u00A9')") };
    QTest::newRow("mostly numbers") << QStringList { "1", "2", "3", "4", "5", "6", "7", "8", "9",
        "n/a" } << QStringList { "Column 'v': 9 values are numbers and 1 are text" };
    QTest::newRow("half numbers, half text") << QStringList { "1", "2", "x", "y" } << QStringList();
    QTest::newRow("clean text") << QStringList { "Oslo", "Lima" } << QStringList();
}

void TestColumnProfile::traps()
{
    QFETCH(QStringList, values);
    for (const bool pooled : { true, false }) {
        const ColumnProfile p = profileColumn(column(values, pooled), 0, DateFormatList());
        QTEST(p.traps, "traps");
    }
}

void TestColumnProfile::everyColumnOfATable()
{
    Dataset data;
    data.setColumnCount(3);
    data.setHeader({ QStringLiteral("id"), QStringLiteral("zip"), QStringLiteral("city") });
    for (int r = 0; r < 30000; ++r)
        data.appendRow({ QString::number(r), QStringLiteral("0%1").arg(r % 900 + 100),
            r % 2 ? QStringLiteral("Oslo") : QStringLiteral("Lima") });
    const QVector<ColumnProfile> profiles = profileTable(data, DateFormatList());
    QCOMPARE(profiles.size(), 3);
    QCOMPARE(profiles.at(0).distinct, 30000);
    QCOMPARE(profiles.at(0).maximum, 29999.0);
    QCOMPARE(profiles.at(1).traps,
        QStringList { "Column 'zip': 30,000 values have leading zeros that a number conversion "
                      "drops (for example '0100')" });
    QCOMPARE(profiles.at(2).topValues.size(), 2);
    QCOMPARE(profiles.at(2).topShapes.first().value, QStringLiteral("Aaaa"));
}

QTEST_GUILESS_MAIN(TestColumnProfile)
#include "tst_columnprofile.moc"

void TestColumnProfile::histograms_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("ofDates");
    QTest::addColumn<QList<int>>("bins"); // bin -> count, bins not listed are empty
    QTest::addColumn<int>("binCount");
    // 0..20 in 20 bins of 1: the greatest value falls in the last bin.
    QTest::newRow("ends in the first and last bins")
        << QStringList { "0", "0", "20", "10", "9.99" } << false
        << QList<int> { 0, 2, 9, 1, 10, 1, 19, 1 } << 20;
    QTest::newRow("one value, one bin")
        << QStringList { "5", "5", "x" } << false << QList<int> { 0, 2 } << 1;
    QTest::newRow("dates outnumber numbers")
        << QStringList { "2024-01-01", "2024-01-21", "2024-01-11", "3" } << true
        << QList<int> { 0, 1, 10, 1, 19, 1 } << 20;
    QTest::newRow("text has none") << QStringList { "a", "b" } << false << QList<int>() << 0;
}

// The bars of a column's chart count every value of their range.
void TestColumnProfile::histograms()
{
    QFETCH(QStringList, values);
    QFETCH(bool, ofDates);
    QFETCH(QList<int>, bins);
    QFETCH(int, binCount);
    const ColumnProfile p
        = profileColumn(column(values), 0, DateFormatList({ QStringLiteral("yyyy-MM-dd") }));
    QCOMPARE(p.histogram.size(), binCount);
    QCOMPARE(p.histogramOfDates, ofDates);
    QVector<int> expected(binCount, 0);
    for (int i = 0; i + 1 < bins.size(); i += 2)
        expected[bins.at(i)] = bins.at(i + 1);
    QCOMPARE(p.histogram, expected);
    if (binCount > 1)
        QVERIFY(p.binStart(binCount - 1) + p.binWidth()
            == (ofDates ? double(p.lastDate.toJulianDay()) : p.maximum));
}
