// Replacing a file in one step: scratch files unique to each write, removed
// unless committed, and a commit that leaves the old file or the new one,
// never none.
#include "core/scratchfile.h"
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
