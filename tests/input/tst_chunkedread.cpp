#include "input/chunkedparse.h"
#include "input/rowsink.h"
#include "tests/input/delimitedtestsupport.h"
#include "tests/input/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>
#include <tuple>

// A delimited text read in chunks on two or more threads gives the table,
// warnings and information of the same text read on one.
class TestChunkedRead : public QObject
{
    Q_OBJECT

private slots:
    void sameOnOneOrMoreThreads_data();
    void sameOnOneOrMoreThreads();
    void sameFromFileInBytesOrCharacters_data();
    void sameFromFileInBytesOrCharacters();
    void corpusSameInChunks_data();
    void corpusSameInChunks();
    void columnsNotUsedLeftOut_data();
    void columnsNotUsedLeftOut();
    void firstRowsWhileReading_data();
    void firstRowsWhileReading();
    void windowFieldsCleanedAsAnyValue_data();
    void windowFieldsCleanedAsAnyValue();
    void plainColumnsNotPooled();
};

namespace {

constexpr int KeepK1 = 0;
constexpr int KeepMost = 1;
constexpr int KeepNone = 2;

// Records of a fixed pseudo-random mix: quoted values with line ends (LF and
// CR LF) and tabs, delimiters and doubled quotes, repeated and unique values, empty
// rows, and a stray quote inside an unquoted value.
QString mixedRecords(int count)
{
    // Line ends and tabs also come more than eight characters in, and in
    // a value's last eight.
    static const char* const pieces[] = { "plain", "\"two\nlines\"", "\"x,y\"",
        "\"say \"\"hi\"\"\"", "\"crlf\r\ninside\"", "", "ab\"cd", "\"\"", "\"\n\n\"",
        "\"0123456789\tab\"", "abcdefghijklmnopq\tr", "\"0123456789abcdef\r\nxy\"" };
    QRandomGenerator random(23);
    QString text;
    for (int r = 0; r < count; ++r) {
        const int fields = int(random.bounded(4));
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                text += QLatin1Char(',');
            const int piece = int(random.bounded(int(std::size(pieces)) + 1));
            text += piece < int(std::size(pieces)) ? QString::fromLatin1(pieces[piece])
                                                   : QString::number(r);
        }
        text += random.bounded(3) == 0 ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }
    return text;
}

// A header and four columns: an id, a key that is sometimes empty, notes
// quoted over lines or empty, and an amount; now and then an empty row, and
// a short one.
QString wideRecords(int count)
{
    QString text = QStringLiteral("id,key,notes,amount\n");
    for (int r = 0; r < count; ++r) {
        const QString key = r % 7 == 0 ? QString() : QStringLiteral("k%1").arg(r % 5);
        const QString notes = r % 3 == 0 ? QString() : QStringLiteral("\"n,%1\nmore\"").arg(r);
        text += QStringLiteral("%1,%2,%3,%4\n").arg(r).arg(key, notes).arg(r % 11);
        if (r % 50 == 0)
            text += QStringLiteral(",,,\n");
        // A short row leaves the last columns empty.
        if (r % 97 == 5)
            text += QStringLiteral("9,k1\n");
    }
    return text;
}

// The same columns with no quotes, so that most fields are taken a window
// at a time from a file's bytes: white space to trim or simplify around and
// inside the values left out, CR LF and LF line ends, empty rows and rows
// of nothing but white space.
QString unquotedRecords(int count)
{
    QString text = QStringLiteral("id,key,notes,amount\n");
    for (int r = 0; r < count; ++r) {
        const QString id = r % 13 == 0 ? QStringLiteral("  ") : QString::number(r);
        const QString key = r % 7 == 0 ? QString() : QStringLiteral("k%1").arg(r % 5);
        // A bare carriage return stops the windows for a while.
        const QString notes = r % 97 == 2 ? QStringLiteral("\r")
            : r % 3 == 0                  ? QString()
            : r % 3 == 1                  ? QStringLiteral(" n\t%1 ").arg(r)
                                          : QStringLiteral("n%1").arg(r);
        text += QStringLiteral("%1,%2,%3,%4").arg(id, key, notes).arg(r % 11);
        text += r % 4 == 0 ? QStringLiteral("\r\n") : QStringLiteral("\n");
        if (r % 50 == 0)
            text += QStringLiteral(",,,\n");
        if (r % 61 == 0)
            text += QStringLiteral(" ,\t,,\n");
        // Nothing but a value the row test does not read: a row it drops
        // is still not an empty one.
        if (r % 71 == 0)
            text += QStringLiteral("%1,,,\n").arg(r);
    }
    return text;
}

} // namespace

