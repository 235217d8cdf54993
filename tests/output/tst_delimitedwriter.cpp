// Delimited output: a round trip of awkward values through an independent
// CSV parser, progress and stop, and long tables made in blocks. Exact
// output per quoting mode and line ending are cases under
// tests/data/output/delimited (tst_goldenwriters).
#include "core/values.h"
#include "output/writer.h"
#include "tests/input/testsupport.h"
#include "writertesthelpers.h"

#include <QtTest/QtTest>

namespace {

// A deliberately small CSV parser, independent of the application's reader:
// fields separated by one character, optional double quotes with "" inside,
// records ended by the given line ending (also inside no quotes only).
QVector<QStringList> parseCsv(const QString& text, QChar delimiter, const QString& eol)
{
    QVector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size()
                && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                i += 2;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
                ++i;
            } else {
                field += c;
                ++i;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            ++i;
        } else if (c == delimiter) {
            record << field;
            field.clear();
            ++i;
        } else if (text.midRef(i, eol.size()) == eol) {
            record << field;
            records << record;
            record.clear();
            field.clear();
            i += eol.size();
        } else {
            field += c;
            ++i;
        }
    }
    if (!field.isEmpty() || !record.isEmpty())
        records << (record << field);
    return records;
}

TextWriteOptions delimitedOptions(int delimiter, int quoting, int lineEnding, bool header = true)
{
    TextWriteOptions options;
    options.fileType = FileTypeDelimited;
    DelimitedWriteOptions { delimiter, quoting }.store(&options.formatOptions);
    options.lineEnding = lineEnding;
    options.writeHeader = header;
    return options;
}

} // namespace

class TestDelimitedWriter : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void progressAndStop();
    void longTableInBlocks();
    void repeatedValuesByTheirCodes();
    void plainTextsFromTheirBytes_data();
    void plainTextsFromTheirBytes();
};

void TestDelimitedWriter::roundTrip_data()
{
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<int>("quoting");
    QTest::addColumn<int>("lineEnding");

    const QVector<int> delimiters = { DelimiterComma, DelimiterSemicolon, DelimiterTab,
        DelimiterPipe, DelimiterSpace, DelimiterUnitSeparator };
    for (const int delimiter : delimiters) {
        for (const int quoting : { int(QuotingAsNeeded), int(QuotingAlways) }) {
            for (const int eol : { int(LineEndingWindows), int(LineEndingUnix),
                     int(LineEndingOldMac), int(LineEndingRecordSeparator) }) {
                QTest::addRow("delimiter %d quoting %d eol %d", delimiter, quoting, eol)
                    << delimiter << quoting << eol;
            }
        }
    }
}

void TestDelimitedWriter::roundTrip()
{
    QFETCH(int, delimiter);
    QFETCH(int, quoting);
    QFETCH(int, lineEnding);

    const QChar d = outputDelimiterChar(delimiter, QLatin1Char('*'));
    const QVector<QStringList> rows = {
        { "\"", "\"\"", QString("x") + d + "y", "line\r\nbreak" },
        { "lf\nonly", "cr\ronly", "Zürich – 東京 😀", "" },
        { " padded ", QString(d), "end\"", QString(d) + "\"" + d },
    };
    const Dataset data = makeDataset({ "name, \"quoted\"", "b", "c", "d" }, rows);
    const QString text = renderText(data, delimitedOptions(delimiter, quoting, lineEnding));
    const QVector<QStringList> parsed = parseCsv(text, d, lineEndingText(lineEnding));
    QCOMPARE(parsed.size(), rows.size() + 1);
    QCOMPARE(parsed.first(), data.columnNames());
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(parsed.at(r + 1), rows.at(r));
}

void TestDelimitedWriter::progressAndStop()
{
    QVector<QStringList> rows;
    for (int i = 0; i < 2500; ++i)
        rows << QStringList { QString::number(i) };
    const Dataset data = makeDataset({ "n" }, rows);
    const TextWriteOptions options
        = delimitedOptions(DelimiterComma, QuotingAsNeeded, LineEndingUnix);

    QVector<qreal> reports;
    TextWriteResult result;
    QString text = renderText(data, options, &result, [&reports](qreal done) {
        reports << done;
        return true;
    });
    QCOMPARE(reports, (QVector<qreal> { 0.4, 0.8 }));
    QCOMPARE(text.count(QLatin1Char('\n')), 2501);
    QVERIFY(!result.error);

    text = renderText(data, options, &result, [](qreal) { return false; });
    QVERIFY(result.error);
    QVERIFY(result.stopped);
    QCOMPARE(result.warnings, QStringList { writeStoppedMessage() });
    QCOMPARE(text.count(QLatin1Char('\n')), 1001);
}

