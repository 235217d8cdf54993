// Every kind of option editor driven through the real right pane: a user's
// change reaches the option, processing waits for the pause, and one undo
// brings the old value back.

#include "panegraph.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"
#include "ui/itempaneoptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QTreeWidget>

using namespace PaneTest;

class TestPaneEditors : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    std::unique_ptr<Graph> m_graph;
    GraphModel* m_scene = nullptr;
    TransformNode* m_node = nullptr;

    static void editSimple(ParameterEditor* editor);
    static void editColumnList(ParameterEditor* editor);
    static void editTable(ParameterEditor* editor);
    static void editTerms(ParameterEditor* editor);
    static void checkSimple(const TransformParameter* p, const ParameterEditor* editor);
    static void checkColumns(const TransformParameter* p);
    static void checkTerms(const TransformParameter* p);
    void checkLabel(ParameterEditor* editor);

private slots:
    void initTestCase() { prepare(m_settingsDir); }
    void init();
    void cleanup() { m_graph.reset(); }

    void everyEditorChangesRecordsAndWaits_data();
    void everyEditorChangesRecordsAndWaits();
    void aRowAwaitingItsColumnSurvivesTheRun_data();
    void aRowAwaitingItsColumnSurvivesTheRun();
    void separateChangesAreSeparateUndoSteps();
};

void TestPaneEditors::init()
{
    m_graph = std::make_unique<Graph>();
    m_scene = m_graph->scene();
    m_node = m_graph->node();
    QCOMPARE(m_node->status(), int(StatusUpToDate));
    QCOMPARE(m_node->dataset().columnNames(), columnNames());
}

// The user's gestures, by kind of editor. The column layout upstream is
// name, city, amount.

void TestPaneEditors::editSimple(ParameterEditor* editor)
{
    if (auto* e = qobject_cast<BoolEditor*>(editor)) {
        QCheckBox* box = e->checkBox();
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator
            = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    } else if (auto* e = qobject_cast<SelectionEditor*>(editor)) {
        QTest::keyClick(e->comboBox(), Qt::Key_Down);
    } else if (auto* e = qobject_cast<TextEditor*>(editor)) {
        typeInto(e->lineEdit(), QStringLiteral("de"));
    } else if (auto* e = qobject_cast<IntEditor*>(editor)) {
        QTest::keyClick(e->spinBox(), Qt::Key_Up);
    } else if (auto* e = qobject_cast<RealEditor*>(editor)) {
        QTest::keyClick(e->spinBox(), Qt::Key_Up);
    } else if (auto* e = qobject_cast<CharEditor*>(editor)) {
        typeInto(e->charEdit(), QStringLiteral(";"));
    } else if (auto* e = qobject_cast<ScriptEditor*>(editor)) {
        typeInto(e->codeEdit(), QStringLiteral("$(name)"));
    } else if (auto* e = qobject_cast<LongTextEditor*>(editor)) {
        typeInto(e->textEdit(), QStringLiteral("hello"));
    } else if (auto* e = qobject_cast<DateEditor*>(editor)) {
        // As after a click into the day part of the field.
        e->dateEdit()->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(e->dateEdit(), Qt::Key_Up);
    } else if (auto* e = qobject_cast<LocaleEditor*>(editor)) {
        QTest::keyClick(e->comboBox(), Qt::Key_Down);
    } else {
        editColumnList(editor);
    }
}

void TestPaneEditors::editColumnList(ParameterEditor* editor)
{
    if (auto* e = qobject_cast<SingleColumnEditor*>(editor)) {
        // Narrow the choices first, then pick the one left.
        typeInto(e->filterEdit(), QStringLiteral("ci"));
        QTest::keyClick(e->comboBox(), Qt::Key_Down);
        return;
    }
    auto* e = qobject_cast<ColumnListEditor*>(editor);
    if (!e) {
        editTable(editor);
        return;
    }
    switch (editor->parameter()->type()) {
    case ParameterType::MultipleColumns:
        toggleItem(e->listWidget(), City);
        toggleItem(e->listWidget(), Amount);
        // The second one checked goes first.
        QTest::mouseClick(e->upButton(), Qt::LeftButton);
        QTest::mouseClick(e->upButton(), Qt::LeftButton);
        break;
    case ParameterType::CheckedColumns:
        toggleItem(e->listWidget(), Amount);
        break;
    default: // reorder
        clickItem(e->listWidget(), Amount);
        QTest::mouseClick(e->upButton(), Qt::LeftButton);
        break;
    }
}

