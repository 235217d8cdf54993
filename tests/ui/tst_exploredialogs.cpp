// The explore dialogs on small tables with known answers: the numbers they
// show, and that they agree with what the transforms themselves report.
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "tests/transforms/merge/mergefixture.h"
#include "transforms/analysis/transformdifference.h"
#include "transforms/merge/transformintersect.h"
#include "transforms/merge/transformjoin.h"
#include "transforms/merge/transformlookup.h"
#include "transforms/merge/transformsubtract.h"
#include "transforms/row/transformdedupe.h"
#include "ui/columnfrequenciesdialog.h"
#include "ui/comparedialog.h"
#include "ui/exploreduplicatesdialog.h"
#include "ui/explorekeysdialog.h"
#include "ui/exploreprogress.h"
#include "ui/mainwindow.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The rows of a model as "a|b;c|d", display texts of the given columns.
QString modelText(const QAbstractItemModel* model, const QVector<int>& columns)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c : columns)
            cells << model->index(r, c).data().toString();
        rows << cells.join('|');
    }
    return rows.join(';');
}

// "Group of 3 rows: Row 1 first, Row 4 100%" per listed group.
QString treeText(const QTreeWidget* tree)
{
    QStringList groups;
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = tree->topLevelItem(g);
        QStringList rows;
        for (int r = 0; r < group->childCount(); ++r)
            rows << group->child(r)->text(0) + ' ' + group->child(r)->text(1);
        groups << group->text(0) + ": " + rows.join(", ");
    }
    return groups.join("; ");
}

Transform* makeKeyTransform(const QString& type)
{
    if (type == "Lookup")
        return new TransformLookup;
    if (type == "Intersect")
        return new TransformIntersect;
    if (type == "Subtract")
        return new TransformSubtract;
    return new TransformJoin;
}

} // namespace

class TestExploreDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        registerInputNodeKind();
    }

    void columnFrequencies_data();
    void columnFrequencies();
    void frequencyDoubleClickChoosesTheValue();
    void rareValuesShowANonZeroShare_data();
    void rareValuesShowANonZeroShare();
    void exploreKeys_data();
    void exploreKeys();
    void exploreKeysAgreesWithJoinReport();
    void exploreDuplicates_data();
    void exploreDuplicates();
    void stopAndRestart();
    void windowOffersTheDialogsOfTheSelectedItem();
    void compareAgreesWithDifference_data();
    void compareAgreesWithDifference();

private:
    QTemporaryDir m_settingsDir;
};

void TestExploreDialogs::columnFrequencies_data()
{
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("whitespaceSensitive");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("table");
    QTest::newRow("exact") << true << true << ""
                           << "6 rows, 4 distinct values, 1 empty"
                           << "Paris|3|50%;paris |1|16.7%;London|1|16.7%;(empty)|1|16.7%";
    QTest::newRow("case and space blind") << false << false << ""
                                          << "6 rows, 3 distinct values, 1 empty"
                                          << "Paris|4|66.7%;London|1|16.7%;(empty)|1|16.7%";
    QTest::newRow("filtered") << true << true << "PAR"
                              << "6 rows, 4 distinct values, 1 empty"
                              << "Paris|3|50%;paris |1|16.7%";
}

void TestExploreDialogs::columnFrequencies()
{
    QFETCH(bool, caseSensitive);
    QFETCH(bool, whitespaceSensitive);
    QFETCH(QString, filter);
    const Dataset data = textTable("id|city;1|Paris;2|paris ;3|London;4|Paris;5|;6|Paris");
    ColumnFrequenciesDialog dialog("Input", data, 1);
    dialog.caseSensitiveBox()->setChecked(caseSensitive);
    dialog.whitespaceSensitiveBox()->setChecked(whitespaceSensitive);
    dialog.recount();
    dialog.filterEdit()->setText(filter);
    QTEST(dialog.summaryLabel()->text(), "summary");
    QTEST(modelText(dialog.model(), { 0, 1, 2 }), "table");
}

void TestExploreDialogs::rareValuesShowANonZeroShare_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("share");
    QTest::newRow("1 in 6") << 6 << "16.7%";
    QTest::newRow("1 in 1,000") << 1000 << "0.1%";
    QTest::newRow("1 in 2,500") << 2500 << "0.04%";
    QTest::newRow("1 in 20,000") << 20000 << "<0.01%";
}

