// Column choosers in the right pane after the upstream column they refer to
// was renamed by the upstream item's own change, and after that change was
// undone: the editor shows the current name and the option still points at
// the same column.

#include "panegraph.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"
#include "ui/itempaneoptions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

using namespace PaneTest;

class TestPaneEditorsColumns : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    std::unique_ptr<Graph> m_graph;

    static QString shownColumn(const ParameterEditor* editor);
    static void pointAtCity(TransformParameter* p);
    static QVector<int> referencedColumns(const TransformParameter* p);

private slots:
    void initTestCase() { prepare(m_settingsDir); }
    void init() { m_graph = std::make_unique<Graph>(); }
    void cleanup() { m_graph.reset(); }

    void columnChoosersFollowARenamedColumn_data();
    void columnChoosersFollowARenamedColumn();
    void chosenColumnsKeepTheirPlaces_data();
    void chosenColumnsKeepTheirPlaces();
};

// Column choosers after a rename upstream

void TestPaneEditorsColumns::pointAtCity(TransformParameter* p)
{
    const ColumnRef city = p->referenceAt(City);
    const ColumnRef name = p->referenceAt(Name);
    const ColumnRef amount = p->referenceAt(Amount);
    const ConditionTerm term { city, 0, QStringLiteral("r") };
    QVariant value;
    switch (p->type()) {
    case ParameterType::SingleColumn:
        value = QVariant::fromValue(city);
        break;
    case ParameterType::MultipleColumns:
    case ParameterType::OrderedColumns:
        value = QVariant::fromValue(ColumnRefList { city });
        break;
    case ParameterType::ReorderColumns:
        value = QVariant::fromValue(ColumnRefList { city, name, amount });
        break;
    case ParameterType::SortColumns:
        value = QVariant::fromValue(SortColumnList { { city, false } });
        break;
    case ParameterType::CheckedColumns:
        value = QVariant::fromValue(
            CheckedColumnList { { name, false }, { city, true }, { amount, false } });
        break;
    case ParameterType::FilterColumns:
        value = QVariant::fromValue(FilterList { 0, 0, { term } });
        break;
    case ParameterType::If:
        value = QVariant::fromValue(IfList { { IfBranch { { term }, QStringLiteral("x") } }, {} });
        break;
    case ParameterType::RenameColumns:
        value = QVariant::fromValue(RenameColumnList { { city, QStringLiteral("place") } });
        break;
    case ParameterType::Unique:
        value = QVariant::fromValue(UniqueColumnList { { city, 2, QString() } });
        break;
    default: { // verify rules
        VerifyColumnRules rules;
        rules.position = City;
        rules.expectedName = QStringLiteral("city");
        rules.rules = { VerifyRule { 7, true, 2, QString() } };
        value = QVariant::fromValue(VerifyRuleSet { {}, { rules } });
    }
    }
    p->setValue(value);
}

// The name the editor shows for the column its option refers to.
QString TestPaneEditorsColumns::shownColumn(const ParameterEditor* editor)
{
    const auto* table = qobject_cast<const RowTableEditor*>(editor);
    switch (editor->parameter()->type()) {
    case ParameterType::SingleColumn:
        return static_cast<const SingleColumnEditor*>(editor)->comboBox()->currentText();
    case ParameterType::MultipleColumns:
    case ParameterType::CheckedColumns:
    case ParameterType::ReorderColumns: {
        const QListWidget* list = static_cast<const ColumnListEditor*>(editor)->listWidget();
        for (int r = 0; r < list->count(); ++r) {
            const QListWidgetItem* item = list->item(r);
            if (!(item->flags() & Qt::ItemIsUserCheckable) || item->checkState() == Qt::Checked)
                return item->text();
        }
        return QString();
    }
    case ParameterType::SortColumns:
    case ParameterType::OrderedColumns:
    case ParameterType::FilterColumns:
        return cell<QComboBox>(table, 0, 0)->currentText();
    case ParameterType::If:
        return cell<QComboBox>(table, 0, 1)->currentText();
    case ParameterType::RenameColumns:
    case ParameterType::Unique:
        // The row whose setting differs from the default.
        for (int r = 0; r < table->rowCount(); ++r) {
            const auto* edit = cell<QLineEdit>(table, r, 1);
            const auto* combo = cell<QComboBox>(table, r, 1);
            if ((edit && !edit->text().isEmpty()) || (combo && combo->currentIndex() != 1))
                return table->table()->item(r, 0)->text();
        }
        return QString();
    default: { // verify rules: the branch holding rules, "Column %1: '%2'"
        const QTreeWidget* tree = static_cast<const VerifyRulesEditor*>(editor)->tree();
        for (int i = 1; i < tree->topLevelItemCount(); ++i) {
            if (tree->topLevelItem(i)->childCount() > 0)
                return tree->topLevelItem(i)->text(0).section(QLatin1Char('\''), 1, 1);
        }
        return QString();
    }
    }
}