void TestChunkedRead::sameOnOneOrMoreThreads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");

    const QString mixed = mixedRecords(400);
    QTest::newRow("quoted, reports kept") << mixed << "delim=1 quote=1 simp=0 empty=0";
    QTest::newRow("quoted, first rows and empty rows ignored")
        << mixed << "delim=1 quote=1 skip=5 empty=1 trim=1 simp=1";
    QTest::newRow("unterminated quote to the end") << "a,b\n\"open\n" + mixed << "delim=1 quote=1";
    QTest::newRow("unquoted") << mixed << "delim=1 quote=2 empty=0";
    QTest::newRow("plain text") << mixed << "plain=1 empty=0";
}

void TestChunkedRead::sameOnOneOrMoreThreads()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);

    const auto read = [](const QString& text, const QString& opts, int threads, int chunkChars) {
        TextSource source(text);
        return readInChunks(source, options(opts), threads, chunkChars);
    };
    const ReadResult one = read(text, opts, 1, ParseThreads::DefaultChunkChars);
    QVERIFY(one.ok());
    QVERIFY(one.dataset.rowCount() > 100);
    // Small chunks put many cuts inside quoted values and between CR and LF.
    for (int chunkChars : { 1, 7, 64, 1000 }) {
        for (int threads : { 2, 3 }) {
            const ReadResult more = read(text, opts, threads, chunkChars);
            QVERIFY(more.ok());
            QCOMPARE(rowsOf(more.dataset), rowsOf(one.dataset));
            QCOMPARE(more.dataset.columnCount(), one.dataset.columnCount());
            QCOMPARE(more.information, one.information);
            QCOMPARE(more.warnings, one.warnings);
        }
    }
    // A value of the first chunk repeated much later shares its text.
    const QString repeated
        = QStringLiteral("same,1\n") + QStringLiteral("other,2\n").repeated(200) + "same,3\n";
    const Dataset later = read(repeated, "delim=1", 2, 64).dataset;
    QCOMPARE(later.value(later.lastRow(), 0), later.value(0, 0));
    QVERIFY(later.value(later.lastRow(), 0).constData() == later.value(0, 0).constData());
}

void TestChunkedRead::sameFromFileInBytesOrCharacters_data()
{
    QTest::addColumn<QString>("opts");

    QTest::newRow("quoted") << "delim=1 quote=1 simp=0 empty=0";
    QTest::newRow("quoted, trimmed and simplified") << "delim=1 quote=1 trim=1 simp=1";
    QTest::newRow("unquoted") << "delim=1 quote=2 empty=0";
    QTest::newRow("delimiter outside ASCII, low byte a comma") << "delim=8 custom=\u012c quote=2";
}

void TestChunkedRead::sameFromFileInBytesOrCharacters()
{
    QFETCH(QString, opts);

    // Blocks of ASCII (parsed from the bytes of the file) before, between
    // and after blocks with other characters (parsed decoded), with chunk
    // cuts and block ends everywhere, CR LF pairs among them.
    const QString ascii = mixedRecords(3000);
    const QString wide
        = QString(ascii).replace(QLatin1String("plain"), QString::fromUtf8("pl\u00e4in\u0101"));
    const QString text = ascii + wide.left(40000) + ascii + wide.right(3000);
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.csv");
    QVERIFY(writeFile(path, text.toUtf8()));
    const ReadResult whole = readPastedText(text, options(opts));
    QVERIFY(whole.ok());
    for (int chunkChars : { 5000, 20000 }) {
        const ReadResult chunked = readFileInChunks(path, options(opts), 2, chunkChars);
        QVERIFY(chunked.ok());
        QCOMPARE(rowsOf(chunked.dataset), rowsOf(whole.dataset));
        QCOMPARE(chunked.warnings, whole.warnings);
    }
}

