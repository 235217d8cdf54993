// Saving when the disk says no: a full disk (a file-size limit), a folder
// that cannot be written, a process killed in the middle of a save. Each
// ends in an error naming the file, or in the old or the new document,
// never in a broken one.
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "document/heldfile.h"
#include "graph/graphmodel.h"
#include "graph/notenode.h"
#include "output/outputfile.h"
#include "tests/input/testsupport.h"
#include "tests/output/filesizelimit.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

const char* const LoopVariable = "VARNIX_SAVE_LOOP";

// A document of the given number of notes, each with a long text so that
// a save takes a while and spans many writes.
void fillScene(GraphModel& scene, int notes)
{
    for (int i = 0; i < notes; ++i) {
        auto* note = new NoteNode;
        note->setId(i + 1);
        note->setComment(QString(400, QLatin1Char('a' + i % 26)));
        scene.insertNode(note);
    }
}

int noteCount(const QString& path)
{
    GraphModel scene;
    if (!DocumentReader::load(path, scene, nullptr, nullptr, nullptr))
        return -1;
    return scene.nodes().size();
}

// The child of the kill test: saves two documents in turn, through the held
// file or atomically, until it is killed.
int saveLoop(const QString& path, bool held)
{
    GraphModel small;
    GraphModel large;
    fillScene(small, 100);
    fillScene(large, 300);
    HeldDocumentFile file;
    if (held && !file.open(path))
        return 2;
    SaveOptions options;
    for (int i = 0;; ++i) {
        options.heldFile = held ? file.file() : nullptr;
        if (!DocumentWriter::save(i % 2 ? large : small, path, DocumentInfo(), options, nullptr))
            return 3;
        // Tells the parent a save is complete, so that it can time its kill
        // by the saves rather than by the clock of a loaded machine.
        std::printf("saved\n");
        std::fflush(stdout);
    }
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void fullDisk_data();
    void fullDisk();
    void readOnlyFolder_data();
    void readOnlyFolder();
    void killedDuringSave_data();
    void killedDuringSave();

private:
    bool write(const QString& kind, const QString& path, QString* error);
    QTemporaryDir m_dir;
};

// Writes a document (through the held file or atomically) or an output file
// of about 100 KB.
bool TestSaveFaults::write(const QString& kind, const QString& path, QString* error)
{
    if (kind == QLatin1String("output")) {
        Dataset data;
        data.setColumnCount(1);
        for (int r = 0; r < 1000; ++r)
            data.appendRow({ QString(100, QLatin1Char('x')) });
        const TextWriteResult result = writeTextFile(path, data, FileWriteOptions());
        *error = result.warnings.join(QLatin1Char('\n'));
        return !result.error;
    }
    GraphModel scene;
    fillScene(scene, 250);
    HeldDocumentFile held;
    SaveOptions options;
    if (kind == QLatin1String("held document")) {
        if (!held.open(path))
            return false;
        options.heldFile = held.file();
    }
    return DocumentWriter::save(scene, path, DocumentInfo(), options, error);
}

void TestSaveFaults::fullDisk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    addRow("document", "document", "Can't save to file.");
    addRow("held document", "held document", "Failed to write to file '%1'.");
    addRow("output", "output", "Unable to write '%1'");
}

void TestSaveFaults::fullDisk()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString path = m_dir.filePath(kind + QStringLiteral(".out"));
    const QByteArray previous("the previous file\n");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(previous);
    old.close();
    QString error;
    bool written = false;
    {
        const FileSizeLimit limit(16 * 1024);
        written = write(kind, path, &error);
    }
    QVERIFY(!written);
    QVERIFY2(error.contains(message.arg(QDir::toNativeSeparators(path))), qPrintable(error));
    QCOMPARE(readFile(path), previous);
}

void TestSaveFaults::readOnlyFolder_data()
{
    fullDisk_data();
}

void TestSaveFaults::readOnlyFolder()
{
    QFETCH(QString, kind);
    if (geteuid() == 0)
        QSKIP("This user can write into read-only folders");
    const QString folder = m_dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/") + kind + QStringLiteral(".out");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    const bool written = write(kind, path, &error);
    QFile::setPermissions(
        folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!written);
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)) || kind == QLatin1String("document"),
        qPrintable(error));
    QCOMPARE(readFile(path), QByteArray("old"));
}

void TestSaveFaults::killedDuringSave_data()
{
    QTest::addColumn<bool>("held");
    addRow("held file", true);
    addRow("atomic", false);
}

// Killed at random moments, 60 times per way of saving: what is left under
// the document's name is always one of the two documents, whole.
void TestSaveFaults::killedDuringSave()
{
    QFETCH(bool, held);
    const QString path = m_dir.filePath(
        held ? QStringLiteral("held.transform") : QStringLiteral("atomic.transform"));
    {
        GraphModel first;
        fillScene(first, 100);
        QVERIFY(DocumentWriter::save(first, path, DocumentInfo(), SaveOptions(), nullptr));
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(LoopVariable), path);
    env.insert(
        QStringLiteral("VARNIX_SAVE_HELD"), held ? QStringLiteral("1") : QStringLiteral("0"));
    QRandomGenerator random(held ? 7 : 11);
    QSet<int> seen;
    for (int kill = 0; kill < 60; ++kill) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForStarted());
        // After one to three complete saves (so either document may be the
        // last whole one), at a random moment of the next save.
        const int saves = 1 + int(random.bounded(3));
        QByteArray told;
        int done = 0;
        while (done < saves && child.waitForReadyRead(60000)) {
            told += child.readAll();
            done = told.count("saved\n");
        }
        QVERIFY2(done >= saves, "the saving process made no progress");
        QThread::usleep(random.bounded(20000));
        QVERIFY2(child.state() == QProcess::Running, "the saving process ended by itself");
        child.kill();
        child.waitForFinished();
        const int notes = noteCount(path);
        QVERIFY2(notes == 100 || notes == 300,
            qPrintable(QStringLiteral("kill %1 left %2 notes").arg(kill).arg(notes)));
        seen.insert(notes);
    }
    // Both documents were seen, so the kills did land during saves.
    QCOMPARE(seen.size(), 2);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString loop = qEnvironmentVariable(LoopVariable);
    if (!loop.isEmpty())
        return saveLoop(loop, qEnvironmentVariable("VARNIX_SAVE_HELD") == QLatin1String("1"));
    TestSaveFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_savefaults.moc"