void TestPaneEditors::editTable(ParameterEditor* editor)
{
    auto* e = qobject_cast<RowTableEditor*>(editor);
    switch (editor->parameter()->type()) {
    case ParameterType::SortColumns: {
        const int row = addRow(e);
        QTest::keyClick(cell<QComboBox>(e, row, 0), Qt::Key_Down);
        QTest::keyClick(cell<QComboBox>(e, row, 1), Qt::Key_Down);
        break;
    }
    case ParameterType::OrderedColumns: {
        const int row = addRow(e);
        QTest::keyClick(cell<QComboBox>(e, row, 0), Qt::Key_Down);
        QTest::keyClick(cell<QComboBox>(e, row, 0), Qt::Key_Down);
        break;
    }
    case ParameterType::RenameColumns:
        typeInto(cell<QLineEdit>(e, City, 1), QStringLiteral("town"));
        break;
    case ParameterType::Unique:
        QTest::keyClick(cell<QComboBox>(e, Amount, 1), Qt::Key_Down);
        break;
    default:
        editTerms(editor);
    }
}

void TestPaneEditors::editTerms(ParameterEditor* editor)
{
    auto* e = qobject_cast<RowTableEditor*>(editor);
    if (auto* filter = qobject_cast<FilterTermsEditor*>(editor)) {
        const int row = addRow(e);
        QTest::keyClick(cell<QComboBox>(e, row, 0), Qt::Key_Down);
        typeInto(cell<QLineEdit>(e, row, 2), QStringLiteral("ann"));
        QTest::keyClick(filter->keepRemoveCombo(), Qt::Key_Down);
    } else if (auto* ifs = qobject_cast<IfEditor*>(editor)) {
        const int row = addRow(e);
        QTest::keyClick(cell<QComboBox>(e, row, 1), Qt::Key_Down);
        typeInto(cell<QLineEdit>(e, row, 3), QStringLiteral("ann"));
        typeInto(cell<QLineEdit>(e, row, 4), QStringLiteral("yes"));
        typeInto(ifs->elseEdit(), QStringLiteral("no"));
    } else if (qobject_cast<ReplaceTermsEditor*>(editor)) {
        const int row = addRow(e);
        typeInto(cell<QLineEdit>(e, row, 1), QStringLiteral("a"));
        typeInto(cell<QLineEdit>(e, row, 2), QStringLiteral("A"));
    } else if (auto* split = qobject_cast<SplitRowsEditor*>(editor)) {
        QTest::keyClick(split->modeCombo(), Qt::Key_Down);
    } else if (auto* verify = qobject_cast<VerifyRulesEditor*>(editor)) {
        QTreeWidget* tree = verify->tree();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
            tree->visualItemRect(tree->topLevelItem(0)).center());
        auto* kinds = verify->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
        QTest::keyClick(kinds, Qt::Key_Down);
        QTest::mouseClick(buttonWithText(verify, QStringLiteral("Add rule")), Qt::LeftButton);
    }
}

// What each gesture above must have stored.