void TestChunkedRead::corpusSameInChunks_data()
{
    QTest::addColumn<QString>("path");

    // The seed corpus of the delimited fuzz target: two option bytes, then
    // the file (the CSV files of csv-spectrum among them).
    const QDir corpus(QStringLiteral(VARNIX_TEST_DATA "/../fuzz/corpus/delimited"));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() > 10);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void TestChunkedRead::corpusSameInChunks()
{
    QFETCH(QString, path);

    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray data = in.readAll();
    QVERIFY(data.size() >= 2);
    // The options as the fuzz target takes them from the first two bytes.
    const uchar a = uchar(data[0]);
    const uchar b = uchar(data[1]);
    QString opts
        = QStringLiteral("delim=%1 quote=%2 plain=%3 skip=%4 trim=%5 simp=%6 empty=%7 rep=%8")
              .arg(a % 10)
              .arg((a / 10) % 3)
              .arg(a >> 7)
              .arg((b / 3) % 4)
              .arg((b >> 4) & 1)
              .arg((b >> 5) & 1)
              .arg((b >> 6) & 1)
              .arg(b >> 7);
    ReadOptions o = options(opts);
    o.customDelimiter = QString(QChar(b % 5 == 0 ? '"' : ';'));
    // Repeated past the first block, so that the rest is read in bytes.
    QByteArray text;
    while (text.size() < TextSource::BlockChars + 4000)
        text += data.mid(2) + "\n";
    QTemporaryDir dir;
    const QString file = dir.filePath("corpus.csv");
    QVERIFY(writeFile(file, text));
    const ReadResult whole = readFileInChunks(file, o, 1, ParseThreads::DefaultChunkChars);
    const ReadResult chunked = readFileInChunks(file, o, 2, 256);
    QCOMPARE(rowsOf(chunked.dataset), rowsOf(whole.dataset));
    QCOMPARE(chunked.warnings, whole.warnings);
    QCOMPARE(chunked.information, whole.information);
}