// The share of a value seen once among many rows.
void TestExploreDialogs::rareValuesShowANonZeroShare()
{
    QFETCH(int, rows);
    Dataset data = textTable("v;rare");
    for (int r = 1; r < rows; ++r)
        data.appendRow({ QStringLiteral("common") });
    ColumnFrequenciesDialog dialog("Input", data, 0);
    dialog.recount();
    dialog.table()->sortByColumn(FrequencyModel::CountColumn, Qt::AscendingOrder);
    FrequencyModel* model = dialog.model();
    QCOMPARE(
        model->index(0, FrequencyModel::ValueColumn).data().toString(), QStringLiteral("rare"));
    QTEST(model->index(0, FrequencyModel::PercentColumn).data().toString(), "share");
}

void TestExploreDialogs::frequencyDoubleClickChoosesTheValue()
{
    ColumnFrequenciesDialog dialog("Input", textTable("a|b;x|1;y|2;y|3"), 0);
    dialog.recount();
    dialog.show();
    QSignalSpy chosen(&dialog, &ColumnFrequenciesDialog::valueChosen);
    QTableView* table = dialog.table();
    const QRect cell = table->visualRect(dialog.model()->index(0, 0));
    // A double click is a press, a release and the double click itself.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(1).toString(), QStringLiteral("y"));
    dialog.table()->sortByColumn(FrequencyModel::ValueColumn, Qt::AscendingOrder);
    QCOMPARE(modelText(dialog.model(), { 0, 1 }), QStringLiteral("x|1;y|2"));
}

void TestExploreDialogs::exploreKeys_data()
{
    QTest::addColumn<QString>("type");
    for (const char* type : { "Join", "Lookup", "Intersect", "Subtract" })
        QTest::newRow(type) << QString(type);
}

void TestExploreDialogs::exploreKeys()
{
    QFETCH(QString, type);
    MergeFixture f(makeKeyTransform(type),
        { textTable("k|v;a|1;b|2;b|3; d|4;c|5"), textTable("k|w;b|x;d|y;e|z;E|q") });
    const Transform* t = f.transform();
    QVERIFY(t->offersExploreKeys());
    f.choose(t->keyColumn1Key(), 0);
    f.choose(t->keyColumn2Key(), 0);
    f.set(t->caseSensitiveKey(), true);
    ExploreKeysDialog dialog("Item", *t);
    dialog.explore();
    QCOMPARE(dialog.summaryLabel()->text(),
        QStringLiteral("1 keys in both datasets. Top only: 3 keys in 3 rows. Bottom only: 3 keys "
                       "in 3 rows.\nDuplicated keys: 1 top, 0 bottom. Keys differing only in "
                       "case or whitespace: 2."));
    dialog.showCombo()->setCurrentIndex(KeyModel::TopOnly);
    QCOMPARE(modelText(dialog.model(), { 0, 1, 2 }), QStringLiteral("'a'|1|0;' d'|1|0;'c'|1|0"));
    dialog.showCombo()->setCurrentIndex(KeyModel::NearKeys);
    QCOMPARE(modelText(dialog.model(), { 0 }), QStringLiteral("' d';'d';'e';'E'"));
    // Case blind, e and E become one key that occurs twice at the bottom.
    dialog.caseSensitiveBox()->setChecked(false);
    dialog.showCombo()->setCurrentIndex(KeyModel::Duplicates);
    QCOMPARE(modelText(dialog.model(), { 0, 1, 2, 3 }),
        QStringLiteral("'b'|2|1|both;'e'|0|2|bottom only"));
    // The rows of a key from both sides.
    QDialog* rows = dialog.showRows(0);
    QVERIFY(rows);
    QStringList captions;
    for (const QLabel* label : rows->findChildren<QLabel*>()) {
        if (label->text().startsWith("Top:") || label->text().startsWith("Bottom:"))
            captions << label->text();
    }
    captions.sort();
    QCOMPARE(captions, (QStringList { "Bottom: 1 row", "Top: 2 rows" }));
}

