// Copy and paste of items, the held document file and the auto-recovery
// file.
#include "core/userprompt.h"
#include "document/autorecovery.h"
#include "document/clipboard.h"
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "document/heldfile.h"
#include "document/startup.h"
#include "documenttestkinds.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/transformnode.h"
#include "tests/input/testsupport.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

DocInput* addInput(GraphModel& scene, qreal y)
{
    auto* in = new DocInput;
    in->setId(-1);
    in->medium = 1;
    in->text = QStringLiteral("a,b\n1,2");
    in->setPos(0, y);
    scene.insertNode(in);
    return in;
}

TransformNode* addTransform(GraphModel& scene, Node* from, qreal y)
{
    auto* node = new TransformNode(Catalogue::instance().create(QStringLiteral("Test_All")));
    node->setId(-1);
    node->setPos(0, y);
    scene.insertNode(node);
    scene.insertConnection(from, node);
    node->upstreamChanged();
    return node;
}

} // namespace

class TestDocumentSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void copyKeepsConnectionsAmongSelectedItems();
    void pasteGivesFreshIds();
    void pasteRefusesOtherDocuments_data();
    void pasteRefusesOtherDocuments();
    void heldFileIsRewrittenInPlace();
    void heldFileRefusesSecondHolder();
    void recoveryFile();
    void recoveryTimerWritesOnlyWithChanges();
    void startupDocument_data();
    void startupDocument();
    void missingInputs();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_temp;
};

void TestDocumentSession::initTestCase()
{
    qSetGlobalQHashSeed(0);
    registerDocumentTestKinds();
    QVERIFY(m_dir.isValid() && m_temp.isValid());
    // The recovery file lives in the temporary folder; keep ours apart.
    qputenv("TMPDIR", m_temp.path().toLocal8Bit());
}

void TestDocumentSession::copyKeepsConnectionsAmongSelectedItems()
{
    GraphModel scene;
    DocInput* in = addInput(scene, 0);
    TransformNode* t = addTransform(scene, in, 100);
    auto* out = new DocOutput;
    out->setId(-1);
    scene.insertNode(out);
    Connection* toOut = scene.insertConnection(t, out);
    in->setSelected(true);
    t->setSelected(true);
    for (Connection* c : scene.connections())
        c->setSelected(true);
    std::unique_ptr<QMimeData> data(ItemClipboard::copySelection(scene));
    QVERIFY(data->hasFormat(QStringLiteral("application/varnix-transformfile")));
    QCOMPARE(data->data(QStringLiteral("application/xml")),
        data->data(QStringLiteral("application/varnix-transformfile")));

    QDomDocument doc;
    QString error;
    QVERIFY(DocumentReader::parse(data->data(ItemClipboard::mimeType()), &doc, &error));
    const QDomElement root = doc.documentElement();
    QCOMPARE(root.firstChildElement("inputs").elementsByTagName("input").size(), 1);
    QCOMPARE(root.firstChildElement("transforms").elementsByTagName("transform").size(), 1);
    QCOMPARE(root.firstChildElement("outputs").elementsByTagName("output").size(), 0);
    const QDomNodeList connections
        = root.firstChildElement("connections").elementsByTagName("connection");
    QCOMPARE(connections.size(), 1);
    QCOMPARE(connections.at(0).toElement().attribute("start_id").toInt(), in->id());
    Q_UNUSED(toOut)
}