void TestChunkedRead::columnsNotUsedLeftOut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<bool>("rowTest");
    QTest::addColumn<bool>("leftOut");
    // The rows the test keeps: those of key k1, all but k2's, or none.
    QTest::addColumn<int>("keeping");

    const QString wide = wideRecords(300);
    QTest::newRow("quoted") << wide << "delim=1 quote=1 header=1" << false << true << KeepK1;
    QTest::newRow("rows tested") << wide << "delim=1 quote=1 header=1" << true << true << KeepK1;
    // A header is still told from the rows when the test keeps none.
    QTest::newRow("rows tested, none kept, header guessed")
        << wide << "delim=1 quote=1 header=2" << true << true << KeepNone;
    // Past the pool's first check the ids are no longer pooled: their
    // characters go into the column as they are, in the rows the test keeps.
    QTest::newRow("rows tested, ids given up by their pool")
        << wideRecords(60000) << "delim=1 quote=1 header=1" << true << true << KeepMost;
    QTest::newRow("rows tested, values not pooled")
        << wide << "delim=1 quote=1 header=1 pool=0" << true << true << KeepK1;
    QTest::newRow("rows before the header")
        << "skipped\n\n" + wide << "delim=1 quote=1 header=1 skip=1 empty=1" << true << true
        << KeepK1;
    QTest::newRow("empty rows kept, header guessed")
        << wide << "delim=1 quote=1 header=2 empty=0" << false << true << KeepK1;
    // The choice is made for the header's columns: a longer row moves them.
    QTest::newRow("row longer than the header")
        << wide + QStringLiteral("1,k,n,2,extra\n") << "delim=1 quote=1 header=1" << true << false
        << KeepK1;
    // Past the rows looked at first, and a row the test drops.
    QTest::newRow("dropped row longer than the header")
        << wideRecords(6000) + QStringLiteral("1,k,n,2,extra\n") << "delim=1 quote=1 header=1"
        << true << false << KeepK1;
    QTest::newRow("too few rows to tell") << "a,b,c,d\n1,2,3,4\n"
                                          << "delim=1 header=1" << false << false << KeepK1;
    // Fields of the columns left out that lie wholly in a window of bytes
    // are taken without being built; those of the others, and any field
    // begun in an earlier window, are built.
    const QString unquoted = unquotedRecords(3000);
    QTest::newRow("unquoted") << unquoted << "delim=1 quote=1 header=1 trim=0 simp=0 empty=0"
                              << false << true << KeepK1;
    QTest::newRow("unquoted, trimmed")
        << unquoted << "delim=1 quote=1 header=1 trim=1 simp=0" << false << true << KeepK1;
    QTest::newRow("unquoted, simplified")
        << unquoted << "delim=1 quote=1 header=1 trim=0 simp=1" << false << true << KeepK1;
    QTest::newRow("unquoted, doubled delimiters ignored")
        << unquoted << "delim=1 quote=1 header=1 trim=0 simp=0 rep=1" << false << true << KeepK1;
    QTest::newRow("unquoted, rows tested")
        << unquoted << "delim=1 quote=1 header=1 trim=0 simp=0" << true << true << KeepK1;
    // Simplifying alone drops a carriage return: a dropped row of nothing
    // else is an empty one.
    QTest::newRow("rows tested, simplified, a value of a carriage return")
        << unquoted + QStringLiteral(",,\"\r\",\n") << "delim=1 quote=1 header=1 trim=0 simp=1"
        << true << true << KeepK1;
}

// A read told what is read after it makes only that of every row after the
// header (and marks where a value was left out), whatever the number of
// threads, and otherwise reads as if it had not been told. With a row test,
// the rows it keeps have more columns made.
void TestChunkedRead::columnsNotUsedLeftOut()
{
    QFETCH(QString, text);
    QFETCH(QString, opts);
    QFETCH(bool, rowTest);
    QFETCH(bool, leftOut);
    QFETCH(int, keeping);
    const auto keeps = [keeping](const QString& key) {
        return keeping == KeepMost ? key != QLatin1String("k2")
                                   : keeping == KeepK1 && key == QLatin1String("k1");
    };

    ColumnUse use;
    use.columns = { false, true, false, true };
    if (rowTest) {
        use.columns = { false, true, false, false };
        use.keptRowColumns = { true, true, true, false };
        use.makeRowTest
            = [keeps] { return [keeps](const QStringList& row) { return keeps(row.at(1)); }; };
    }
    QStringList seen;
    ReadOptions o = options(opts);
    o.usedColumns = [&](const Dataset& header) {
        seen = header.columnNames();
        return use;
    };
    // Read from the text's characters, and from a file's bytes.
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.csv");
    QVERIFY(writeFile(path, text.toUtf8()));
    for (const auto& [threads, chunkChars, fromFile] :
        { std::tuple(1, ParseThreads::DefaultChunkChars, false), std::tuple(2, 64, false),
            std::tuple(3, 1000, false), std::tuple(2, 1 << 17, false),
            std::tuple(1, ParseThreads::DefaultChunkChars, true), std::tuple(2, 1000, true) }) {
        TextSource fullSource(text);
        const ReadResult full = readInChunks(fullSource, options(opts), threads, chunkChars);
        TextSource source(text);
        const ReadResult read = fromFile ? readFileInChunks(path, o, threads, chunkChars)
                                         : readInChunks(source, o, threads, chunkChars);
        QVERIFY(read.ok());
        QCOMPARE(read.warnings, full.warnings);
        QCOMPARE(read.information, full.information);
        QCOMPARE(read.dataset.columnCount(), full.dataset.columnCount());
        if (!leftOut) {
            QCOMPARE(rowsOf(read.dataset), rowsOf(full.dataset));
            continue;
        }
        // The reader leaves the header in the first row for its caller.
        QCOMPARE(seen, full.dataset.row(0));
        QCOMPARE(read.dataset.row(0), full.dataset.row(0));
        QVERIFY(full.dataset.rowCount() > 300);
        // The rows the test drops are not in the table; values not pooled
        // are made as they are parsed, and then every row is kept.
        const bool tested = rowTest && o.pooling;
        QVector<int> keptRows { 0 };
        for (int r = 1; r < full.dataset.rowCount(); ++r) {
            if (!tested || keeps(full.dataset.value(r, 1)))
                keptRows.append(r);
        }
        QCOMPARE(read.rowsLeftOut, qint64(full.dataset.rowCount() - keptRows.size()));
        ReadResult readHeader = read;
        ReadResult fullHeader = full;
        applyHeaderOption(readHeader, HeaderAutomatic);
        applyHeaderOption(fullHeader, HeaderAutomatic);
        QCOMPARE(readHeader.hasHeader, fullHeader.hasHeader);
        QCOMPARE(read.dataset.rowCount(), keptRows.size());
        const QVector<bool> made = use.anyRow();
        for (int i = 1; i < keptRows.size(); ++i) {
            for (int c = 0; c < made.size(); ++c) {
                const QString& value = full.dataset.value(keptRows.at(i), c);
                const QString& expected
                    = made.at(c) || value.isEmpty() ? value : RowSink::unreadValue();
                QCOMPARE(read.dataset.value(i, c), expected);
            }
        }
    }
}