void TestPaneEditors::checkSimple(const TransformParameter* p, const ParameterEditor* editor)
{
    switch (p->type()) {
    case ParameterType::Bool:
        QCOMPARE(p->boolValue(), true);
        break;
    case ParameterType::Selection:
        QCOMPARE(p->text(), QStringLiteral("second"));
        break;
    case ParameterType::Text:
        QCOMPARE(p->text(), QStringLiteral("abcde"));
        break;
    case ParameterType::Int:
        QCOMPARE(p->intValue(), 6);
        break;
    case ParameterType::Real:
        QCOMPARE(p->realValue(), 2.5);
        break;
    case ParameterType::Char:
        QCOMPARE(p->charValue(), QChar(QLatin1Char(';')));
        break;
    case ParameterType::Script:
        QCOMPARE(p->text(), QStringLiteral("$(name)"));
        break;
    case ParameterType::LongText:
        QCOMPARE(p->text(), QStringLiteral("hello"));
        break;
    case ParameterType::Date:
        QCOMPARE(p->dateValue(), QDate(2020, 5, 18));
        break;
    case ParameterType::Locale: {
        const QComboBox* combo = static_cast<const LocaleEditor*>(editor)->comboBox();
        QVERIFY(!p->isSystemLocale());
        QCOMPARE(p->localeValue().name(), combo->itemData(1).toString());
        break;
    }
    default:
        checkColumns(p);
    }
}

void TestPaneEditors::checkColumns(const TransformParameter* p)
{
    switch (p->type()) {
    case ParameterType::SingleColumn:
        QCOMPARE(p->resolve(p->columnRef()), City);
        break;
    case ParameterType::MultipleColumns:
        QCOMPARE(resolved(p, p->value().value<ColumnRefList>()), QVector<int>({ Amount, City }));
        break;
    case ParameterType::ReorderColumns:
        QCOMPARE(
            resolved(p, p->value().value<ColumnRefList>()), QVector<int>({ Name, Amount, City }));
        break;
    case ParameterType::CheckedColumns: {
        const CheckedColumnList value = p->checkedColumns();
        QCOMPARE(value.size(), 3);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(p->resolve(value.at(c).column), c);
            QCOMPARE(value.at(c).checked, c == Amount);
        }
        break;
    }
    case ParameterType::SortColumns:
        QCOMPARE(p->sortColumns().size(), 1);
        QCOMPARE(p->resolve(p->sortColumns().first().column), Name);
        QCOMPARE(p->sortColumns().first().ascending, false);
        break;
    case ParameterType::OrderedColumns:
        QCOMPARE(resolved(p, p->value().value<ColumnRefList>()), QVector<int>({ City }));
        break;
    case ParameterType::RenameColumns:
        QCOMPARE(p->renameColumns().size(), 1);
        QCOMPARE(p->resolve(p->renameColumns().first().column), City);
        QCOMPARE(p->renameColumns().first().newName, QStringLiteral("town"));
        break;
    case ParameterType::Unique: {
        const UniqueColumnList value = p->uniqueColumns();
        QCOMPARE(value.size(), 3);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(p->resolve(value.at(c).column), c);
            QCOMPARE(value.at(c).aggregation, c == Amount ? 2 : 1);
        }
        break;
    }
    default:
        checkTerms(p);
    }
}

void TestPaneEditors::checkTerms(const TransformParameter* p)
{
    switch (p->type()) {
    case ParameterType::FilterColumns: {
        const FilterList value = p->filterList();
        QCOMPARE(value.keepRemove, 1);
        QCOMPARE(value.terms.size(), 1);
        QCOMPARE(p->resolve(value.terms.first().column), Name);
        QCOMPARE(value.terms.first().text, QStringLiteral("ann"));
        break;
    }
    case ParameterType::If: {
        const IfList value = p->ifList();
        QCOMPARE(value.branches.size(), 1);
        QCOMPARE(value.branches.first().conditions.size(), 1);
        QCOMPARE(p->resolve(value.branches.first().conditions.first().column), Name);
        QCOMPARE(value.branches.first().conditions.first().text, QStringLiteral("ann"));
        QCOMPARE(value.branches.first().thenValue, QStringLiteral("yes"));
        QCOMPARE(value.elseValue, QStringLiteral("no"));
        break;
    }
    case ParameterType::ReplaceTerms:
        QCOMPARE(p->replaceTerms(),
            ReplaceTermList({ ReplaceTerm { 0, QStringLiteral("a"), QStringLiteral("A") } }));
        break;
    case ParameterType::SplitRows:
        QCOMPARE(p->splitRows().mode, 1);
        QCOMPARE(p->splitRows().text, QStringLiteral("_"));
        break;
    case ParameterType::VerifyRules: {
        const VerifyRuleSet value = p->verifyRules();
        QCOMPARE(value.datasetRules.size(), 1);
        QCOMPARE(value.datasetRules.first().kind, 1);
        QVERIFY(value.datasetRules.first().checked);
        QVERIFY(value.columns.isEmpty());
        break;
    }
    default:
        QFAIL(qPrintable(QStringLiteral("no check for type %1").arg(p->typeNumber())));
    }
}

