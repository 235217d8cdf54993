// Delimited and plain text output: exact lines for each quoting mode and line
// ending, the Never-quoting warning, progress and stop, and a round trip of
// awkward values through an independent CSV parser.
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

const QString RS = QString(QChar(0x1E));

} // namespace

class TestDelimitedWriter : public QObject
{
    Q_OBJECT

private slots:
    void exactOutput_data();
    void exactOutput();
    void roundTrip_data();
    void roundTrip();
    void plainText_data();
    void plainText();
    void progressAndStop();
    void longTableInBlocks();
};

void TestDelimitedWriter::exactOutput_data()
{
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<int>("delimiter");
    QTest::addColumn<int>("quoting");
    QTest::addColumn<int>("lineEnding");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("warning");

    const QString neverWarning = QStringLiteral(
        "Delimiter, Line Feed or Carriage Return characters were found within %1 unquoted data "
        "value(s). These have been replaced with '%2'. You may want to use a 'Replace' transform "
        "to replace these characters or output the file with 'Quoting' set to 'As needed'.");

    addRow("as needed quotes only what needs it", QStringList { "a", "b" },
        QStringList { "plain", "say \"hi\", bye" }, int(DelimiterComma), int(QuotingAsNeeded),
        int(LineEndingWindows), "a,b\r\nplain,\"say \"\"hi\"\", bye\"\r\n", QString());
    addRow("as needed quotes line breaks", QStringList { "a", "b" }, QStringList { "x\ny", "p\rq" },
        int(DelimiterSemicolon), int(QuotingAsNeeded), int(LineEndingUnix),
        "a;b\n\"x\ny\";\"p\rq\"\n", QString());
    addRow("as needed ignores other delimiters", QStringList { "a", "b" },
        QStringList { "1,5", "x;y" }, int(DelimiterSemicolon), int(QuotingAsNeeded),
        int(LineEndingUnix), "a;b\n1,5;\"x;y\"\n", QString());
    addRow("always", QStringList { "a", "b" }, QStringList { "", "q\"" }, int(DelimiterTab),
        int(QuotingAlways), int(LineEndingUnix), "\"a\"\t\"b\"\n\"\"\t\"q\"\"\"\n", QString());
    addRow("never replaces the delimiter with a space", QStringList { "a", "b" },
        QStringList { "a,b", "c" }, int(DelimiterComma), int(QuotingNever), int(LineEndingUnix),
        "a,b\na b,c\n", neverWarning.arg(1).arg(' '));
    addRow("never with a space delimiter uses underscores", QStringList { "a", "b" },
        QStringList { "x y", "1\r\n2" }, int(DelimiterSpace), int(QuotingNever),
        int(LineEndingUnix), "a b\nx_y 1__2\n", neverWarning.arg(2).arg('_'));
    addRow("never counts header names", QStringList { "first,name", "b" }, QStringList { "1", "2" },
        int(DelimiterComma), int(QuotingNever), int(LineEndingUnix), "first name,b\n1,2\n",
        neverWarning.arg(1).arg(' '));
    addRow("never keeps quotes as they are", QStringList { "a" }, QStringList { "\"q\"" },
        int(DelimiterComma), int(QuotingNever), int(LineEndingUnix), "a\n\"q\"\n", QString());
    addRow("record separator ends every line", QStringList { "a", "b" }, QStringList { "1", "2" },
        int(DelimiterPipe), int(QuotingAsNeeded), int(LineEndingRecordSeparator),
        QString("a|b" + RS + "1|2" + RS), QString());
    addRow("old mac", QStringList { "a", "b" }, QStringList { "1", "2" }, int(DelimiterCaret),
        int(QuotingAsNeeded), int(LineEndingOldMac), "a^b\r1^2\r", QString());
    addRow("automatic line ending is CRLF", QStringList { "a", "b" }, QStringList { "1", "2" },
        int(DelimiterColon), int(QuotingAsNeeded), int(LineEndingAutomatic), "a:b\r\n1:2\r\n",
        QString());
    addRow("unit separator", QStringList { "a", "b" }, QStringList { "1", "2" },
        int(DelimiterUnitSeparator), int(QuotingAsNeeded), int(LineEndingUnix),
        QString("a" + QString(QChar(0x1F)) + "b\n1" + QString(QChar(0x1F)) + "2\n"), QString());
    addRow("custom", QStringList { "a", "b" }, QStringList { "1*2", "3" }, int(DelimiterCustom),
        int(QuotingAsNeeded), int(LineEndingUnix), "a*b\n\"1*2\"*3\n", QString());
}

void TestDelimitedWriter::exactOutput()
{
    QFETCH(QStringList, header);
    QFETCH(QStringList, row);
    QFETCH(int, delimiter);
    QFETCH(int, quoting);
    QFETCH(int, lineEnding);
    QFETCH(QString, expected);
    QFETCH(QString, warning);

    TextWriteOptions options = delimitedOptions(delimiter, quoting, lineEnding);
    options.customDelimiter = QLatin1Char('*');
    TextWriteResult result;
    QCOMPARE(renderText(makeDataset(header, { row }), options, &result), expected);
    QCOMPARE(result.warnings, warning.isEmpty() ? QStringList() : QStringList { warning });
    QVERIFY(!result.error);

    // Fixed width output goes through the same writer.
    options.fileType = FileTypeFixedWidth;
    QCOMPARE(renderText(makeDataset(header, { row }), options), expected);
}

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

void TestDelimitedWriter::plainText_data()
{
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QVector<QStringList>>("rows");
    QTest::addColumn<bool>("writeHeader");
    QTest::addColumn<QString>("expected");

    addRow("one value per line", QStringList { "line" },
        QVector<QStringList> { { "first" }, { "second, with comma" } }, true,
        "line\nfirst\nsecond, with comma\n");
    addRow("values run together", QStringList { "a", "b" },
        QVector<QStringList> { { "1", "2" }, { "x", "" } }, true, "ab\n12\nx\n");
    addRow("no header", QStringList { "a" }, QVector<QStringList> { { "1" } }, false, "1\n");
}

void TestDelimitedWriter::plainText()
{
    QFETCH(QStringList, header);
    QFETCH(QVector<QStringList>, rows);
    QFETCH(bool, writeHeader);

    TextWriteOptions options;
    options.fileType = FileTypePlainText;
    options.lineEnding = LineEndingUnix;
    options.writeHeader = writeHeader;
    QTEST(renderText(makeDataset(header, rows), options), "expected");
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

QTEST_GUILESS_MAIN(TestDelimitedWriter)
#include "tst_delimitedwriter.moc"
