#include "graph/graphscene.h"
#include "graph/transformnode.h"
#include "input/delimitedreader.h"
#include "input/inputnode.h"
#include "output/outputnode.h"
#include "output/writer.h"
#include "transforms/catalogue.h"
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
#include <QScrollArea>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

class TestItemPane : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    GraphScene* m_scene = nullptr;
    DataNode* m_input = nullptr;
    TransformNode* m_transform = nullptr;

    TransformNode* addTransform(const QString& typeKey)
    {
        auto* node = new TransformNode(Catalogue::instance().create(typeKey));
        node->setId(Node::nextId());
        node->setPos(0, 100);
        m_scene->insertNode(node);
        m_scene->insertConnection(m_input, node);
        node->upstreamChanged();
        return node;
    }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        WindowSettings::instance().setProcessingDelay(0.05);
    }

    void init()
    {
        m_scene = new GraphScene;
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

    void showsOneEditorPerOption()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        const QList<TransformParameter*> parameters = m_transform->transform()->parameters();
        QCOMPARE(pane.options()->editors().size(), parameters.size());
        for (TransformParameter* p : parameters) {
            ParameterEditor* editor = pane.options()->editor(p->key());
            QVERIFY2(editor, qPrintable(p->key()));
            QCOMPARE(editor->parameter(), p);
        }
        // Check boxes carry their own label; the others get one beside them.
        QVERIFY(!pane.options()->label(QStringLiteral("Keep_Upper")));
        QCOMPARE(pane.options()->label(QStringLiteral("Case"))->text(),
            m_transform->transform()->parameter(QStringLiteral("Case"))->label());
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

    void scriptEditorOffersHelp()
    {
        TransformNode* script = addTransform(QStringLiteral("Javascript"));
        ItemPane pane;
        pane.setNode(script);
        ParameterEditor* editor = pane.options()->editor(QStringLiteral("Script"));
        QVERIFY(editor);
        auto* help = editor->findChild<QToolButton*>();
        QVERIFY(help && help->text() == QLatin1String("?"));
        QCOMPARE(qobject_cast<ScriptEditor*>(editor)->codeEdit()->toPlainText(),
            script->transform()->parameter(QStringLiteral("Script"))->text());
    }

    void changesRecordUndoAndWaitForTheDelay()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        QSignalSpy changed(&pane, &ItemPane::optionsChanged);
        QCOMPARE(m_transform->status(), int(StatusUpToDate));
        const int snapshots = m_scene->snapshotCount();
        auto* mode = qobject_cast<SelectionEditor*>(pane.options()->editor(QStringLiteral("Case")));
        mode->comboBox()->setCurrentText(QStringLiteral("Upper case"));
        mode->comboBox()->setCurrentText(QStringLiteral("Sentence case"));
        QCOMPARE(changed.count(), 2);
        // Edits of one option in a row make one undo step.
        QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
        const QString label = m_transform->transform()->parameter(QStringLiteral("Case"))->label();
        QCOMPARE(m_scene->undoLabel(), QStringLiteral("change '%1'").arg(label));
        // Processing waits for the delay.
        QCOMPARE(m_transform->status(), int(StatusUpToDate));
        QTRY_COMPARE(m_transform->status(), int(StatusNeedsUpdating));
        auto* keep
            = qobject_cast<BoolEditor*>(pane.options()->editor(QStringLiteral("Keep_Upper")));
        keep->checkBox()->click();
        QCOMPARE(m_scene->snapshotCount(), snapshots + 2);
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
        QCOMPARE(pane.tabs()->tabText(ItemPane::DataTab), QStringLiteral("Data"));
        QCOMPARE(pane.tabs()->tabText(ItemPane::WarningsTab), QStringLiteral("Warnings (2)"));
        QCOMPARE(
            pane.warningsText()->toPlainText(), QStringLiteral("first warning\nsecond warning"));
        QCOMPARE(pane.informationText()->toPlainText(), QStringLiteral("read 2 rows"));
        QCOMPARE(pane.tabs()->tabToolTip(ItemPane::InfoTab),
            QStringLiteral("Information from the most recent processing."));
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
        m_scene->process(GraphScene::RunAll, true);
        QCOMPARE(m_transform->status(), int(StatusUpToDate));
        QCOMPARE(pane.dataTable()->model()->rowCount(), 3);
    }

    void commentIsStoredWithUndo()
    {
        ItemPane pane;
        pane.setNode(m_transform);
        const int snapshots = m_scene->snapshotCount();
        QTest::keyClicks(pane.commentEdit(), QStringLiteral("check me"));
        QCOMPARE(m_transform->comment(), QStringLiteral("check me"));
        QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
        QCOMPARE(pane.commentEdit()->toolTip(),
            QStringLiteral("Add a useful comment for a colleague or your future self."));
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
        QVERIFY(pane.viewButton(mode)->toolTip().startsWith(QStringLiteral("Show ")));
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

    void inputAndOutputForms()
    {
        auto* input = new InputNode;
        input->setId(Node::nextId());
        input->setClipboardSource(QStringLiteral("a;b\n1;2"));
        input->setPos(300, 0);
        m_scene->insertNode(input);
        auto* output = new OutputNode(QStringLiteral("/tmp/never-written.csv"));
        output->setId(Node::nextId());
        output->setPos(300, 100);
        m_scene->insertNode(output);
        m_scene->insertConnection(input, output);

        ItemPane pane;
        pane.setNode(input);
        auto* delimiter = pane.options()->findChild<QComboBox*>(QStringLiteral("Delimiter"));
        QVERIFY(delimiter);
        QCOMPARE(delimiter->currentText(), QStringLiteral("Automatic"));
        const int snapshots = m_scene->snapshotCount();
        delimiter->setCurrentText(QStringLiteral("Semicolon"));
        QCOMPARE(DelimitedReadOptions::from(input->options().formatOptions).delimiter,
            int(DelimiterSemicolon));
        QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
        auto* text = pane.options()->findChild<QPlainTextEdit*>();
        QVERIFY(text);
        QCOMPARE(text->toPlainText(), QStringLiteral("a;b\n1;2"));

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