void TestPaneEditors::everyEditorChangesRecordsAndWaits_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("type");
    const Transform* prototype = Catalogue::instance().prototype(EveryOptionTransform::key());
    for (const TransformParameter* p : prototype->parameters())
        QTest::newRow(qPrintable(p->key())) << p->key() << p->typeNumber();
}

void TestPaneEditors::everyEditorChangesRecordsAndWaits()
{
    QFETCH(QString, key);
    QFETCH(int, type);
    ItemPane pane;
    showPane(pane, m_node);
    ParameterEditor* editor = pane.options()->editor(key);
    QVERIFY(editor);
    TransformParameter* p = editor->parameter();
    QCOMPARE(p->typeNumber(), type);
    if (p->type() == ParameterType::Label) {
        checkLabel(editor);
        return;
    }
    const QString before = p->serialise();
    // Not always the stored form: a list of every column in upstream order
    // is what an empty order or group list means.
    const QString shownBefore = shownValue(editor);
    const int runs = EveryOptionTransform::runs();
    const int snapshots = m_scene->snapshotCount();
    qint64 ranAfter = -1;
    QElapsedTimer sinceEdit;
    const QMetaObject::Connection watch
        = connect(m_scene, &GraphModel::nodeProcessed, this, [&](Node* node) {
              if (node == m_node && ranAfter < 0)
                  ranAfter = sinceEdit.elapsed();
          });

    editSimple(editor);
    sinceEdit.start();
    checkSimple(p, editor);
    if (QTest::currentTestFailed())
        return;
    const QString after = p->serialise();
    QVERIFY(after != before);
    QCOMPARE(shownValue(editor), after);
    // A run of edits to one option is one undo step.
    QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
    QCOMPARE(m_scene->undoLabel(), QStringLiteral("change '%1'").arg(p->label()));

    // Processing waits until the user pauses for the delay.
    QCOMPARE(EveryOptionTransform::runs(), runs);
    QCOMPARE(m_node->status(), int(StatusUpToDate));
    QTRY_COMPARE_WITH_TIMEOUT(EveryOptionTransform::runs(), runs + 1, 10000);
    disconnect(watch);
    QVERIFY2(ranAfter >= qint64(Delay * 1000) - 50, qPrintable(QString::number(ranAfter)));
    QCOMPARE(m_node->status(), int(StatusUpToDate));
    // The pane re-read the item after the run; the editor still shows the
    // edit, and the option kept it.
    QCOMPARE(p->serialise(), after);
    QCOMPARE(shownValue(pane.options()->editor(key)), after);

    // One undo brings the old value back, in the option and in the editor
    // of the restored item once it is selected again.
    const qint32 id = m_node->id();
    QVERIFY(m_scene->undo());
    // The undo rebuilt every item: the pane lets go of the old one's
    // editors rather than keep them pointing into deleted options.
    QVERIFY(pane.options()->editors().isEmpty());
    QVERIFY(!pane.node());
    TransformNode* back = m_graph->restored(id);
    QVERIFY(back);
    QCOMPARE(back->status(), int(StatusUpToDate));
    QCOMPARE(back->dataset().columnNames(), columnNames());
    QCOMPARE(back->transform()->parameter(key)->serialise(), before);
    pane.setNode(back);
    QVERIFY(pane.options()->editor(key));
    QCOMPARE(shownValue(pane.options()->editor(key)), shownBefore);
    // And redo brings the edit back.
    QVERIFY(m_scene->redo());
    back = m_graph->restored(id);
    QVERIFY(back);
    QCOMPARE(back->transform()->parameter(key)->serialise(), after);
    pane.setNode(back);
    QCOMPARE(shownValue(pane.options()->editor(key)), after);
}

