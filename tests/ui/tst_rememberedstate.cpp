// What the window remembers between runs: the user's saved option defaults
// and the layout. A "restart" is a second settings object over the same
// store, and a second window.
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/itemdefaults.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/actionpane.h"
#include "ui/commandlinedialog.h"
#include "ui/itemdefaultsbar.h"
#include "ui/itempane.h"
#include "ui/itempaneoptions.h"
#include "ui/mainwindow.h"
#include "ui/preferencesdialog.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

namespace {

// A settings object as the next run of the program opens it.
// A line edit that takes Ctrl+U for its own editing (it clears itself), as
// a line edit does under desktop key bindings that have it.
class ClaimingField : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride && isCtrlU(event)) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress && isCtrlU(event)) {
            clear();
            return true;
        }
        return QLineEdit::event(event);
    }

private:
    static bool isCtrlU(QEvent* event)
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        return key->key() == Qt::Key_U && key->modifiers() == Qt::ControlModifier;
    }
};

std::unique_ptr<WindowSettings> restarted()
{
    WindowSettings::instance().sync();
    return std::make_unique<WindowSettings>(QStringLiteral("/nonexistent"));
}

ItemDefaultsBar* showInPane(MainWindow& window, Node* node)
{
    window.itemPane()->setNode(node);
    return window.itemPane()->options()->defaultsBar();
}

InputNode* addPastedInput(MainWindow& window)
{
    auto* input = new InputNode;
    input->setClipboardSource(QStringLiteral("a,b\n1,2\n"));
    window.graph()->addNode(input);
    return input;
}

// A Case transform below the input, as the left pane's button adds one.
TransformNode* addCase(MainWindow& window, Node* input)
{
    window.graph()->clearSelection();
    input->setSelected(true);
    return window.graph()->addTransform(Catalogue::instance().create(QStringLiteral("Case")));
}

} // namespace