void TestExploreDialogs::exploreKeysAgreesWithJoinReport()
{
    MergeFixture f(new TransformJoin,
        { textTable("k|v;a|1;b|2;b|3; d|4;c|5"), textTable("k|w;b|x;d|y;e|z;E|q") });
    f.choose("Column_1", 0);
    f.choose("Column_2", 0);
    f.set("Detailed_Report", true);
    f.set("Case_Sensitive", false);
    f.run();
    const QStringList report = f.information();
    ExploreKeysDialog dialog("Join", *f.transform());
    dialog.explore();
    const QString shown = dialog.summaryLabel()->text();
    QVERIFY(report.contains("1 unique keys appear in both datasets"));
    QVERIFY(shown.startsWith("1 keys in both datasets"));
    QVERIFY(report.contains("3 top only"));
    QVERIFY(shown.contains("Top only: 3 keys in 3 rows"));
    QVERIFY(report.contains("3 bottom only"));
    QVERIFY(shown.contains("Bottom only: 2 keys in 3 rows"));
    QVERIFY(shown.contains("Duplicated keys: 1 top, 1 bottom"));
}

void TestExploreDialogs::exploreDuplicates_data()
{
    QTest::addColumn<bool>("fuzzy");
    QTest::addColumn<int>("fuzziness");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("groups");
    const char* rows = "6 rows, ";
    QTest::newRow("exact") << false << 80 << true
                           << QString(rows) + "1 duplicate groups, 1 duplicate rows"
                           << "Group of 2 rows: Row 1 first, Row 4 100%";
    QTest::newRow("case blind")
        << false << 80 << false << QString(rows) + "2 duplicate groups, 2 duplicate rows"
        << "Group of 2 rows: Row 1 first, Row 4 100%; Group of 2 rows: Row 2 first, Row 5 100%";
    // Jonson is 83% close to Johnson: largest group first.
    QTest::newRow("fuzzy 80")
        << true << 80 << false << QString(rows) + "2 duplicate groups, 3 duplicate rows"
        << "Group of 3 rows: Row 2 first, Row 5 100%, Row 6 85%; Group of 2 rows: Row 1 first, "
           "Row 4 100%";
    QTest::newRow("fuzzy 90 splits")
        << true << 90 << false << QString(rows) + "2 duplicate groups, 2 duplicate rows"
        << "Group of 2 rows: Row 1 first, Row 4 100%; Group of 2 rows: Row 2 first, Row 5 100%";
}

void TestExploreDialogs::exploreDuplicates()
{
    QFETCH(bool, fuzzy);
    QFETCH(int, fuzziness);
    QFETCH(bool, caseSensitive);
    MergeFixture f(
        new TransformDedupe, { textTable("name;Smith;Johnson;Brown;Smith;JOHNSON;Jonson") });
    TransformParameter* columns = f.transform()->parameter("Columns");
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
    ExploreDuplicatesDialog dialog("Dedupe", *f.transform());
    dialog.matchTypeCombo()->setCurrentIndex(fuzzy ? 1 : 0);
    dialog.fuzzinessBox()->setValue(fuzziness);
    dialog.caseSensitiveBox()->setChecked(caseSensitive);
    dialog.regroup();
    QTEST(dialog.summaryLabel()->text(), "summary");
    QTEST(treeText(dialog.tree()), "groups");
}

void TestExploreDialogs::stopAndRestart()
{
    // Fuzzy grouping of many distinct names takes long enough to interrupt.
    QList<QStringList> rows;
    for (int i = 0; i < 20000; ++i)
        rows.append({ QStringLiteral("name %1 %2").arg(i * 7919 % 100003).arg(i % 13) });
    MergeFixture f(new TransformDedupe, { makeDataset({ "name" }, rows) });
    TransformParameter* columns = f.transform()->parameter("Columns");
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
    f.set("Match_Type", QStringLiteral("Fuzzy"));
    ExploreDuplicatesDialog dialog("Dedupe", *f.transform());
    QTimer::singleShot(300, dialog.progress(), &ExploreProgress::stop);
    dialog.regroup();
    QCOMPARE(dialog.summaryLabel()->text(), QStringLiteral("Stopped before the end."));
    QVERIFY(dialog.progress()->isHidden());
    // A change of option during a run starts over with the new option; the
    // exact grouping then finishes quickly.
    QTimer::singleShot(
        300, dialog.matchTypeCombo(), [&dialog] { dialog.matchTypeCombo()->setCurrentIndex(0); });
    dialog.regroup();
    QCOMPARE(dialog.summaryLabel()->text(),
        QStringLiteral("20,000 rows, 0 duplicate groups, 0 duplicate rows"));

    // Closed during a run, a dialog that deletes itself on close goes only
    // once the run has returned.
    auto* closing = new ExploreDuplicatesDialog("Dedupe", *f.transform());
    closing->setAttribute(Qt::WA_DeleteOnClose);
    closing->show();
    QPointer<ExploreDuplicatesDialog> alive(closing);
    QTimer::singleShot(300, closing, &QDialog::close);
    closing->regroup();
    QVERIFY(alive);
    QTRY_VERIFY(!alive);
}