void TestDocumentSession::pasteGivesFreshIds()
{
    GraphModel source;
    DocInput* in = addInput(source, 0);
    TransformNode* t = addTransform(source, in, 100);
    t->transform()->parameter(QStringLiteral("P_7"))->deserialise(QStringLiteral("kept"));
    source.selectAll();
    std::unique_ptr<QMimeData> data(ItemClipboard::copySelection(source));

    GraphModel target;
    DocInput* existing = addInput(target, 0);
    existing->setSelected(true);
    QString error;
    const QList<Node*> pasted = ItemClipboard::paste(data.get(), target, &error);
    QCOMPARE(pasted.size(), 2);
    QCOMPARE(target.nodes().size(), 3);
    QCOMPARE(target.connections().size(), 1);
    QVERIFY(!existing->isSelected());
    // Ids are numbered per document: unique within the target is what counts.
    QSet<qint32> ids { existing->id() };
    for (Node* n : pasted) {
        QVERIFY(n->isSelected());
        QVERIFY(!ids.contains(n->id()));
        ids.insert(n->id());
    }
    auto* copy = dynamic_cast<TransformNode*>(target.connections().first()->endNode());
    QVERIFY(copy);
    QCOMPARE(copy->transform()->parameter(QStringLiteral("P_7"))->text(), QStringLiteral("kept"));
    QVERIFY(pasted.contains(target.connections().first()->startNode()));
    QVERIFY(target.canUndo());
    QCOMPARE(target.undoLabel(), QStringLiteral("paste"));
}

void TestDocumentSession::pasteRefusesOtherDocuments_data()
{
    QTest::addColumn<QByteArray>("text");
    addRow("other type", QByteArray("<!DOCTYPE Other><root/>"));
    addRow("no type", QByteArray("<root/>"));
}

void TestDocumentSession::pasteRefusesOtherDocuments()
{
    QFETCH(QByteArray, text);
    QMimeData data;
    data.setData(ItemClipboard::mimeType(), text);
    GraphModel scene;
    QString error;
    QVERIFY(ItemClipboard::paste(&data, scene, &error).isEmpty());
    QCOMPARE(error, QStringLiteral("Incorrect document type pasted."));
    QVERIFY(scene.nodes().isEmpty());
}

void TestDocumentSession::heldFileIsRewrittenInPlace()
{
    const QString path = m_dir.filePath(QStringLiteral("held.transform"));
    HeldDocumentFile held;
    QVERIFY(held.open(path));
    GraphModel scene;
    DocumentInfo info;
    info.notes = QString(2000, QLatin1Char('x'));
    SaveOptions options;
    options.heldFile = held.file();
    QString error;
    QVERIFY2(DocumentWriter::save(scene, path, info, options, &error), qPrintable(error));
    const qint64 longSize = QFileInfo(path).size();
    info.notes = QStringLiteral("short");
    QVERIFY(DocumentWriter::save(scene, path, info, options, &error));
    // The shorter text must not leave the tail of the longer one behind.
    QVERIFY(QFileInfo(path).size() < longSize);
    GraphModel loaded;
    DocumentInfo back;
    QVERIFY2(DocumentReader::load(path, loaded, &back, nullptr, &error), qPrintable(error));
    QCOMPARE(back.notes, QStringLiteral("short"));
    QVERIFY(readFile(path).endsWith("</root>\n"));
}

void TestDocumentSession::heldFileRefusesSecondHolder()
{
    const QString path = m_dir.filePath(QStringLiteral("locked.transform"));
    HeldDocumentFile first;
    QVERIFY(first.open(path));
    HeldDocumentFile second;
    QVERIFY(!second.open(path));
    NonInteractivePrompt cancel(false);
    QVERIFY(!second.openForEditing(path, cancel));
    QCOMPARE(cancel.lastQuestion(), HeldDocumentFile::cannotHoldQuestion(path));
    QVERIFY(cancel.lastQuestion().startsWith(
        QStringLiteral("Cannot open '%1' to write.\n").arg(QDir::toNativeSeparators(path))));
    NonInteractivePrompt readOnly(true);
    QVERIFY(second.openForEditing(path, readOnly));
    QVERIFY(!second.isOpen());
    first.close();
    QVERIFY(second.open(path));
}