// A long table is written in blocks made on two threads: every row in
// order, the Never warning counting both threads' values, and a stop in the
// middle of a block leaving out the same rows as a short table would.
void TestDelimitedWriter::longTableInBlocks()
{
    const int count = 25001;
    QVector<QStringList> rows;
    QString asNeeded = QStringLiteral("n,v\n");
    int special = 0;
    for (int i = 0; i < count; ++i) {
        const bool comma = i % 7 == 0;
        special += comma;
        rows << QStringList { QString::number(i), comma ? "a,b" : "x" };
        asNeeded += QString::number(i) + (comma ? ",\"a,b\"\n" : ",x\n");
    }
    const Dataset data = makeDataset({ "n", "v" }, rows);
    TextWriteResult result;
    QCOMPARE(renderText(
                 data, delimitedOptions(DelimiterComma, QuotingAsNeeded, LineEndingUnix), &result),
        asNeeded);

    renderText(data, delimitedOptions(DelimiterComma, QuotingNever, LineEndingUnix), &result);
    QCOMPARE(result.warnings.size(), 1);
    QVERIFY(result.warnings.first().contains(
        QStringLiteral("within %1 unquoted").arg(formatInteger(special))));

    const QString stopped
        = renderText(data, delimitedOptions(DelimiterComma, QuotingAsNeeded, LineEndingUnix),
            &result, [](qreal done) { return done < 0.5; });
    QVERIFY(result.stopped);
    QCOMPARE(stopped, asNeeded.left(stopped.size()));
    QCOMPARE(stopped.count(QLatin1Char('\n')), 13000 + 1);
}

// A long table's repeated values are made once per thread and then taken
// by their codes: the same lines as a row at a time gives (tables short
// enough for that), for values empty, quoted, beyond ASCII, longer than a
// short move, too long to keep, and one ending in half a character.
void TestDelimitedWriter::repeatedValuesByTheirCodes()
{
    const QStringList values { QString(), "x", "a,b", "q\"q", "\u00e9t\u00e9",
        QString::fromUtf8("\xF0\x9F\x98\x80"), QString(40, QLatin1Char('l')),
        QString(QChar(0xd83d)), "x," };
    const QString huge = QString(70000, QLatin1Char('h')) + "end";
    QVector<QStringList> rows;
    for (int i = 0; i < 25001; ++i) {
        const QString value = i == 5 || i == 24000 ? huge : values.at(int(i * 7919u % 9u));
        rows << QStringList { QString::number(i), value, value + "!" };
    }
    const Dataset whole = makeDataset({ "n", "v", "w" }, rows);
    QVERIFY(whole.column(1).isCoded());
    const TextWriteOptions options
        = delimitedOptions(DelimiterComma, QuotingAsNeeded, LineEndingUnix);
    TextWriteResult result;
    const QString text = renderText(whole, options, &result);
    const QString head
        = renderText(makeDataset({ "n", "v", "w" }, rows.mid(0, 12000)), options, &result);
    const QString tail
        = renderText(makeDataset({ "n", "v", "w" }, rows.mid(12000)), options, &result);
    QCOMPARE(text, head + tail.mid(tail.indexOf(QLatin1Char('\n')) + 1));
    QCOMPARE(text.count(huge), 4);
}

void TestDelimitedWriter::plainTextsFromTheirBytes_data()
{
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<QString>("delimiterText");
    QTest::addColumn<int>("lineEnding");
    QTest::addColumn<QString>("eol");
    QTest::newRow("comma, LF") << int(DelimiterComma) << "," << int(LineEndingUnix) << "\n";
    QTest::newRow("semicolon, CR LF")
        << int(DelimiterSemicolon) << ";" << int(LineEndingWindows) << "\r\n";
    QTest::newRow("tab, LF") << int(DelimiterTab) << "\t" << int(LineEndingUnix) << "\n";
}

// A column of mostly different values keeps its texts in bytes, which a
// long table's lines take as they are when they need no quotes and are
// ASCII: every character that needs quotes or encoding, at the start, in
// the middle or in the last bytes of a value, still gets them.
void TestDelimitedWriter::plainTextsFromTheirBytes()
{
    QFETCH(int, delimiter);
    QFETCH(QString, delimiterText);
    QFETCH(int, lineEnding);
    QFETCH(QString, eol);
    const QStringList specials { delimiterText, QStringLiteral("\""), QStringLiteral("\n"),
        QStringLiteral("\r"), QStringLiteral("\u00e9"), QStringLiteral("\u20ac"),
        QStringLiteral(","), QStringLiteral(";"), QStringLiteral("\t"), QStringLiteral(" ") };
    QVector<QStringList> rows;
    for (int i = 0; i < 25001; ++i) {
        const QString special = specials.at(i % specials.size());
        const QString id = QString::number(i);
        QString value;
        switch (i / specials.size() % 4) {
        case 0:
            value = special + id;
            break;
        case 1:
            value = QStringLiteral("plain-text-") + id + special + QStringLiteral("-more-text");
            break;
        case 2:
            value = QStringLiteral("value-") + id + special;
            break;
        default:
            value = i % 3 == 0 ? QString() : QStringLiteral("only-ascii-") + id;
            break;
        }
        rows << QStringList { value, QStringLiteral("x") };
    }
    const Dataset data = makeDataset({ "v", "w" }, rows);
    QVERIFY(!data.column(0).isCoded());
    const TextWriteOptions options
        = delimitedOptions(delimiter, QuotingAsNeeded, lineEnding, false);
    const QString text = renderText(data, options);
    QCOMPARE(parseCsv(text, delimiterText.at(0), eol), rows);
    // The same lines as short tables make from the texts, a row at a time.
    const int half = rows.size() / 2;
    const QString expected = renderText(makeDataset({ "v", "w" }, rows.mid(0, half)), options)
        + renderText(makeDataset({ "v", "w" }, rows.mid(half)), options);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TestDelimitedWriter)
#include "tst_delimitedwriter.moc"
