#include "graph/graphmodel.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "output/workbookformats.h"
#include "output/writer.h"
#include "transforms/transform.h"
#include "ui/datatablechars.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

// An item part way through a long read, as an Input gives its first rows.
class ReadingNode : public DataNode
{
public:
    using DataNode::DataNode;
    using Node::beginProcessing;
    using Node::endProcessing;
    using Node::showFirstRows;
};

} // namespace

class TestItemPane : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    GraphModel* m_scene = nullptr;
    DataNode* m_input = nullptr;
    TransformNode* m_transform = nullptr;

    TransformNode* addTransform(const QString& typeKey)
    {
        return addTransformBelow(m_scene, typeKey, m_input, 100);
    }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        WindowSettings::instance().setProcessingDelay(0.05);
    }

    void init()
    {
        m_scene = new GraphModel;
        m_input = new DataNode({ "name", "city" }, { { "ann", "paris" }, { "bob", "rome" } });
        m_scene->insertNode(m_input);
        m_transform = addTransform(QStringLiteral("Case"));
        m_transform->process(false, true);
    }

    void cleanup()
    {
        delete m_scene;
        m_scene = nullptr;
    }

    // While the item reads, the grid shows the first rows it was given and
    // the status says how far the read is; the whole table replaces them.
    void firstRowsWhileReading()
    {
        auto* node = new ReadingNode({ "id" }, { { "whole" } });
        m_scene->insertNode(node);
        ItemPane pane;
        pane.setNode(node);
        QCOMPARE(pane.dataTable()->model()->rowCount(), 1);
        node->beginProcessing();
        QList<QStringList> rows;
        for (int r = 0; r < 1000; ++r)
            rows.append({ QString::number(r) });
        node->showFirstRows(makeDataset({ "id" }, rows));
        QCOMPARE(pane.dataTable()->model()->rowCount(), 1000);
        QCOMPARE(
            pane.dataTable()->model()->data(pane.dataTable()->model()->index(999, 0)).toString(),
            QStringLiteral("999"));
        auto* status = pane.findChild<QLabel*>(QStringLiteral("itemStatus"));
        QVERIFY(status);
        QCOMPARE(status->text(), QStringLiteral("Reading: the first 1,000 rows are shown"));
        node->onProcessed(0.5);
        QVERIFY2(status->text().startsWith(
                     QStringLiteral("Reading: the first 1,000 rows are shown, 50% read, about ")),
            qPrintable(status->text()));
        node->endProcessing(StatusUpToDate);
        QTRY_COMPARE(pane.dataTable()->model()->rowCount(), 1);
        QCOMPARE(status->text(), statusName(StatusUpToDate));
    }

    void optionStatesGreyEditors()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        auto* mode = qobject_cast<SelectionEditor*>(pane.options()->editor(QStringLiteral("Case")));
        ParameterEditor* keepUpper = pane.options()->editor(QStringLiteral("Keep_Upper"));
        QVERIFY(mode && keepUpper);
        mode->comboBox()->setCurrentText(QStringLiteral("Lower case"));
        QVERIFY(!keepUpper->isEnabled());
        mode->comboBox()->setCurrentText(QStringLiteral("Title case"));
        QVERIFY(keepUpper->isEnabled());
        QCOMPARE(m_transform->transform()->parameter(QStringLiteral("Case"))->text(),
            QStringLiteral("Title case"));
    }

    // The unit lists offer only the chosen dimension's units, and follow a
    // change of dimension at once.
    void unitChoicesFollowTheDimension()
    {
        TransformNode* units = addTransform(QStringLiteral("Units"));
        ItemPane pane;
        pane.setNode(units);
        auto* dimension
            = qobject_cast<SelectionEditor*>(pane.options()->editor(QStringLiteral("Dimension")));
        auto* from
            = qobject_cast<SelectionEditor*>(pane.options()->editor(QStringLiteral("UnitsFrom")));
        QVERIFY(dimension && from);
        QCOMPARE(from->comboBox()->count(), 7);
        dimension->comboBox()->setCurrentText(QStringLiteral("Temperature"));
        QCOMPARE(from->comboBox()->count(), 3);
        QCOMPARE(from->comboBox()->currentText(), QStringLiteral("Celsius/Centigrade"));
    }

    void editingIsBlockedDuringARun()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        pane.setEditingAllowed(false);
        QVERIFY(!pane.options()->editor(QStringLiteral("Case"))->isEnabled());
        QVERIFY(pane.commentEdit()->isReadOnly());
        pane.setEditingAllowed(true);
        QVERIFY(pane.options()->editor(QStringLiteral("Case"))->isEnabled());
        // Option states still apply once editing is allowed again.
        QVERIFY(!pane.options()->editor(QStringLiteral("Keep_Upper"))->isEnabled());
    }

    void columnOptionsShowUpstreamColumns()
    {
        TransformNode* sort = addTransform(QStringLiteral("Sort"));
        ItemPane pane;
        pane.setNode(sort);
        ParameterEditor* editor = nullptr;
        for (ParameterEditor* e : pane.options()->editors()) {
            if (e->parameter()->type() == ParameterType::SortColumns)
                editor = e;
        }
        QVERIFY(editor);
        auto* table = qobject_cast<SortColumnsEditor*>(editor);
        QVERIFY(table);
        const int row = table->appendRow();
        auto* combo = qobject_cast<QComboBox*>(table->table()->cellWidget(row, 0));
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(2), QStringLiteral("city"));
        combo->setCurrentIndex(2);
        QCOMPARE(editor->parameter()->columnRefs().size(), 1);
        // A renamed upstream column shows its new name after a refresh.
        Dataset renamed = m_input->dataset();
        renamed.setColumnName(1, QStringLiteral("town"));
        m_input->setData(renamed);
        pane.refresh();
        combo = qobject_cast<QComboBox*>(table->table()->cellWidget(0, 0));
        QCOMPARE(combo->currentText(), QStringLiteral("town"));
    }

    void dataAndMessageTabs()
    {
        m_input->setMessages({ "first warning", "second warning" }, { "read 2 rows" });
        ItemPane pane;
        pane.setNode(m_input);
        QCOMPARE(pane.dataTable()->model()->rowCount(), 2);
        QCOMPARE(pane.dataTable()->model()->index(1, 1).data().toString(), QStringLiteral("rome"));
        QCOMPARE(pane.tabs()->tabText(ItemPane::WarningsTab), QStringLiteral("Warnings (2)"));
        QCOMPARE(
            pane.warningsText()->toPlainText(), QStringLiteral("first warning\nsecond warning"));
        QCOMPARE(pane.informationText()->toPlainText(), QStringLiteral("read 2 rows"));
        // Characters are counted once the tab is shown.
        pane.tabs()->setCurrentIndex(ItemPane::CharactersTab);
        QVERIFY(pane.characters()->rowCount() > 0);
        pane.setNode(nullptr);
        QCOMPARE(pane.dataTable()->model()->rowCount(), 0);
    }

    void followsTheProcessingOfItsItem()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        QCOMPARE(pane.dataTable()->model()->rowCount(), 2);
        Dataset more = m_input->dataset();
        more.appendRow({ QStringLiteral("cy"), QStringLiteral("oslo") });
        m_input->setData(more);
        m_scene->process(GraphModel::RunAll, true);
        QCOMPARE(m_transform->status(), int(StatusUpToDate));
        QCOMPARE(pane.dataTable()->model()->rowCount(), 3);
    }

    void viewModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("options");
        QTest::addColumn<bool>("data");
        QTest::newRow("both") << int(ItemPane::ShowOptionsAndData) << true << true;
        QTest::newRow("options") << int(ItemPane::ShowOptionsOnly) << true << false;
        QTest::newRow("data") << int(ItemPane::ShowDataOnly) << false << true;
    }

    void viewModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, options);
        QFETCH(bool, data);
        ItemPane pane;
        pane.setNode(m_transform);
        pane.show();
        pane.viewButton(mode)->click();
        QCOMPARE(pane.viewMode(), mode);
        QCOMPARE(pane.options()->isVisible(), options);
        QCOMPARE(pane.tabs()->isVisible(), data);
    }

    void fullScreenAndBack()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        pane.show();
        QWidget* body = pane.tabs()->window();
        QCOMPARE(body, static_cast<QWidget*>(&pane));
        pane.fullScreenButton()->click();
        QVERIFY(pane.isFullScreen());
        QVERIFY(pane.tabs()->window() != &pane);
        QWidget* window = pane.tabs()->window();
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!pane.isFullScreen());
        QCOMPARE(pane.tabs()->window(), static_cast<QWidget*>(&pane));
        QVERIFY(!pane.fullScreenButton()->isChecked());
    }

    // The output's form, built by its own factory, writes into the item.
    void outputForm()
    {
        auto* output = new OutputNode(QStringLiteral("/tmp/never-written.csv"));
        output->setPos(300, 100);
        m_scene->insertNode(output);
        m_scene->insertConnection(m_transform, output);
        ItemPane pane;
        pane.setNode(output);
        auto* mode = pane.options()->findChild<QComboBox*>(QStringLiteral("Write mode"));
        QVERIFY(mode);
        QCOMPARE(mode->currentText(), QStringLiteral("Overwrite"));
        mode->setCurrentText(QStringLiteral("Disabled"));
        QCOMPARE(output->options().writeMode, int(WriteModeDisabled));
        auto* path = pane.options()->findChild<QLineEdit*>(QStringLiteral("File"));
        QCOMPARE(
            QDir::fromNativeSeparators(path->text()), QStringLiteral("/tmp/never-written.csv"));
    }

    // A workbook output shows its sheet, formatting and style template
    // options instead of the text ones, and they reach the writer's options.
    void workbookOutputForm()
    {
        auto* output = new OutputNode(QStringLiteral("/tmp/never-written.xlsx"));
        m_scene->insertNode(output);
        ItemPane pane;
        pane.setNode(output);
        QWidget* form = pane.options();
        QVERIFY(!form->findChild<QComboBox*>(QStringLiteral("Delimiter"))->isVisibleTo(form));
        auto* sheetMode = form->findChild<QComboBox*>(QStringLiteral("Excel overwrite mode"));
        QVERIFY(sheetMode->isVisibleTo(form));
        QCOMPARE(sheetMode->currentText(), QStringLiteral("Sheet"));
        sheetMode->setCurrentText(QStringLiteral("File"));
        form->findChild<QComboBox*>(QStringLiteral("Formatting"))->setCurrentText("General");
        form->findChild<QCheckBox*>(QStringLiteral("Excel style template"))->setChecked(true);
        auto* path = form->findChild<QLineEdit*>(QStringLiteral("Style template"));
        QVERIFY(path->isEnabled());
        QTest::keyClicks(path, QStringLiteral("/tmp/look.xlsx[Look]"));
        const WorkbookOutputOptions o
            = WorkbookOutputOptions::from(output->options().formatOptions);
        QVERIFY(!o.replaceSheetOnly);
        QCOMPARE(o.formatting, 1);
        QVERIFY(o.useStyleTemplate);
        QCOMPARE(o.styleTemplatePath, QStringLiteral("/tmp/look.xlsx[Look]"));
    }

    void otherKindsBringTheirOwnForm()
    {
        ItemPaneOptions::registerFormFactory(OutputNodeType, [](Node* node, QWidget* parent) {
            auto* label = new QLabel(node->displayName(), parent);
            label->setObjectName(QStringLiteral("outputForm"));
            return label;
        });
        struct OutputLike : DataNode
        {
            int type() const override { return OutputNodeType; }
        } output;
        ItemPane pane;
        pane.setNode(&output);
        QVERIFY(pane.options()->findChild<QLabel*>(QStringLiteral("outputForm")));
        QVERIFY(pane.options()->editors().isEmpty());
    }
};

QTEST_MAIN(TestItemPane)
#include "tst_itempane.moc"