void TestDocumentSession::recoveryFile()
{
    QCOMPARE(
        AutoRecovery::filePath(), m_temp.filePath(QStringLiteral("VRXAutoRecovery.transform")));
    AutoRecovery::remove();
    NonInteractivePrompt prompt(true);
    QVERIFY(!AutoRecovery::offer(prompt));
    QVERIFY(prompt.lastQuestion().isEmpty());

    GraphModel scene;
    addInput(scene, 0);
    QVERIFY(AutoRecovery::write(scene, m_dir.filePath("doc.transform"), DocumentInfo(), nullptr));
    QVERIFY(AutoRecovery::exists());
    GraphModel recovered;
    QVERIFY(DocumentReader::load(AutoRecovery::filePath(), recovered, nullptr, nullptr, nullptr));
    QCOMPARE(recovered.nodes().size(), 1);
    // Only the one running instance is offered the file; a test runner is
    // not one, so the question is checked through its text.
    QCOMPARE(AutoRecovery::offerQuestion(QStringLiteral("3 minutes")),
        QStringLiteral(
            "An automatic recovery file was created 3 minutes ago. Do you wish to open it?"));
    AutoRecovery::remove();
    QVERIFY(!AutoRecovery::exists());
    const QDateTime now = QDateTime::currentDateTime();
    QCOMPARE(AutoRecovery::ageText(now.addSecs(-60), now), QStringLiteral("1 minute"));
    QCOMPARE(AutoRecovery::ageText(now.addSecs(-7200), now), QStringLiteral("2 hours"));
}

void TestDocumentSession::recoveryTimerWritesOnlyWithChanges()
{
    bool changed = false;
    int writes = 0;
    AutoRecoveryTimer timer([&] { return changed; }, [&] { ++writes; });
    timer.onTimeout();
    QCOMPARE(writes, 0);
    changed = true;
    timer.start(10);
    QTRY_VERIFY(writes >= 1);
    timer.stop();
}

void TestDocumentSession::startupDocument_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<int>("preference");
    QTest::addColumn<int>("choice");
    addRow("named wins", true, true, 1, int(StartupDocument::Named));
    addRow("new window", false, true, 1, int(StartupDocument::Nothing));
    addRow("nothing", false, false, 0, int(StartupDocument::Nothing));
    addRow("previous", false, false, 1, int(StartupDocument::Previous));
    addRow("recent list", false, false, 2, int(StartupDocument::RecentList));
}

void TestDocumentSession::startupDocument()
{
    QFETCH(bool, named);
    QFETCH(bool, newWindow);
    QFETCH(int, preference);
    AutoRecovery::remove();
    const QString documentPath = named ? QStringLiteral("a.transform") : QString();
    NonInteractivePrompt prompt(true);
    QTEST(int(chooseStartupDocument(documentPath, newWindow, prompt, preference)), "choice");
    QVERIFY(prompt.lastQuestion().isEmpty());
}

void TestDocumentSession::missingInputs()
{
    GraphModel scene;
    const QString present = m_dir.filePath(QStringLiteral("present.csv"));
    QFile f(present);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QStringList paths { present, "/no/a.csv", "/no/b.csv", "/no/a.csv" };
    for (int i = 0; i < paths.size(); ++i) {
        DocInput* in = addInput(scene, i * 100);
        in->medium = 0;
        in->path = paths.at(i);
    }
    DocInput* folder = addInput(scene, 500);
    folder->medium = 2;
    folder->folder = present;
    QCOMPARE(DocumentChecks::missingInputPaths(scene),
        (QStringList { "/no/a.csv", "/no/b.csv", QDir::toNativeSeparators(present) }));
    QCOMPARE(DocumentChecks::missingInputsQuestion({ "/x.csv" }),
        QStringLiteral("The following input file cannot be found:\n\n/x.csv\n\nDo you wish to "
                       "choose a new input file?"));
    const QStringList seven { "1", "2", "3", "4", "5", "6", "7" };
    QCOMPARE(DocumentChecks::missingInputsQuestion(seven),
        QStringLiteral("The following 7 input files cannot be found:\n\n1\n2\n3\n4\n5\n+ 2 "
                       "more\n\nDo you wish to choose new input files?"));
    QVERIFY(DocumentChecks::missingInputsQuestion({}).isEmpty());
}

QTEST_MAIN(TestDocumentSession)
#include "tst_documentsession.moc"
