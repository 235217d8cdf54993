#include "transforms/transformparameter.h"
#include "ui/editors/columneditors.h"
#include "ui/editors/simpleeditors.h"
#include "ui/editors/termeditors.h"
#include "ui/editors/verifyruleseditor.h"
#include "uitesthelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

class TestEditors : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    std::unique_ptr<DataNode> m_upstream;

    // A column option bound to the upstream item (columns a, b, c).
    std::unique_ptr<TransformParameter> columnParameter(ParameterType type)
    {
        auto p = std::make_unique<TransformParameter>(
            type, QStringLiteral("Columns"), QStringLiteral("columns"));
        p->setSourceItem(m_upstream.get());
        return p;
    }
    ColumnRef ref(const TransformParameter& p, int position) { return p.referenceAt(position); }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        m_upstream = std::make_unique<DataNode>(
            QStringList { "a", "b", "c" }, QList<QStringList> { { "1", "2", "3" } });
    }

    // Loaded values come back from the widgets unchanged: every decimal, every
    // line.
    void valuesComeBackAsLoaded_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("real") << int(ParameterType::Real) << QVariant(12.125);
        QTest::newRow("long text") << int(ParameterType::LongText) << QVariant("x\ny\nz");
        QTest::newRow("script") << int(ParameterType::Script)
                                << QVariant("function f() {\n  return 2;\n}");
    }

    void valuesComeBackAsLoaded()
    {
        QFETCH(int, type);
        QFETCH(QVariant, value);
        TransformParameter p(
            ParameterType(type), QStringLiteral("Key"), QStringLiteral("label"), value);
        std::unique_ptr<ParameterEditor> editor(createParameterEditor(&p));
        QVERIFY(editor);
        TransformParameter shown(p);
        shown.setValue(editor->editedValue());
        QCOMPARE(shown.value(), p.value());
    }

    void systemLocaleIsNull()
    {
        TransformParameter p(
            ParameterType::Locale, QStringLiteral("Locale"), QStringLiteral("locale"));
        LocaleEditor editor(&p);
        editor.load();
        QCOMPARE(editor.comboBox()->currentIndex(), 0);
        QVERIFY(editor.editedValue().isNull());
    }

    void numberEditorsTakeBoundsSuffixAndSpecialText()
    {
        TransformParameter p(ParameterType::Int, QStringLiteral("Base"), QStringLiteral("base"), 1);
        p.setIntRange(1, 36);
        p.setSpecialValueText(QStringLiteral("Guess"));
        p.setSuffix(QStringLiteral(" digits"));
        IntEditor editor(&p);
        editor.load();
        QCOMPARE(editor.spinBox()->minimum(), 1);
        QCOMPARE(editor.spinBox()->maximum(), 36);
        QCOMPARE(editor.spinBox()->text(), QStringLiteral("Guess"));
        editor.spinBox()->setValue(99);
        QCOMPARE(editor.editedValue().toInt(), 36);
        QCOMPARE(editor.spinBox()->text(), QStringLiteral("36 digits"));

        TransformParameter r(
            ParameterType::Real, QStringLiteral("Delay"), QStringLiteral("delay"), 5.0);
        r.setRealRange(0.5, 10.0);
        r.setSuffix(QStringLiteral(" seconds"));
        RealEditor real(&r);
        real.load();
        real.spinBox()->setValue(0.0);
        QCOMPARE(real.editedValue().toDouble(), 0.5);
        QVERIFY(real.spinBox()->text().endsWith(QStringLiteral(" seconds")));
    }

    void charEditorShowsInvisibleCharacters_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("space") << " "
                               << "<Space>";
        QTest::newRow("tab") << "\t"
                             << "<Tab>";
        QTest::newRow("letter") << "x"
                                << "x";
        QTest::newRow("none") << ""
                              << "";
    }

    void charEditorShowsInvisibleCharacters()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        TransformParameter p(
            ParameterType::Char, QStringLiteral("Pad"), QStringLiteral("pad with"), stored);
        CharEditor editor(&p);
        editor.load();
        QCOMPARE(editor.charEdit()->text(), shown);
        QCOMPARE(editor.editedValue().toString(), stored);
    }

    void charEditorKeepsTheLastCharacterTyped()
    {
        TransformParameter p(
            ParameterType::Char, QStringLiteral("Pad"), QStringLiteral("pad with"), " ");
        CharEditor editor(&p);
        editor.load();
        QSignalSpy spy(&editor, &ParameterEditor::edited);
        editor.charEdit()->setCursorPosition(7);
        QTest::keyClicks(editor.charEdit(), QStringLiteral("z"));
        QCOMPARE(editor.charEdit()->text(), QStringLiteral("z"));
        QTest::keyClick(editor.charEdit(), Qt::Key_Tab);
        QCOMPARE(editor.charEdit()->text(), QStringLiteral("<Tab>"));
        QCOMPARE(editor.editedValue().toString(), QStringLiteral("\t"));
        QTest::keyClick(editor.charEdit(), Qt::Key_Backspace);
        QVERIFY(editor.editedValue().toString().isEmpty());
        QCOMPARE(spy.count(), 3);
    }

    void scriptEditorIsMonospacedWithLineNumbers()
    {
        TransformParameter p(ParameterType::Script, QStringLiteral("Script"),
            QStringLiteral("script"), QStringLiteral("a\nb\nc"));
        ScriptEditor editor(&p);
        editor.load();
        QVERIFY(editor.codeEdit()->font().fixedPitch());
        QCOMPARE(editor.codeEdit()->blockCount(), 3);
        QVERIFY(editor.codeEdit()->lineNumberWidth() > 0);
        QVERIFY(editor.codeEdit()->viewport()->x() >= editor.codeEdit()->lineNumberWidth());
    }

    void singleColumnChooser()
    {
        auto p = columnParameter(ParameterType::SingleColumn);
        p->setValue(QVariant::fromValue(ref(*p, 1)));
        SingleColumnEditor editor(p.get());
        editor.load();
        QComboBox* combo = editor.comboBox();
        QCOMPARE(combo->itemText(0), QStringLiteral("<None selected>"));
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->currentText(), QStringLiteral("b"));
        // The filter narrows the choices but keeps the chosen column.
        editor.filterEdit()->setText(QStringLiteral("C"));
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QStringLiteral("b"));
        QCOMPARE(combo->itemText(2), QStringLiteral("c"));
        editor.filterEdit()->clear();
        combo->setCurrentIndex(3);
        p->setValue(editor.editedValue());
        QCOMPARE(p->resolve(p->columnRef()), 2);
        combo->setCurrentIndex(0);
        p->setValue(editor.editedValue());
        QVERIFY(p->columnRef().isEmpty());
    }

    void sortColumns()
    {
        auto p = columnParameter(ParameterType::SortColumns);
        p->setValue(QVariant::fromValue(SortColumnList { { ref(*p, 1), false } }));
        SortColumnsEditor editor(p.get());
        editor.load();
        QTableWidget* table = editor.table();
        QCOMPARE(table->rowCount(), 1);
        auto* column = qobject_cast<QComboBox*>(table->cellWidget(0, 0));
        auto* direction = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        QCOMPARE(column->currentText(), QStringLiteral("b"));
        QCOMPARE(direction->currentIndex(), 1);
        const int row = editor.appendRow();
        qobject_cast<QComboBox*>(table->cellWidget(row, 0))->setCurrentText(QStringLiteral("a"));
        editor.moveRow(1, 0);
        p->setValue(editor.editedValue());
        const SortColumnList value = p->sortColumns();
        QCOMPARE(value.size(), 2);
        QCOMPARE(p->resolve(value.at(0).column), 0);
        QVERIFY(value.at(0).ascending);
        QCOMPARE(p->resolve(value.at(1).column), 1);
        QVERIFY(!value.at(1).ascending);
    }

    void orderedColumnsHaveNoDirection()
    {
        auto p = columnParameter(ParameterType::OrderedColumns);
        p->setValue(QVariant::fromValue(ColumnRefList { ref(*p, 2) }));
        SortColumnsEditor editor(p.get());
        editor.load();
        QCOMPARE(editor.table()->columnCount(), 1);
        editor.removeRow(0);
        p->setValue(editor.editedValue());
        QVERIFY(p->columnRefs().isEmpty());
    }

    void filterTerms()
    {
        auto p = columnParameter(ParameterType::FilterColumns);
        FilterList filter;
        filter.keepRemove = 1;
        filter.allAny = 1;
        filter.terms = { { ColumnRef(), 0, "x" }, { ref(*p, 2), 19, "" } };
        p->setValue(QVariant::fromValue(filter));
        FilterTermsEditor editor(p.get());
        editor.load();
        QCOMPARE(editor.keepRemoveCombo()->currentText(), QStringLiteral("Remove"));
        QCOMPARE(editor.allAnyCombo()->currentText(), QStringLiteral("Matching any (OR)"));
        auto* any = qobject_cast<QComboBox*>(editor.table()->cellWidget(0, 0));
        QCOMPARE(any->currentText(), QStringLiteral("<Any>"));
        auto* op = qobject_cast<QComboBox*>(editor.table()->cellWidget(1, 1));
        QCOMPARE(op->currentText(), QStringLiteral("\u2205   Is empty"));
        TransformParameter copy(*p);
        copy.setValue(editor.editedValue());
        QVERIFY(copy.filterList() == filter);
        editor.keepRemoveCombo()->setCurrentIndex(0);
        p->setValue(editor.editedValue());
        QCOMPARE(p->filterList().keepRemove, 0);
    }

    void ifChain()
    {
        auto p = columnParameter(ParameterType::If);
        IfList chain;
        chain.branches = { { { { ref(*p, 0), 1, "1" }, { ref(*p, 1), 4, "0" } }, "both" },
            { { { ColumnRef(), 0, "z" } }, "any z" } };
        chain.elseValue = "none";
        p->setValue(QVariant::fromValue(chain));
        IfEditor editor(p.get());
        editor.load();
        QTableWidget* table = editor.table();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(
            qobject_cast<QComboBox*>(table->cellWidget(0, 0))->currentText(), QStringLiteral("IF"));
        QCOMPARE(qobject_cast<QComboBox*>(table->cellWidget(1, 0))->currentText(),
            QStringLiteral("AND"));
        QCOMPARE(qobject_cast<QComboBox*>(table->cellWidget(2, 0))->currentText(),
            QStringLiteral("ELSE IF"));
        QVERIFY(!table->cellWidget(1, 4)->isEnabled());
        QCOMPARE(editor.elseEdit()->text(), QStringLiteral("none"));
        TransformParameter copy(*p);
        copy.setValue(editor.editedValue());
        QVERIFY(copy.ifList() == chain);
        // Turning the AND row into ELSE IF splits the first branch.
        editor.setRowJoinsAbove(1, false);
        p->setValue(editor.editedValue());
        QCOMPARE(p->ifList().branches.size(), 3);
    }

    void replaceTermsAndSplitRows()
    {
        TransformParameter replace(
            ParameterType::ReplaceTerms, QStringLiteral("Terms"), QStringLiteral("terms"));
        const ReplaceTermList terms { { 0, "a", "b" }, { 10, "", "?" } };
        replace.setValue(QVariant::fromValue(terms));
        ReplaceTermsEditor replaceEditor(&replace);
        replaceEditor.load();
        QCOMPARE(qobject_cast<QComboBox*>(replaceEditor.table()->cellWidget(1, 0))->currentText(),
            QStringLiteral("Non-ASCII"));
        replaceEditor.moveRow(0, 1);
        replace.setValue(replaceEditor.editedValue());
        QCOMPARE(replace.replaceTerms(), (ReplaceTermList { terms.at(1), terms.at(0) }));

        TransformParameter split(
            ParameterType::SplitRows, QStringLiteral("Split_Rows"), QStringLiteral("split"));
        split.setValue(QVariant::fromValue(SplitRowsSpec { 2, 3, 4, QString() }));
        SplitRowsEditor splitEditor(&split);
        splitEditor.load();
        QCOMPARE(splitEditor.timesSpin()->value(), 3);
        QCOMPARE(splitEditor.everySpin()->value(), 4);
        QVERIFY(!splitEditor.textEdit()->isEnabled());
        splitEditor.modeCombo()->setCurrentIndex(0);
        QVERIFY(splitEditor.textEdit()->isEnabled());
        QVERIFY(!splitEditor.timesSpin()->isEnabled());
        QTest::keyClicks(splitEditor.textEdit(), QStringLiteral("_"));
        split.setValue(splitEditor.editedValue());
        QCOMPARE(split.splitRows().mode, 0);
        QCOMPARE(split.splitRows().text, QStringLiteral("_"));
    }

    void verifyRulesTree()
    {
        auto p = columnParameter(ParameterType::VerifyRules);
        VerifyRuleSet rules;
        rules.datasetRules = { { 3, true, 1, "10" } };
        VerifyColumnRules column;
        column.position = 1;
        column.expectedName = "b";
        column.columnType = 1;
        column.rules = { { 9, false, 2, "5" } };
        rules.columns = { column };
        p->setValue(QVariant::fromValue(rules));
        VerifyRulesEditor editor(p.get());
        editor.load();
        QTreeWidget* tree = editor.tree();
        QCOMPARE(tree->topLevelItemCount(), 4); // dataset + three columns
        QCOMPARE(
            tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Minimum number of rows"));
        QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("Minimum value"));
        QCOMPARE(tree->topLevelItem(2)->child(0)->checkState(0), Qt::Unchecked);
        TransformParameter copy(*p);
        copy.setValue(editor.editedValue());
        QVERIFY(copy.verifyRules() == rules);
        QSignalSpy spy(&editor, &ParameterEditor::edited);
        editor.addRule(tree->topLevelItem(3), 7);
        QCOMPARE(spy.count(), 1);
        p->setValue(editor.editedValue());
        QCOMPARE(p->verifyRules().columns.size(), 2);
        QCOMPARE(p->verifyRules().columns.at(1).rules.at(0).kind, 7);
    }

    void verifyRuleRemoved()
    {
        auto p = columnParameter(ParameterType::VerifyRules);
        VerifyRuleSet rules;
        rules.datasetRules = { { 3, true, 1, "10" }, { 5, true, 2, "" } };
        p->setValue(QVariant::fromValue(rules));
        VerifyRulesEditor editor(p.get());
        editor.load();
        editor.tree()->setCurrentItem(editor.tree()->topLevelItem(0)->child(0));
        buttonWithText(&editor, QStringLiteral("Remove rule"))->click();
        const VerifyRuleSet edited = editor.editedValue().value<VerifyRuleSet>();
        QCOMPARE(edited.datasetRules.size(), 1);
        QCOMPARE(edited.datasetRules.first().kind, 5);
    }

    void ruleKindsDependOnColumnType_data()
    {
        QTest::addColumn<int>("columnType");
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("notOffered");
        QTest::newRow("date") << 0 << 3 << 9;
        QTest::newRow("integer") << 1 << 47 << 3;
        QTest::newRow("real") << 2 << 11 << 47;
        QTest::newRow("text") << 4 << 30 << 13;
    }

    void ruleKindsDependOnColumnType()
    {
        QFETCH(int, columnType);
        QFETCH(int, offered);
        QFETCH(int, notOffered);
        const QVector<int> kinds = VerifyRulesEditor::columnRuleKinds(columnType);
        QVERIFY(kinds.contains(offered));
        QVERIFY(!kinds.contains(notOffered));
        QVERIFY(kinds.contains(0)); // every type can check its name
    }
};

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
