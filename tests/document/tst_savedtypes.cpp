// Every option of the list, reshape and stamp types comes back unchanged
// from a saved document, and the loaded graph gives the same result.
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "documenttestkinds.h"
#include "graph/graphmodel.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "tests/input/testsupport.h"
#include "transforms/support/conditions.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QChar US(0x1F);

DocInput* addInput(GraphModel& scene, const QString& text, qreal y)
{
    auto* in = new DocInput;
    in->setId(-1);
    in->medium = 1;
    in->text = text;
    in->setPos(0, y);
    scene.insertNode(in);
    return in;
}

QString tableText(const Dataset& d)
{
    QStringList lines { d.columnNames().join(QLatin1Char('|')) };
    for (const Dataset::Row& r : d.rowLists())
        lines.append(r.join(QLatin1Char('|')));
    return lines.join(QLatin1Char(';'));
}

// Each option as key=stored text, the parts of a list separated by "|".
using Settings = QStringList;

} // namespace

class TestSavedTypes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qSetGlobalQHashSeed(0);
        registerDocumentTestKinds();
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void roundTrip_data();
    void roundTrip();

private:
    QTemporaryDir m_dir;
};

void TestSavedTypes::roundTrip_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("twoInputs");
    QTest::addColumn<Settings>("settings");
    addRow("Stack", "Stack", true,
        Settings { "Match_By=Position", "Add_Source=1", "Source_Name=From" });
    addRow("Difference", "Difference", true,
        Settings {
            "Top_Key_Columns=0", "Bottom_Key_Columns=0", "Case_Sensitive=0", "Show_Unchanged=1" });
    addRow("Split Rows", "Split_Rows", false,
        Settings { "Split_By=0|0|0| ", "Drop_Empty=0", "Add_Group_Column=1" });
    addRow("List", "List", false,
        Settings { "Columns=3", "Separator= ", "Drop_Duplicates=1", "Sort=Reverse alphabetical",
            "New_Separator=1", "Join_Separator=+" });
    addRow("Slide", "Slide", false, Settings { "Columns=1|2", "Slide=Shift left", "Places=1" });
    addRow("Split Name", "Split_Name", false, Settings { "Column=3", "Middle=0", "Suffix=0" });
    addRow(
        "Stamp", "Stamp", false, Settings { "Stamp=Text", "Text=from {a}", "Column_Name=Origin" });
    addRow("File Info", "File_Info", false, Settings { "Column=1", "Size=0", "SHA256=1" });
    addRow("Sequence", "Sequence", false,
        Settings { "Column=4", "Step=Day", "Step_Size=1", "Fill=Copy of previous row" });
    addRow("Concat Rows", "Concat_Rows", false,
        Settings { "Test_Column=2", "Operation=" + conditionOperatorNames().at(OpIsEmpty),
            "Separator=/" });
    addRow("New Rows", "New_Rows", false,
        Settings { "Where=After matching rows", "Count=2", "Test_Column=0",
            "Operation=" + conditionOperatorNames().at(OpEqual), "Value=3", "Case_Sensitive=1",
            "Values=new;$(name)", "Separator=;" });
}

void TestSavedTypes::roundTrip()
{
    QFETCH(QString, type);
    QFETCH(bool, twoInputs);
    QFETCH(Settings, settings);
    GraphModel scene;
    QList<Node*> inputs { addInput(scene,
        "id,Phone 1,Phone 2,name,when\n1,a,b,Dr Ann Lee,2026-01-01\n3,c,,Bo Wu,2026-01-03", 0) };
    if (twoInputs)
        inputs << addInput(scene, "id,Phone 1,name\n1,x,Ann\n2,y,Bo", 100);
    auto* node = new TransformNode(Catalogue::instance().create(type));
    node->setId(-1);
    node->setPos(200, 200);
    scene.insertNode(node);
    for (Node* in : inputs)
        scene.insertConnection(in, node);
    node->upstreamChanged();
    scene.process(GraphModel::RunAll, true);
    Transform* t = node->transform();
    for (const QString& s : settings) {
        const int eq = s.indexOf(QLatin1Char('='));
        TransformParameter* p = t->parameter(s.left(eq));
        QVERIFY2(p, qPrintable(s));
        p->deserialise(s.mid(eq + 1).replace(QLatin1Char('|'), US));
    }
    // Relative paths are taken from the document's folder, so the graph runs
    // as the saved document it is about to become.
    const QString path = m_dir.filePath(type + QStringLiteral(".transform"));
    scene.setDocumentPath(path);
    node->setStatus(StatusNeedsUpdating, true);
    scene.process(GraphModel::RunAll, true);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QVERIFY(node->dataset().hasRows());
    QStringList before;
    for (const TransformParameter* p : t->parameters())
        before << p->key() + QLatin1Char('=') + p->serialise();

    QString error;
    QVERIFY2(DocumentWriter::save(scene, path, DocumentInfo(), SaveOptions(), &error),
        qPrintable(error));
    GraphModel loaded;
    QVERIFY2(DocumentReader::load(path, loaded, nullptr, nullptr, &error), qPrintable(error));
    loaded.process(GraphModel::RunAll, true);
    TransformNode* copy = nullptr;
    for (Node* n : loaded.nodes())
        copy = copy ? copy : qobject_cast<TransformNode*>(n);
    QVERIFY(copy);
    QStringList after;
    for (const TransformParameter* p : copy->transform()->parameters())
        after << p->key() + QLatin1Char('=') + p->serialise();
    QCOMPARE(after, before);
    QCOMPARE(tableText(copy->dataset()), tableText(node->dataset()));
    QCOMPARE(copy->transform()->resultSummary(), t->resultSummary());
}

QTEST_MAIN(TestSavedTypes)
#include "tst_savedtypes.moc"