void TestExploreDialogs::windowOffersTheDialogsOfTheSelectedItem()
{
    MainWindow window;
    window.setQuietMessages(true);
    QVERIFY(window.loadDocument(VARNIX_TEST_DATA "/../../examples/people.transform"));
    window.graph()->process(GraphModel::RunAll, true);
    Node* dedupe = nullptr;
    for (Node* node : window.graph()->nodes())
        dedupe = node->displayName() == "Dedupe" ? node : dedupe;
    QVERIFY(dedupe);
    dedupe->setSelected(true);
    QVERIFY(window.action("Explore D&uplicates...")->isEnabled());
    QVERIFY(window.action("Column &Frequencies...")->isEnabled());
    QVERIFY(!window.action("Explore &Keys...")->isEnabled());
    window.action("Explore D&uplicates...")->trigger();
    auto* dialog = window.findChild<ExploreDuplicatesDialog*>();
    QVERIFY(dialog);
    dialog->regroup();
    QVERIFY(dialog->summaryLabel()->text().startsWith(
        QStringLiteral("%1 rows, ").arg(dedupe->upstreamNodes(true).first()->rowCount())));
    window.setModified(false);
}

void TestExploreDialogs::compareAgreesWithDifference_data()
{
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("bottom");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("headers");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("changedCells");
    QTest::newRow("by key") << "id|n|p;1|a|5;2|b|6;3|c|7"
                            << "id|n|p;3|c|8;1|a|5;4|d|9" << true
                            << "Headers: 3 same, 0 moved, 0 renamed, 0 top only, 0 bottom only"
                            << "Rows: 1 added, 1 removed, 1 changed, 1 unchanged"
                            << "7 \u2192 8";
    QTest::newRow("by row number")
        << "n|only top;a|t1;b|t2"
        << "extra|n;e1|a;e2|c;e3|d" << false
        << "Headers: 1 same, 0 moved, 0 renamed, 1 top only, 1 bottom only"
        << "Rows: 1 added, 0 removed, 1 changed, 1 unchanged"
        << "b \u2192 c";
}

void TestExploreDialogs::compareAgreesWithDifference()
{
    QFETCH(QString, top);
    QFETCH(QString, bottom);
    QFETCH(bool, byKey);
    MergeFixture f(new TransformDifference, { textTable(top), textTable(bottom) });
    f.set("Compare_By", byKey ? QStringLiteral("Key columns") : QStringLiteral("Row number"));
    if (byKey) {
        for (const char* key : { "Top_Key_Columns", "Bottom_Key_Columns" }) {
            TransformParameter* p = f.transform()->parameter(key);
            p->setValue(QVariant::fromValue(ColumnRefList { p->referenceAt(0) }));
        }
    }
    f.run();
    CompareDialog dialog({ f.source(0), f.source(1) }, f.source(0), f.source(1));
    dialog.keyCombo()->setCurrentIndex(byKey ? 1 : 0);
    dialog.compare();
    QTEST(dialog.headerSummary()->text(), "headers");
    QTEST(dialog.rowSummary()->text(), "rows");
    // The transform counts the same added, removed and changed rows.
    const QStringList shown = dialog.rowSummary()->text().mid(6).split(", ");
    QCOMPARE(f.summary(), shown.mid(0, 3).join(", "));
    QStringList changed;
    const DifferenceModel* model = dialog.rowModel();
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 3; c < model->columnCount(); ++c) {
            if (model->index(r, c).data(DifferenceModel::ChangedRole).toBool())
                changed << model->index(r, c).data().toString();
        }
    }
    QTEST(changed.join(','), "changedCells");
}

QTEST_MAIN(TestExploreDialogs)
#include "tst_exploredialogs.moc"