QVector<int> TestPaneEditorsColumns::referencedColumns(const TransformParameter* p)
{
    if (p->type() == ParameterType::VerifyRules) {
        QVector<int> positions;
        for (const VerifyColumnRules& c : p->verifyRules().columns)
            positions << c.position;
        return positions;
    }
    ColumnRefList refs = p->columnRefs();
    for (const ConditionTerm& t : p->filterList().terms)
        refs << t.column;
    for (const IfBranch& b : p->ifList().branches) {
        for (const ConditionTerm& t : b.conditions)
            refs << t.column;
    }
    return resolved(p, refs);
}

void TestPaneEditorsColumns::columnChoosersFollowARenamedColumn_data()
{
    QTest::addColumn<QString>("key");
    const Transform* prototype = Catalogue::instance().prototype(EveryOptionTransform::key());
    // The options that refer to upstream columns by name on screen.
    for (const TransformParameter* p : prototype->parameters()) {
        if (p->isColumnType() && p->type() != ParameterType::Script
            && p->type() != ParameterType::SplitRows)
            QTest::newRow(qPrintable(p->key())) << p->key();
    }
}

void TestPaneEditorsColumns::columnChoosersFollowARenamedColumn()
{
    QFETCH(QString, key);
    TransformNode* node = m_graph->node();
    TransformParameter* p = node->transform()->parameter(key);
    pointAtCity(p);
    const QVector<int> columns = referencedColumns(p);
    QVERIFY(columns.contains(City));
    const ColumnId cityId = node->dataset().columnId(City);
    ItemPane pane;
    showPane(pane, node);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("city"));

    // The rename is the upstream item's own change, made in its own pane.
    ItemPane upstreamPane;
    showPane(upstreamPane, m_graph->rename());
    auto* rename = qobject_cast<RenameColumnsEditor*>(
        upstreamPane.options()->editor(QStringLiteral("RenameColumns")));
    QVERIFY(rename);
    typeInto(cell<QLineEdit>(rename, City, 1), QStringLiteral("town"));
    QTRY_COMPARE_WITH_TIMEOUT(node->dataset().columnName(City), QStringLiteral("town"), 10000);
    QCOMPARE(node->status(), int(StatusUpToDate));
    QCOMPARE(node->dataset().columnId(City), cityId);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("town"));
    QCOMPARE(referencedColumns(p), columns);

    const qint32 id = node->id();
    QVERIFY(m_graph->scene()->undo());
    TransformNode* back = m_graph->restored(id);
    QVERIFY(back);
    QCOMPARE(back->dataset().columnName(City), QStringLiteral("city"));
    pane.setNode(back);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("city"));
    QCOMPARE(referencedColumns(back->transform()->parameter(key)), columns);
}

// A list of chosen columns shown again (a document opened again) keeps the
// upstream order, the chosen columns in their chosen order in the places of
// the columns they are, instead of moving them to the top. The upstream
// columns are name, city, amount.
void TestPaneEditorsColumns::chosenColumnsKeepTheirPlaces_data()
{
    QTest::addColumn<QVector<int>>("chosen");
    QTest::addColumn<QStringList>("shown"); // "+" marks a checked column
    QTest::newRow("none") << QVector<int>() << QStringList { "name", "city", "amount" };
    QTest::newRow("one in the middle")
        << QVector<int> { City } << QStringList { "name", "+city", "amount" };
    QTest::newRow("two, reordered")
        << QVector<int> { 2, 0 } << QStringList { "+amount", "city", "+name" };
    QTest::newRow("two in order") << QVector<int> { 0, 2 }
                                  << QStringList { "+name", "city", "+amount" };
}

void TestPaneEditorsColumns::chosenColumnsKeepTheirPlaces()
{
    QFETCH(QVector<int>, chosen);
    QFETCH(QStringList, shown);
    TransformNode* node = m_graph->node();
    TransformParameter* p = node->transform()->parameter(QStringLiteral("Multiple_Columns"));
    ColumnRefList refs;
    for (int column : chosen)
        refs << p->referenceAt(column);
    p->setValue(QVariant::fromValue(refs));
    ItemPane pane;
    showPane(pane, node);
    const auto* editor = static_cast<const ColumnListEditor*>(pane.options()->editor(p->key()));
    QStringList listed;
    for (int r = 0; r < editor->listWidget()->count(); ++r) {
        const QListWidgetItem* item = editor->listWidget()->item(r);
        listed << (item->checkState() == Qt::Checked ? QStringLiteral("+") : QString())
                + item->text();
    }
    QCOMPARE(listed, shown);
}

QTEST_MAIN(TestPaneEditorsColumns)
#include "tst_paneeditorscolumns.moc"