void TestChunkedRead::firstRowsWhileReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("hasHeader");
    QTest::addColumn<bool>("headerRow");

    const QString records = wideRecords(3000);
    QTest::newRow("header") << records << int(HeaderYes) << true;
    QTest::newRow("no header") << records << int(HeaderNo) << false;
    QTest::newRow("header guessed") << records << int(HeaderAutomatic) << true;
    // Numbers in the first row make it a row.
    QTest::newRow("no header guessed")
        << records.mid(records.indexOf(QLatin1Char('\n')) + 1) << int(HeaderAutomatic) << false;
}

// The first rows of a read in chunks are shown once, while the read goes
// on, with the header as the whole read settles it.
void TestChunkedRead::firstRowsWhileReading()
{
    QFETCH(QString, text);
    QFETCH(int, hasHeader);
    QFETCH(bool, headerRow);

    ReadOptions o = options(QStringLiteral("pool=1"));
    o.hasHeader = hasHeader;
    QVector<Dataset> shown;
    o.firstRows = [&shown](Dataset&& rows) { shown.append(rows); };
    TextSource source(text);
    ReadResult whole = readInChunks(source, o, 2, 256);
    QVERIFY(whole.ok());
    applyHeaderOption(whole, hasHeader);
    QCOMPARE(shown.size(), 1);
    const Dataset& first = shown.first();
    QCOMPARE(first.rowCount(), ReadOptions::FirstRows);
    QCOMPARE(first.hasHeader(), headerRow);
    QCOMPARE(first.columnNames(), whole.dataset.columnNames());
    for (int r : { 0, 1, ReadOptions::FirstRows - 1 })
        QCOMPARE(first.row(r), whole.dataset.row(r));
}

void TestChunkedRead::windowFieldsCleanedAsAnyValue_data()
{
    QTest::addColumn<bool>("trim");
    QTest::addColumn<bool>("simplify");
    QTest::newRow("simplified") << false << true;
    QTest::newRow("trimmed and simplified") << true << true;
    QTest::newRow("trimmed") << true << false;
    QTest::newRow("as they are") << false << false;
}

