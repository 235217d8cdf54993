// Every kind of option editor driven through the real right pane: a user's
// change reaches the option, processing waits for the pause, and one undo
// brings the old value back; column choosers follow a column renamed
// upstream.

#include "core/settings.h"
#include "graph/graphscene.h"
#include "graph/transformnode.h"
#include "input/inputnode.h"
#include "transforms/catalogue.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "everyoptiontransform.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr double Delay = 0.4; // seconds
constexpr int Name = 0, City = 1, Amount = 2;

// The stored form of what an editor's widgets show, to compare with the
// stored form of its option.
QString shownValue(const ParameterEditor* editor)
{
    TransformParameter copy(*editor->parameter());
    copy.setValue(editor->editedValue());
    return copy.serialise();
}

QVector<int> resolved(const TransformParameter* p, const ColumnRefList& refs)
{
    QVector<int> columns;
    for (const ColumnRef& r : refs)
        columns << p->resolve(r);
    return columns;
}

template <class T> T* cell(const RowTableEditor* editor, int row, int column)
{
    return qobject_cast<T*>(editor->table()->cellWidget(row, column));
}

QAbstractButton* buttonWithText(const QWidget* editor, const QString& text)
{
    for (QAbstractButton* b : editor->findChildren<QAbstractButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

// Adds a row with the table's "+" button, as a user does.
int addRow(RowTableEditor* editor)
{
    QAbstractButton* add = buttonWithText(editor, QStringLiteral("+"));
    if (!add)
        return -1;
    QTest::mouseClick(add, Qt::LeftButton);
    return editor->rowCount() - 1;
}

void clickItem(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
        list->visualItemRect(list->item(row)).center());
}

void toggleItem(QListWidget* list, int row)
{
    clickItem(list, row);
    QTest::keyClick(list, Qt::Key_Space);
}

void typeInto(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QTest::keyClicks(widget, text);
}

} // namespace

class TestPaneEditors : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    GraphScene* m_scene = nullptr;
    InputNode* m_input = nullptr;
    TransformNode* m_rename = nullptr;
    TransformNode* m_node = nullptr;
    const QStringList m_names { QStringLiteral("name"), QStringLiteral("city"),
        QStringLiteral("amount") };

    TransformNode* addTransform(const QString& typeKey, Node* upstream, qreal y)
    {
        auto* node = new TransformNode(Catalogue::instance().create(typeKey));
        node->setId(Node::nextId());
        node->setPos(0, y);
        m_scene->insertNode(node);
        m_scene->insertConnection(upstream, node);
        node->upstreamChanged();
        return node;
    }

    // The rebuilt item after an undo (the old one is deleted).
    TransformNode* restored(qint32 id) const
    {
        return qobject_cast<TransformNode*>(m_scene->nodeWithId(id));
    }

    static void showPane(ItemPane& pane, Node* node)
    {
        pane.resize(520, 1600);
        pane.setNode(node);
        pane.show();
    }

    static void editSimple(ParameterEditor* editor);
    static void editColumnList(ParameterEditor* editor);
    static void editTable(ParameterEditor* editor);
    static void editTerms(ParameterEditor* editor);
    static void checkSimple(const TransformParameter* p, const ParameterEditor* editor);
    static void checkColumns(const TransformParameter* p);
    static void checkTerms(const TransformParameter* p);
    void checkLabel(ParameterEditor* editor);
    static QString shownColumn(const ParameterEditor* editor);
    static void pointAtCity(TransformParameter* p);
    static QVector<int> referencedColumns(const TransformParameter* p);

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyEditorChangesRecordsAndWaits_data();
    void everyEditorChangesRecordsAndWaits();
    void aRowAwaitingItsColumnSurvivesTheRun_data();
    void aRowAwaitingItsColumnSurvivesTheRun();
    void separateChangesAreSeparateUndoSteps();
    void columnChoosersFollowARenamedColumn_data();
    void columnChoosersFollowARenamedColumn();
};

void TestPaneEditors::initTestCase()
{
    isolateSettings(m_settingsDir);
    Settings::instance().setProcessingDelay(Delay);
    Catalogue::instance().add(new EveryOptionTransform);
    // The undo history rebuilds the Input item through the factory.
    registerInputNodeKind();
}