// A label holds nothing: clicking it changes and runs nothing.
void TestPaneEditors::checkLabel(ParameterEditor* editor)
{
    QVERIFY(qobject_cast<LabelEditor*>(editor));
    auto* text = editor->findChild<QLabel*>();
    QVERIFY(text);
    QCOMPARE(text->text(), QStringLiteral("read me"));
    const int runs = EveryOptionTransform::runs();
    const int snapshots = m_scene->snapshotCount();
    QTest::mouseClick(text, Qt::LeftButton);
    QTest::mouseDClick(text, Qt::LeftButton);
    QTest::qWait(int(Delay * 1500));
    QCOMPARE(m_scene->snapshotCount(), snapshots);
    QCOMPARE(EveryOptionTransform::runs(), runs);
}

void TestPaneEditors::aRowAwaitingItsColumnSurvivesTheRun_data()
{
    QTest::addColumn<QString>("key");
    for (const char* key :
        { "Sort_Columns", "Ordered_Columns", "Filter_Columns", "If", "Replace_Terms" })
        QTest::newRow(key) << QString::fromLatin1(key);
}

void TestPaneEditors::aRowAwaitingItsColumnSurvivesTheRun()
{
    // The user adds a row, then looks at the data for longer than the
    // delay before choosing its column.
    QFETCH(QString, key);
    ItemPane pane;
    showPane(pane, m_node);
    pane.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&pane));
    auto* editor = qobject_cast<RowTableEditor*>(pane.options()->editor(key));
    QVERIFY(editor);
    const int runs = EveryOptionTransform::runs();
    const QString empty = editor->parameter()->serialise();
    QCOMPARE(addRow(editor), 0);
    pane.commentEdit()->setFocus();
    QCOMPARE(QApplication::focusWidget(), pane.commentEdit());
    QTRY_COMPARE_WITH_TIMEOUT(EveryOptionTransform::runs(), runs + 1, 10000);
    QCOMPARE(editor->rowCount(), 1);
    // It is still there to be filled in.
    QTest::keyClick(
        editor->table()->cellWidget(0, key == QLatin1String("If") ? 1 : 0), Qt::Key_Down);
    QCOMPARE(editor->rowCount(), 1);
    QVERIFY(editor->parameter()->serialise() != empty);
}

void TestPaneEditors::separateChangesAreSeparateUndoSteps()
{
    ItemPane pane;
    showPane(pane, m_node);
    auto* count = qobject_cast<IntEditor*>(pane.options()->editor(QStringLiteral("Int")));
    QVERIFY(count);
    const int snapshots = m_scene->snapshotCount();
    QTest::keyClick(count->spinBox(), Qt::Key_Up);
    QTest::keyClick(count->spinBox(), Qt::Key_Up);
    // Steps of one option in a row are one change...
    QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
    QTest::keyClicks(pane.commentEdit(), QStringLiteral("checked"));
    QCOMPARE(m_scene->snapshotCount(), snapshots + 2);
    // ...but not once something else was changed in between.
    QTest::keyClick(count->spinBox(), Qt::Key_Up);
    QCOMPARE(m_node->transform()->parameter(QStringLiteral("Int"))->intValue(), 8);
    QCOMPARE(m_scene->snapshotCount(), snapshots + 3);
    const qint32 id = m_node->id();
    QVERIFY(m_scene->undo());
    QCOMPARE(m_graph->restored(id)->transform()->parameter(QStringLiteral("Int"))->intValue(), 7);
    QCOMPARE(m_graph->restored(id)->comment(), QStringLiteral("checked"));
}

QTEST_MAIN(TestPaneEditors)
#include "tst_paneeditors.moc"