// Fields of an unquoted text are taken 64 bytes at a time, and a window
// without white space to simplify skips the look for it: each value comes
// out as cleaning it alone gives, whichever white space it holds and
// wherever it stands in its window, from a file's bytes or from a text.
void TestChunkedRead::windowFieldsCleanedAsAnyValue()
{
    QFETCH(bool, trim);
    QFETCH(bool, simplify);
    static const char* const pieces[] = { "plain", "a\tb", "\va", "b\f", " x ", "x\t\ty",
        "twelve chars", "", "ab\x0b\x0c cd", " \t ", "end\t" };
    QRandomGenerator random(29);
    QString text;
    QVector<QStringList> expected;
    for (int r = 0; r < 2000; ++r) {
        QStringList raw { QString::number(r) };
        for (int f = 0; f < 3; ++f) {
            // Now and then a run of plain rows, whose windows are clean.
            const int piece = r % 40 < 10 ? 0 : int(random.bounded(int(std::size(pieces))));
            raw << QString::fromLatin1(pieces[piece]);
        }
        text += raw.join(QLatin1Char(',')) + (r % 5 == 0 ? "\r\n" : "\n");
        QStringList row;
        for (const QString& value : raw)
            row << cleanValue(value, trim, simplify);
        expected << row;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("spaces.csv");
    QVERIFY(writeFile(path, text.toUtf8()));
    const QString opts = QStringLiteral("delim=1 quote=1 trim=%1 simp=%2").arg(trim).arg(simplify);
    for (const auto& [threads, fromFile] :
        { std::pair(1, false), std::pair(2, false), std::pair(1, true), std::pair(2, true) }) {
        TextSource source(text);
        const ReadResult read = fromFile ? readFileInChunks(path, options(opts), threads, 1000)
                                         : readInChunks(source, options(opts), threads, 1000);
        QVERIFY(read.ok());
        QCOMPARE(rowsOf(read.dataset), expected);
    }
}

QTEST_GUILESS_MAIN(TestChunkedRead)
// A column the table keeps in plain texts writes each value's characters
// anyway: the chunks read for it do not pool it, nor does a seed grown after
// it turned plain.
void TestChunkedRead::plainColumnsNotPooled()
{
    Dataset table;
    table.setColumnCount(3);
    table.keepPlainTexts(1);
    table.appendRow({ "a", "b", "c" });
    const auto poolsOf = [](int count, const QString& value) {
        std::vector<ValuePool> found;
        found.resize(size_t(count));
        for (ValuePool& pool : found)
            pool.intern(value);
        return found;
    };
    const auto retired = [](const std::vector<ValuePool>& pools) {
        QVector<bool> retired;
        for (const ValuePool& pool : pools)
            retired.append(pool.isRetired());
        return retired;
    };
    // Chunks without a seed and with one that still pools every column.
    const ValueSeed pooling = grownSeed(nullptr, poolsOf(3, "v"), true);
    for (const ValueSeed& seed : { ValueSeed(), pooling }) {
        RowSink target(&table, ReadOptions());
        RowSink collector = RowSink::collectorFor(target, seed.get(), false);
        for (int r = 0; r < 4; ++r) {
            for (const char* value : { "x", "y", "z" })
                QVERIFY(collector.addBytes(value, 1, true));
            collector.endRow();
        }
        collector.finishChunk();
        QCOMPARE(retired(collector.takePools()), (QVector<bool> { false, true, false }));
    }

    const ValueSeed first = grownSeed(nullptr, poolsOf(3, "v"), true, table.plainColumns());
    QCOMPARE(retired(*first), (QVector<bool> { false, true, false }));
    // The third column turned plain since, and a fourth came, plain.
    const ValueSeed later
        = grownSeed(first, poolsOf(4, "w"), false, QVector<bool> { false, true, true, true });
    QCOMPARE(retired(*later), (QVector<bool> { false, true, true, true }));
    QCOMPARE((*later)[0].size(), 2);
}

#include "tst_chunkedread.moc"
