// A double click on a result cell that keeps its rows opens them in a
// window of their own; Pivot's options in the item pane.
#include "graph/graphmodel.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/drilldowndialog.h"
#include "ui/itempane.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QTableView>
#include <QTest>

class TestDrilldown : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(m_settingsDir); }
    void doubleClickOpensTheRowsBehind_data();
    void doubleClickOpensTheRowsBehind();

private:
    QTemporaryDir m_settingsDir;
};

void TestDrilldown::doubleClickOpensTheRowsBehind_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("drilldown");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rows");
    // Pivot: rows Berlin, Paris, Grand Sum; columns heading, 2023, 2024, Grand Sum.
    QTest::newRow("pivot cell") << "Pivot" << true << 0 << 2 << 3;
    QTest::newRow("pivot cell without rows") << "Pivot" << true << 0 << 1 << 0;
    QTest::newRow("pivot total") << "Pivot" << true << 2 << 3 << 4;
    QTest::newRow("pivot without drilldown") << "Pivot" << false << 0 << 2 << 0;
    QTest::newRow("count, any cell of the row") << "Count" << true << 0 << 0 << 3;
    QTest::newRow("unique, a cell that is not a key") << "Unique" << true << 0 << 2 << 3;
    QTest::newRow("dedupe") << "Dedupe" << true << 0 << 0 << 3;
}

void TestDrilldown::doubleClickOpensTheRowsBehind()
{
    QFETCH(QString, type);
    QFETCH(bool, drilldown);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rows);
    GraphModel scene;
    auto* input = new DataNode({ "city", "year", "amount" },
        { { "Berlin", "2024", "10" }, { "Paris", "2023", "5" }, { "Berlin", "2024", "2.5" },
            { "Berlin", "2024", "1" } });
    scene.insertNode(input);
    TransformNode* node = addTransformBelow(&scene, type, input, 100);
    Transform* t = node->transform();
    const auto refs = [&](const QString& key, const QVector<int>& positions) {
        TransformParameter* p = t->parameter(key);
        ColumnRefList list;
        for (int c : positions)
            list.append(p->referenceAt(c));
        p->setValue(QVariant::fromValue(list));
    };
    if (type == QLatin1String("Pivot")) {
        refs(QStringLiteral("Columns"), { 0 });
        refs(QStringLiteral("Rows"), { 1 });
        t->parameter("Values")->setValue(
            QVariant::fromValue(t->parameter("Values")->referenceAt(2)));
    } else if (type == QLatin1String("Count")) {
        t->parameter("Column")->setValue(
            QVariant::fromValue(t->parameter("Column")->referenceAt(0)));
    } else if (type == QLatin1String("Unique")) {
        TransformParameter* p = t->parameter("Column_Options");
        p->setValue(QVariant::fromValue(UniqueColumnList { { p->referenceAt(0), 0, QString() },
            { p->referenceAt(1), 1, QString() }, { p->referenceAt(2), 3, QString() } }));
    } else {
        refs(QStringLiteral("Columns"), { 0, 1 });
    }
    t->parameter("Drilldown")->setValue(drilldown);
    node->process(false, true);
    ItemPane pane;
    pane.resize(900, 600);
    pane.show();
    pane.setNode(node);
    // Pivot's key options sit side by side in a layout of their own.
    QCOMPARE(pane.findChild<QWidget*>(QStringLiteral("pivotLayout")) != nullptr,
        type == QLatin1String("Pivot"));
    QTableView* table = pane.dataTable()->tableView();
    emit table->doubleClicked(table->model()->index(row, column));
    const QList<DrilldownDialog*> dialogs = pane.findChildren<DrilldownDialog*>();
    QCOMPARE(dialogs.size(), rows > 0 ? 1 : 0);
    if (rows == 0)
        return;
    QCOMPARE(dialogs.first()->dataTable()->model()->rowCount(), rows);
    QCOMPARE(dialogs.first()->dataTable()->model()->columnCount(), 3);
    delete dialogs.first();
}

QTEST_MAIN(TestDrilldown)
#include "tst_drilldown.moc"