class TestRememberedState : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        isolateSettings(m_settingsDir);
        registerInputNodeKind();
    }

    void transformDefaultsSurviveRestart()
    {
        MainWindow window;
        window.setQuietMessages(true);
        window.graph()->setAutoRun(false);
        InputNode* input = addPastedInput(window);
        TransformNode* first = addCase(window, input);
        QVERIFY(first);
        const QString type = first->transform()->typeKey();
        first->transform()->parameter(QStringLiteral("Keep_Upper"))->setValue(true);
        ItemDefaultsBar* bar = showInPane(window, first);
        QVERIFY(bar);
        QVERIFY(bar->note()->isHidden());
        bar->saveAction()->trigger();
        QCOMPARE(restarted()->transformDefault(type, QStringLiteral("Keep_Upper")).toString(),
            first->transform()->parameter(QStringLiteral("Keep_Upper"))->serialise());

        TransformNode* second = addCase(window, input);
        const TransformParameter* keep
            = second->transform()->parameter(QStringLiteral("Keep_Upper"));
        QCOMPARE(keep->value().toBool(), true);
        QVERIFY(keep->userDefaultApplied());
        bar = showInPane(window, second);
        QVERIFY(!bar->note()->isHidden());
        QVERIFY(bar->note()->toolTip().contains(QStringLiteral("keep upper case")));

        bar->resetAction()->trigger();
        QVERIFY(!restarted()->transformDefault(type, QStringLiteral("Keep_Upper")).isValid());
        TransformNode* third = addCase(window, input);
        QCOMPARE(
            third->transform()->parameter(QStringLiteral("Keep_Upper"))->value().toBool(), false);
        window.setModified(false);
    }

    void inputDefaultsSurviveRestart()
    {
        MainWindow window;
        window.setQuietMessages(true);
        window.graph()->setAutoRun(false);
        InputNode* first = addPastedInput(window);
        InputOptions o = first->options();
        o.ignoredFirstRows = 2;
        o.trimWhitespace = false;
        o.alias = QStringLiteral("people");
        first->setOptions(o);
        showInPane(window, first)->saveAction()->trigger();

        const auto store = restarted();
        const QString source = QString::number(first->medium());
        const QString type = QString::number(first->fileType());
        QCOMPARE(store->itemDefault("input", source, type, "ignored_rows").toInt(), 2);
        // Where the data comes from is never a default.
        QVERIFY(!store->itemDefault("input", source, type, "alias").isValid());

        InputNode* second = addPastedInput(window);
        QCOMPARE(second->options().ignoredFirstRows, 2);
        QCOMPARE(second->options().trimWhitespace, false);
        QCOMPARE(second->options().alias, QString());
        QCOMPARE(ItemDefaults::applied(*second), (QStringList { "ignored_rows", "trim" }));
        QVERIFY(
            showInPane(window, second)->note()->toolTip().contains(QStringLiteral("ignored rows")));

        showInPane(window, second)->resetAction()->trigger();
        QCOMPARE(addPastedInput(window)->options().ignoredFirstRows, 0);
        window.setModified(false);
    }

    void layoutSurvivesRestart()
    {
        QList<int> panes;
        {
            MainWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(1000, 700);
            auto* splitter = window.findChild<QSplitter*>();
            QVERIFY(splitter);
            splitter->setSizes({ 180, 420, 400 });
            panes = splitter->sizes();
            window.action(QStringLiteral("&Tool bar"))->trigger();
            window.action(QStringLiteral("Toggle &UI Theme"))->trigger();
            QVERIFY(window.close());
        }
        const auto store = restarted();
        QCOMPARE(store->toolBarShown(), false);
        QCOMPARE(store->uiTheme(), int(WindowSettings::UiThemeDark));
        QCOMPARE(store->splitterWidth(1), panes.at(0));

        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(1000, 700));
        QCOMPARE(window.findChild<QSplitter*>()->sizes().first(), panes.at(0));
        QVERIFY(!window.findChild<QToolBar*>()->isVisible());
        QVERIFY(!window.action(QStringLiteral("&Tool bar"))->isChecked());
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 128);
        window.action(QStringLiteral("Toggle &UI Theme"))->trigger();
        window.close();
        QCOMPARE(restarted()->uiTheme(), int(WindowSettings::UiThemeLight));
    }

    // The Theme preference applies at once and is what the next start
    // finds; the toggle's Ctrl+U in a text field toggles instead of clearing
    // the field.
    void themePreferenceAppliesAndStays()
    {
        {
            MainWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!window.darkTheme());
            answerNextDialog([](QWidget* box) {
                auto* dialog = qobject_cast<PreferencesDialog*>(box);
                QVERIFY(dialog);
                dialog->field<QComboBox>(QStringLiteral("ui_theme"))
                    ->setCurrentIndex(WindowSettings::UiThemeDark);
                dialog->accept();
            });
            window.action(QStringLiteral("P&references..."))->trigger();
            QVERIFY(window.darkTheme());
            QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 128);
            QVERIFY(window.close());
        }
        QCOMPARE(restarted()->uiTheme(), int(WindowSettings::UiThemeDark));

        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.darkTheme());
        // A field that, as on desktops where Ctrl+U deletes to the start of
        // the line, claims the keys for itself.
        ClaimingField* field = new ClaimingField(window.actionPane());
        field->show();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("pivot"));
        QTest::keyClick(field, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("pivot"));
        QVERIFY(!window.darkTheme());
        window.close();
        QCOMPARE(restarted()->uiTheme(), int(WindowSettings::UiThemeLight));
    }

    void commandLineDialogShowsWarnings()
    {
        MainWindow window;
        window.setQuietMessages(true);
        window.graph()->setAutoRun(false);
        InputNode* input = addPastedInput(window);
        InputOptions o = input->options();
        o.alias = QStringLiteral("in");
        input->setOptions(o);
        CommandLineDialog dialog(window.graph(), QStringLiteral("/docs/a.transform"), true);
        QVERIFY(dialog.textEdit()->toPlainText().endsWith(QStringLiteral(" -cli -verbosity 2")));
        // Which warnings is the composer's to say; the dialog shows them.
        QVERIFY(dialog.warningsLabel()->text().contains(QStringLiteral("unsaved changes")));
        dialog.targetCombo()->setCurrentIndex(ComposerChoices::ShellScript);
        QVERIFY(dialog.textEdit()->toPlainText().startsWith(QStringLiteral("#!/bin/sh\n")));
        window.setModified(false);
    }
};

QTEST_MAIN(TestRememberedState)
#include "tst_rememberedstate.moc"
