// Rows put aside on disk come back exactly as written, a damaged file says
// so, a full disk names the folder, and the folder goes with its owner.

#include "core/dataset.h"
#include "core/spillfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestSpillFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void truncatedFileIsAnError();
    void fullDiskNamesTheFolder();
    void missingFolderIsAnError();
    void folderGoesWithItsOwner();

private:
    QTemporaryDir m_dir;
};

namespace {

// Writes the rows of the table with the given row numbers, in one go or in
// pieces of the given number of rows.
QString writeRows(SpillFolder* folder, const Dataset& rows, const QVector<qint64>& numbers,
    QString* error = nullptr)
{
    SpillWriter writer(folder);
    bool written = writer.open();
    RowReader reader(rows);
    QByteArray encoded;
    for (int r = 0; written && r < rows.rowCount(); ++r) {
        reader.setRow(r);
        SpillWriter::encodeRow(encoded, numbers.at(r), reader);
        if (encoded.size() > 100) {
            written = writer.append(encoded);
            encoded.clear();
        }
    }
    written = written && writer.append(encoded) && writer.close();
    if (error)
        *error = writer.errorText();
    return written ? writer.path() : QString();
}

QStringList texts(const QVector<SpillReader::Cell>& cells)
{
    QStringList list;
    for (const SpillReader::Cell& cell : cells)
        list << cell.text();
    return list;
}

} // namespace

void TestSpillFile::roundTrip_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QVector<qint64>>("numbers");
    const QString longText = QString(3 * 1024 * 1024, QLatin1Char('x')) + QStringLiteral("€");
    QTest::newRow("plain") << QList<QStringList> { { "1", "Berlin" }, { "2", "Paris" } }
                           << QVector<qint64> { 0, 1 };
    QTest::newRow("empty cells and rows") << QList<QStringList> { { "", "" }, { "a", "" },
        { "", "b" } } << QVector<qint64> { 5, 3, 9 };
    QTest::newRow("beyond ASCII") << QList<QStringList> { { "Évora", "日本" },
        { "\xF0\x9F\x98\x80", "ß" } }
                                  << QVector<qint64> { 7, 8 };
    // Row numbers past 32 bits and lengths of several bytes.
    QTest::newRow("large numbers") << QList<QStringList> { { "x", QString(300, QLatin1Char('y')) } }
                                   << QVector<qint64> { qint64(1) << 40 };
    // A cell larger than the writer's and reader's buffers.
    QTest::newRow("long cell") << QList<QStringList> { { "a", longText }, { "b", "c" } }
                               << QVector<qint64> { 0, 1 };
}

void TestSpillFile::roundTrip()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QVector<qint64>, numbers);
    Dataset table;
    table.setColumnCount(2);
    for (const QStringList& row : rows)
        table.appendRow(row);
    SpillFolder folder(m_dir.path());
    const QString path = writeRows(&folder, table, numbers);
    QVERIFY(!path.isEmpty());

    SpillReader reader(path);
    QVERIFY(reader.open());
    qint64 number = -1;
    QVector<SpillReader::Cell> cells;
    for (int r = 0; r < rows.size(); ++r) {
        QVERIFY(reader.next(&number, &cells));
        QCOMPARE(number, numbers.at(r));
        QCOMPARE(texts(cells), rows.at(r));
    }
    QVERIFY(!reader.next(&number, &cells));
    QCOMPARE(reader.errorText(), QString());
}

void TestSpillFile::truncatedFileIsAnError()
{
    Dataset table;
    table.setColumnCount(2);
    table.appendRow({ "first", "row" });
    table.appendRow({ "second", "row" });
    SpillFolder folder(m_dir.path());
    const QString path = writeRows(&folder, table, { 0, 1 });
    QFile file(path);
    QVERIFY(file.resize(file.size() - 2));

    SpillReader reader(path);
    QVERIFY(reader.open());
    qint64 number = -1;
    QVector<SpillReader::Cell> cells;
    QVERIFY(reader.next(&number, &cells));
    QVERIFY(!reader.next(&number, &cells));
    QVERIFY2(reader.errorText().contains(QStringLiteral("ends in the middle of a row")),
        qPrintable(reader.errorText()));
}

void TestSpillFile::fullDiskNamesTheFolder()
{
    Dataset table;
    table.setColumnCount(1);
    for (int r = 0; r < 100; ++r)
        table.appendRow({ QStringLiteral("value %1").arg(r) });
    SpillFolder folder(m_dir.path());
    folder.setCapacity(50);
    QString error;
    QVERIFY(writeRows(&folder, table, QVector<qint64>(100, 0), &error).isEmpty());
    QCOMPARE(error,
        QStringLiteral("Unable to write to the temporary folder '%1': %2")
            .arg(QDir::toNativeSeparators(m_dir.path()), qt_error_string(ENOSPC)));
}

void TestSpillFile::missingFolderIsAnError()
{
    const QString missing = m_dir.filePath(QStringLiteral("no/such/folder"));
    SpillFolder folder(missing);
    QVERIFY(folder.newFilePath().isEmpty());
    QVERIFY2(
        folder.errorText().startsWith(QStringLiteral("Unable to create a temporary folder in '%1'")
                                          .arg(QDir::toNativeSeparators(missing))),
        qPrintable(folder.errorText()));
}

void TestSpillFile::folderGoesWithItsOwner()
{
    const QString parent = m_dir.filePath(QStringLiteral("owner"));
    QVERIFY(QDir().mkpath(parent));
    {
        SpillFolder folder(parent);
        Dataset table;
        table.setColumnCount(1);
        table.appendRow({ "kept until the folder goes" });
        QVERIFY(!writeRows(&folder, table, { 0 }).isEmpty());
        QCOMPARE(QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    }
    QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestSpillFile)
#include "tst_spillfile.moc"
