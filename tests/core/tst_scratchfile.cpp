// Replacing a file in one step: scratch files unique to each write, removed
// unless committed, and a commit that leaves the old file or the new one,
// never none.
#include "core/scratchfile.h"
#include "core/writebacksavefile.h"
#include "tests/output/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestScratchFile : public QObject
{
    Q_OBJECT

private slots:
    // A folder of its own for each test, so that each sees only its files.
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    // Two writes of one file at once each have their own scratch file, and
    // the one committed last is what stays.
    void concurrentWritesDoNotShare()
    {
        const QString target = m_folder->filePath(QStringLiteral("book.xlsx"));
        ScratchFile first(target);
        ScratchFile second(target);
        QVERIFY(first.isValid() && second.isValid());
        QVERIFY(first.path() != second.path());
        QCOMPARE(QFileInfo(first.path()).absolutePath(), QFileInfo(target).absolutePath());
        put(first.path(), "first");
        put(second.path(), "second");
        QVERIFY(first.commit());
        QVERIFY(second.commit());
        QCOMPARE(contents(target), QByteArray("second"));
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden),
            QStringList { QStringLiteral("book.xlsx") });
    }

    // The old file's permissions stay with the new one; a scratch file not
    // committed goes, and the old file is untouched.
    void commitKeepsPermissionsAndAbandonLeavesNothing()
    {
        const QString target = m_folder->filePath(QStringLiteral("kept.pdf"));
        put(target, "old");
        const QFileDevice::Permissions narrow = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(target, narrow));
        {
            ScratchFile abandoned(target);
            put(abandoned.path(), "never");
        }
        QCOMPARE(contents(target), QByteArray("old"));
        ScratchFile scratch(target);
        put(scratch.path(), "new");
        QVERIFY(scratch.commit());
        QCOMPARE(contents(target), QByteArray("new"));
        QCOMPARE(QFile::permissions(target), narrow);
        QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void missingFolder()
    {
        ScratchFile scratch(m_folder->filePath(QStringLiteral("no/such/folder/x.png")));
        QVERIFY(!scratch.isValid());
        QVERIFY(!scratch.commit());
    }

    // A save file that hands its bytes to the disk as it goes, and lets go
    // of them some strides behind, still holds every byte in order after
    // commit(), in small writes (buffered by the device) as in large ones.
    void writebackKeepsEveryByte_data()
    {
        QTest::addColumn<int>("pieceSize");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("handsSome");
        QTest::addColumn<bool>("letsGoOfSome");
        const int stride = int(WritebackSaveFile::Stride);
        // Pages are let go of only a stride past the distance kept behind.
        const int strides = int(WritebackSaveFile::LetGoBehind / stride) + 2;
        QTest::newRow("under a stride") << 4096 << 100 << false << false;
        QTest::newRow("a stride and a half") << stride / 2 + 1 << 3 << true << false;
        QTest::newRow("short of letting go") << stride / 2 + 1 << 2 * strides - 3 << true << false;
        QTest::newRow("small pieces") << 1000 << stride / 1000 * strides + 7 << true << true;
        QTest::newRow("pieces over a stride") << stride + 12345 << strides << true << true;
        QTest::newRow("pieces across strides") << stride / 3 + 1 << 3 * strides + 1 << true << true;
    }
    void writebackKeepsEveryByte()
    {
        QFETCH(int, pieceSize);
        QFETCH(int, pieces);
        QFETCH(bool, handsSome);
        QFETCH(bool, letsGoOfSome);
        const QString target = m_folder->filePath(QStringLiteral("out.csv"));
        put(target, "old");
        QByteArray expected;
        WritebackSaveFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < pieces; ++i) {
            // Each piece differs from the one before, so that a piece lost,
            // repeated or moved shows.
            QByteArray piece(pieceSize, char('a' + i % 26));
            piece.replace(0, 8, QByteArray::number(i).rightJustified(8, '0'));
            QCOMPARE(file.write(piece), qint64(pieceSize));
            expected += piece;
            // Only what was written goes to disk, and only what went is let go.
            QVERIFY(file.bytesHandedToDisk() <= expected.size());
            QVERIFY(file.bytesLetGo() <= file.bytesHandedToDisk() - WritebackSaveFile::LetGoBehind
                || file.bytesLetGo() == 0);
        }
        QCOMPARE(file.bytesHandedToDisk() >= WritebackSaveFile::Stride, handsSome);
        QCOMPARE(file.bytesLetGo() >= WritebackSaveFile::Stride, letsGoOfSome);
        QCOMPARE(contents(target), QByteArray("old"));
        QVERIFY(file.commit());
        QVERIFY(contents(target) == expected);
    }

    // Bytes made in memory replace a file only when every one was written.
    void wholeFileOnFullDisk()
    {
        const QString target = m_folder->filePath(QStringLiteral("chart.png"));
        put(target, "old");
        bool saved = true;
        {
            const FileSizeLimit limit(1024);
            saved = saveWholeFile(target, QByteArray(64 * 1024, 'x'));
        }
        QVERIFY(!saved);
        QCOMPARE(contents(target), QByteArray("old"));
        QVERIFY(saveWholeFile(target, "new"));
        QCOMPARE(contents(target), QByteArray("new"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_GUILESS_MAIN(TestScratchFile)
#include "tst_scratchfile.moc"