void TestPaneEditors::init()
{
    // Input -> Rename Cols -> Every Option: the rename lets the columns
    // change name upstream of the options under test.
    m_scene = new GraphScene;
    m_input = new InputNode;
    m_input->setId(Node::nextId());
    m_input->setClipboardSource(QStringLiteral("name,city,amount\nann,paris,3\nbob,rome,4\n"));
    m_scene->insertNode(m_input);
    m_rename = addTransform(QStringLiteral("Rename_Cols"), m_input, 100);
    m_node = addTransform(EveryOptionTransform::key(), m_rename, 200);
    m_scene->setAutoRun(true);
    m_scene->process(GraphScene::RunAll, true);
    QCOMPARE(m_node->status(), int(StatusUpToDate));
    QCOMPARE(m_node->dataset().columnNames(), m_names);
}

void TestPaneEditors::cleanup()
{
    delete m_scene;
    m_scene = nullptr;
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
        = connect(m_scene, &GraphScene::nodeProcessed, this, [&](Node* node) {
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
    TransformNode* back = restored(id);
    QVERIFY(back);
    QCOMPARE(back->status(), int(StatusUpToDate));
    QCOMPARE(back->dataset().columnNames(), m_names);
    QCOMPARE(back->transform()->parameter(key)->serialise(), before);
    pane.setNode(back);
    QVERIFY(pane.options()->editor(key));
    QCOMPARE(shownValue(pane.options()->editor(key)), shownBefore);
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
    for (const char* key : { "Sort_Columns", "Ordered_Columns", "Filter_Columns", "If",
             "Replace_Terms" })
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
    QTest::keyClick(editor->table()->cellWidget(0, key == QLatin1String("If") ? 1 : 0),
        Qt::Key_Down);
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
    QCOMPARE(restored(id)->transform()->parameter(QStringLiteral("Int"))->intValue(), 7);
    QCOMPARE(restored(id)->comment(), QStringLiteral("checked"));
}

// Column choosers after a rename upstream

void TestPaneEditors::pointAtCity(TransformParameter* p)
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
QString TestPaneEditors::shownColumn(const ParameterEditor* editor)
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

QVector<int> TestPaneEditors::referencedColumns(const TransformParameter* p)
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

void TestPaneEditors::columnChoosersFollowARenamedColumn_data()
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

void TestPaneEditors::columnChoosersFollowARenamedColumn()
{
    QFETCH(QString, key);
    TransformParameter* p = m_node->transform()->parameter(key);
    pointAtCity(p);
    const QVector<int> columns = referencedColumns(p);
    QVERIFY(columns.contains(City));
    const ColumnId cityId = m_node->dataset().columnId(City);
    ItemPane pane;
    showPane(pane, m_node);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("city"));

    // The rename is the upstream item's own change, made in its own pane.
    ItemPane upstreamPane;
    showPane(upstreamPane, m_rename);
    auto* rename = qobject_cast<RenameColumnsEditor*>(
        upstreamPane.options()->editor(QStringLiteral("RenameColumns")));
    QVERIFY(rename);
    typeInto(cell<QLineEdit>(rename, City, 1), QStringLiteral("town"));
    QTRY_COMPARE_WITH_TIMEOUT(m_node->dataset().columnName(City), QStringLiteral("town"), 10000);
    QCOMPARE(m_node->status(), int(StatusUpToDate));
    QCOMPARE(m_node->dataset().columnId(City), cityId);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("town"));
    QCOMPARE(referencedColumns(p), columns);

    const qint32 id = m_node->id();
    QVERIFY(m_scene->undo());
    TransformNode* back = restored(id);
    QVERIFY(back);
    QCOMPARE(back->dataset().columnName(City), QStringLiteral("city"));
    pane.setNode(back);
    QCOMPARE(shownColumn(pane.options()->editor(key)), QStringLiteral("city"));
    QCOMPARE(referencedColumns(back->transform()->parameter(key)), columns);
}

QTEST_MAIN(TestPaneEditors)
#include "tst_paneeditors.moc"
