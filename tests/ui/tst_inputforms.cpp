// The Input item's form on the real widgets: which fields a source and file
// type show, and that an edit of each reaches the item, waits for the
// processing delay, re-runs and can be undone; the schema editor, the folder
// dialog and the question about unknown extensions.
#include "core/optionmap.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "input/fixedwidthformat.h"
#include "ui/defaultfiletypedialog.h"
#include "ui/encodingguessdialog.h"
#include "ui/folderinputdialog.h"
#include "ui/graphpane.h"
#include "ui/inputform.h"
#include "ui/mainwindow.h"
#include "ui/schemaeditor.h"
#include "ui/wheelguard.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QString savedText(const QVariant& value)
{
    return value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char('|'))
                                                : value.toString();
}

} // namespace

class TestInputForms : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_data;
    GraphModel* m_scene = nullptr;

    // With showAll, the fields that only show after another choice (manual
    // widths, meta text) start out shown.
    InputNode* addInput(int medium, int type, bool showAll = true)
    {
        auto* node = new InputNode;
        if (medium == MediumFolder)
            node->setFolderSource(m_data.filePath("many"), "*.csv", false, type);
        else if (medium == MediumClipboard)
            node->setClipboardSource("a;b\n1;2", type);
        else
            node->setFileSource(m_data.filePath("people.csv"), type);
        if (showAll) {
            InputOptions o = node->options();
            FixedWidthReadOptions { false, {} }.store(&o.formatOptions);
            o.metaPlacement = MetaEveryRow;
            node->setOptions(o);
        }
        m_scene->insertNode(node);
        node->process(false, true);
        return node;
    }

    InputNode* onlyInput() const
    {
        const QList<Node*> nodes = m_scene->nodes();
        return nodes.size() == 1 ? qobject_cast<InputNode*>(nodes.first()) : nullptr;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        isolateSettings(m_settingsDir);
        WindowSettings::instance().setProcessingDelay(0.05);
        registerInputNodeKind();
        writeFile(m_data.filePath("people.csv"), "name,age\nann,31\nbob,42\n");
        writeFile(m_data.filePath("many/a.csv"), "x\n1\n");
        writeFile(m_data.filePath("many/B.CSV"), "x\n2\n");
        writeFile(m_data.filePath("many/empty.csv"), "");
        writeFile(m_data.filePath("many/notes.txt"), "some notes\n");
        writeFile(m_data.filePath("many/run.exe"), "MZ");
        writeFile(m_data.filePath("many/sub/c.csv"), "x\n3\n");
        writeFile(m_data.filePath("other/d.csv"), "x\n4\n");
    }

    void init()
    {
        m_scene = new GraphModel;
        m_scene->setAutoRun(true);
    }

    void cleanup()
    {
        delete m_scene;
        m_scene = nullptr;
    }

    void fieldsShownPerSourceAndType_data()
    {
        QTest::addColumn<int>("medium");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        const QStringList always { "Type", "Has header", "ignore empty columns", "Meta information",
            "Meta text", "Meta column name", "Schema", "Alias" };
        QTest::newRow("file, delimited")
            << int(MediumFile) << int(FileTypeDelimited)
            << always
                + QStringList { "File", "Watching", "Delimiter", "Quoting", "Encoding",
                      "Ignore first rows" }
            << QStringList { "Folder", "File match", "Sheet match", "Recurse", "Text", "Worksheet",
                   "Columns", "Widths", "Format", "ignore hidden Excel rows" };
        QTest::newRow("file, xlsx")
            << int(MediumFile) << int(FileTypeExcelXlsx)
            << QStringList { "Worksheet", "ignore hidden Excel rows", "ignore hidden Excel columns",
                   "Ignore first rows", "Watching" }
            << QStringList { "Delimiter", "Encoding", "Format", "Sheet match", "Columns" };
        QTest::newRow("file, fixed width")
            << int(MediumFile) << int(FileTypeFixedWidth)
            << QStringList { "Columns", "Widths", "Encoding", "Ignore first rows" }
            << QStringList { "Delimiter", "Quoting", "Format", "Worksheet" };
        QTest::newRow("file, xml")
            << int(MediumFile) << int(FileTypeXml) << QStringList { "Format", "Encoding" }
            << QStringList { "Ignore first rows", "Delimiter", "Widths", "Has header" };
        QTest::newRow("folder, xls") << int(MediumFolder) << int(FileTypeExcelXls)
                                     << always
                + QStringList {
                      "Folder", "File match", "Sheet match", "Recurse", "ignore hidden Excel rows"
                  } << QStringList { "File", "Worksheet", "Watching", "Text", "Delimiter" };
        QTest::newRow("folder, json")
            << int(MediumFolder) << int(FileTypeJson) << QStringList { "Folder", "Format" }
            << QStringList { "Sheet match", "Encoding", "Ignore first rows", "Columns",
                   "Has header" };
        QTest::newRow("clipboard, delimited")
            << int(MediumClipboard) << int(FileTypeDelimited) << QStringList { "Text", "Delimiter" }
            << QStringList { "File", "Folder", "Watching", "File match",
                   "ignore hidden Excel rows" };
    }

    void fieldsShownPerSourceAndType()
    {
        QFETCH(int, medium);
        QFETCH(int, type);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        InputNode* node = addInput(medium, type);
        InputOptionsForm form(node);
        for (const QString& name : shown) {
            auto* w = form.findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            QVERIFY2(w->isVisibleTo(&form), qPrintable(name + " should show"));
        }
        for (const QString& name : hidden) {
            auto* w = form.findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            QVERIFY2(!w->isVisibleTo(&form), qPrintable(name + " should be hidden"));
        }
        QAbstractButton* readFolder = buttonWithText(&form, "Read a Folder Instead...");
        QAbstractButton* changeFolder = buttonWithText(&form, "Change Folder...");
        QVERIFY(readFolder && changeFolder);
        QCOMPARE(readFolder->isVisibleTo(&form), medium == MediumFile);
        QCOMPARE(changeFolder->isVisibleTo(&form), medium == MediumFolder);
    }

    // Guess encoding: offered for a file, the candidates with the bytes they
    // cannot decode and the lines where they differ, and the one chosen set
    // as the Encoding option.
    void guessEncodingSetsTheOption()
    {
        const QString path = m_data.filePath("latin.csv");
        writeFile(path, QByteArray("name,price\nRen\xe9,5 \x80\nplain,1\n"));
        InputNode* node = addInput(MediumFile, FileTypeDelimited, false);
        node->setFileSource(path, FileTypeDelimited);
        InputOptionsForm form(node);
        QAbstractButton* guessButton = buttonWithText(&form, "Guess encoding...");
        QVERIFY(guessButton && guessButton->isVisibleTo(&form));
        const EncodingGuess guess = guessFileEncoding(path);
        EncodingGuessDialog dialog(path, guess, &form);
        QCOMPARE(dialog.list()->count(), 3);
        QVERIFY2(dialog.list()->item(0)->text().startsWith("Windows-1252: 0 byte(s)"),
            qPrintable(dialog.list()->item(0)->text()));
        QCOMPARE(dialog.sampleView()->toPlainText(), QStringLiteral("Line 2: Ren\u00e9,5 \u20ac"));
        QCOMPARE(dialog.chosenEncoding(), QStringLiteral("Windows-1252"));
        form.chooseEncoding(dialog.chosenEncoding());
        QTRY_COMPARE(node->options().encoding.toLower(), QStringLiteral("windows-1252"));
        InputOptionsForm clipboard(addInput(MediumClipboard, FileTypeDelimited));
        QVERIFY(!buttonWithText(&clipboard, "Guess encoding...")->isVisibleTo(&clipboard));
    }

    // Scrolling the pane over an option does not change it; a focused
    // option still takes the wheel.
    void wheelScrollsThePaneNotTheOption()
    {
        InputNode* node = addInput(MediumFile, FileTypeDelimited);
        QScrollArea pane;
        auto* form = new InputOptionsForm(node);
        pane.setWidget(form);
        pane.setWidgetResizable(true);
        pane.resize(400, 200);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        WheelGuard guard;
        qApp->installEventFilter(&guard);
        auto* encoding = form->findChild<QComboBox*>("Encoding");
        auto* skipped = form->findChild<QSpinBox*>("Ignore first rows");
        QVERIFY(encoding && skipped);
        // Each turned the way that changes it: the combo box down its list,
        // the spin box up from its minimum.
        const auto wheel = [](QWidget* target, int angle) {
            const QPoint at = target->rect().center();
            QWheelEvent turn(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &turn);
        };
        const int encodingBefore = encoding->currentIndex();
        const int skippedBefore = skipped->value();
        wheel(encoding, -120);
        wheel(skipped, 120);
        QCOMPARE(encoding->currentIndex(), encodingBefore);
        QCOMPARE(skipped->value(), skippedBefore);
        skipped->setFocus();
        QTRY_VERIFY(skipped->hasFocus());
        wheel(skipped, 120);
        QVERIFY(skipped->value() != skippedBefore);
        qApp->removeEventFilter(&guard);
    }

    void fieldsFollowTheChoices()
    {
        InputNode* node = addInput(MediumFile, FileTypeDelimited);
        InputOptionsForm form(node);
        auto* worksheet = form.findChild<QWidget*>("Worksheet");
        auto* metaText = form.findChild<QWidget*>("Meta text");
        auto* metaColumn = form.findChild<QWidget*>("Meta column name");
        form.findChild<QComboBox*>("Type")->setCurrentText("Excel XLSX");
        QVERIFY(worksheet->isVisibleTo(&form));
        QVERIFY(!form.findChild<QWidget*>("Delimiter")->isVisibleTo(&form));
        form.findChild<QComboBox*>("Meta information")->setCurrentText("At end");
        QVERIFY(metaText->isVisibleTo(&form));
        QVERIFY(!metaColumn->isVisibleTo(&form));
        form.findChild<QComboBox*>("Meta information")->setCurrentText("Not added");
        QVERIFY(!metaText->isVisibleTo(&form));
        // Manual widths can only be typed with manual columns.
        form.findChild<QComboBox*>("Type")->setCurrentText("Fixed width");
        form.findChild<QComboBox*>("Columns")->setCurrentText("Automatic");
        QVERIFY(!form.findChild<QWidget*>("Widths")->isEnabled());
    }

    void changeReachesTheItemRerunsAndUndoes_data()
    {
        QTest::addColumn<int>("medium");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        const int file = MediumFile;
        const int folder = MediumFolder;
        QTest::newRow("worksheet") << file << int(FileTypeExcelXlsx) << "Worksheet"
                                   << "Sales"
                                   << "worksheet" << QVariant("Sales");
        QTest::newRow("watching") << file << int(FileTypeDelimited) << "Watching"
                                  << ""
                                  << "watching" << QVariant(1);
        QTest::newRow("folder") << folder << int(FileTypeDelimited) << "Folder"
                                << m_data.filePath("other") << "multi_file_folder"
                                << QVariant(m_data.filePath("other"));
        QTest::newRow("file match") << folder << int(FileTypeDelimited) << "File match"
                                    << "*.txt"
                                    << "multi_file_match" << QVariant("*.txt");
        QTest::newRow("sheet match") << folder << int(FileTypeExcelXls) << "Sheet match"
                                     << "Q*"
                                     << "multi_sheetmatch" << QVariant("Q*");
        QTest::newRow("recurse") << folder << int(FileTypeDelimited) << "Recurse"
                                 << ""
                                 << "multi_file_recurse" << QVariant(1);
        QTest::newRow("columns") << file << int(FileTypeFixedWidth) << "Columns"
                                 << "Automatic"
                                 << "auto_fixed_widths" << QVariant(1);
        QTest::newRow("widths") << file << int(FileTypeFixedWidth) << "Widths"
                                << "5, 10,3"
                                << "fixed_widths" << QVariant(OptionMap::intListText({ 5, 10, 3 }));
        QTest::newRow("format") << file << int(FileTypeJson) << "Format"
                                << "Long (more rows)"
                                << "json_arrays_as_rows" << QVariant(1);
        QTest::newRow("hidden rows") << file << int(FileTypeExcelXls) << "ignore hidden Excel rows"
                                     << ""
                                     << "ignore_excel_hidden_rows" << QVariant(1);
        QTest::newRow("hidden columns")
            << folder << int(FileTypeExcelXlsx) << "ignore hidden Excel columns"
            << ""
            << "ignore_excel_hidden_cols" << QVariant(1);
        QTest::newRow("empty columns") << file << int(FileTypeDelimited) << "ignore empty columns"
                                       << ""
                                       << "ignore_empty_cols" << QVariant(1);
        QTest::newRow("ignored rows") << file << int(FileTypeDelimited) << "Ignore first rows"
                                      << "3"
                                      << "ignored_rows" << QVariant(3);
        QTest::newRow("meta placement") << folder << int(FileTypeDelimited) << "Meta information"
                                        << "At start"
                                        << "show_meta" << QVariant(1);
        QTest::newRow("delimiter") << file << int(FileTypeDelimited) << "Delimiter"
                                   << "Semicolon"
                                   << "delimiter" << QVariant(int(DelimiterSemicolon));
        QTest::newRow("meta text") << file << int(FileTypeDelimited) << "Meta text"
                                   << "$(FileName)"
                                   << "meta_text" << QVariant("$(FileName)");
        QTest::newRow("meta column") << file << int(FileTypeDelimited) << "Meta column name"
                                     << "Source"
                                     << "meta_col_name" << QVariant("Source");
        QTest::newRow("schema in use") << file << int(FileTypeDelimited) << "Schema"
                                       << ""
                                       << "schema_in_use" << QVariant(1);
        QTest::newRow("alias") << folder << int(FileTypeDelimited) << "Alias"
                               << "people"
                               << "alias" << QVariant("people");
        QTest::newRow("type") << file << int(FileTypeDelimited) << "Type"
                              << "JSON"
                              << "file_type" << QVariant(int(FileTypeJson));
    }

    void changeReachesTheItemRerunsAndUndoes()
    {
        QFETCH(int, medium);
        QFETCH(int, type);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        InputNode* node = addInput(medium, type);
        const QString before = savedText(node->saveOptions().value(key));
        QVERIFY(before != savedText(expected));
        InputOptionsForm form(node);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy runs(m_scene, &GraphModel::processingComplete);
        const int snapshots = m_scene->snapshotCount();

        QWidget* w = form.findChild<QWidget*>(field);
        QVERIFY2(w && w->isVisibleTo(&form) && w->isEnabled(), qPrintable(field));
        if (auto* check = qobject_cast<QCheckBox*>(w)) {
            check->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QVERIFY(combo->findText(value) >= 0);
            combo->setCurrentText(value);
        } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            spin->setValue(value.toInt());
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setFocus();
            line->selectAll();
            QTest::keyClicks(line, value);
            QTest::keyClick(line, Qt::Key_Return);
        }
        QCOMPARE(savedText(node->saveOptions().value(key)), savedText(expected));
        // Edits in a row of one field make one undo step.
        QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
        QCOMPARE(runs.count(), 0);
        QTRY_VERIFY(runs.count() >= 1);

        QVERIFY(m_scene->undo());
        InputNode* restored = onlyInput();
        QVERIFY(restored);
        QCOMPARE(restored->medium(), medium);
        QCOMPARE(savedText(restored->saveOptions().value(key)), before);
    }

    void schemaEditorRefusesBlankNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty name") << QStringList { "a", "" } << false;
        QTest::newRow("spaces only") << QStringList { " ", "a" } << false;
        QTest::newRow("spaces around") << QStringList { "a", " b " } << true;
        QTest::newRow("no columns") << QStringList {} << true;
    }

    void schemaEditorRefusesBlankNames()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, accepted);
        InputSchema schema;
        schema.inUse = true;
        schema.columnNames = names;
        SchemaEditorDialog dialog(schema, {});
        dialog.show();
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(dialog.problemLabel()->isVisibleTo(&dialog), !accepted);
        if (!accepted)
            QCOMPARE(dialog.problemLabel()->text(),
                QStringLiteral("Column names in the schema cannot be blank."));
        else
            QCOMPARE(dialog.schema().columnNames, names);
    }

    void schemaEditorRoundTrip()
    {
        InputSchema schema;
        schema.inUse = true;
        schema.columnNames = QStringList { "a", "b" };
        schema.missingValues = QStringList { "x", "y" };
        schema.missingColumns = SchemaMissingIsError;
        schema.extraColumns = SchemaExtraIsError;
        SchemaEditorDialog dialog(schema, { "name", "age" });
        QCOMPARE(dialog.schema(), schema);

        dialog.addColumn("c", "z");
        dialog.table()->setCurrentCell(2, 0);
        dialog.moveCurrentColumn(-1);
        dialog.moveCurrentColumn(-1);
        dialog.moveCurrentColumn(-1); // already at the top
        dialog.table()->setCurrentCell(1, 1);
        dialog.removeSelectedColumns();
        dialog.orderCombo()->setCurrentIndex(SchemaOrderIsError);
        dialog.extraCombo()->setCurrentIndex(SchemaIgnoreExtra);
        InputSchema edited = dialog.schema();
        QCOMPARE(edited.columnNames, (QStringList { "c", "b" }));
        QCOMPARE(edited.missingValues, (QStringList { "z", "y" }));
        QCOMPARE(edited.missingColumns, int(SchemaMissingIsError));
        QCOMPARE(edited.outOfOrder, int(SchemaOrderIsError));
        QCOMPARE(edited.extraColumns, int(SchemaIgnoreExtra));

        dialog.takeColumnsButton()->click();
        QCOMPARE(dialog.schema().columnNames, (QStringList { "name", "age" }));
        QCOMPARE(dialog.schema().missingValues, (QStringList { "", "" }));
    }

    void editButtonStoresTheSchema()
    {
        InputNode* node = addInput(MediumFile, FileTypeDelimited, false);
        QCOMPARE(node->dataset().columnNames(), (QStringList { "name", "age" }));
        InputOptionsForm form(node);
        const int snapshots = m_scene->snapshotCount();
        answerNextDialog([](QWidget* modal) {
            auto* dialog = qobject_cast<SchemaEditorDialog*>(modal);
            QVERIFY(dialog);
            QVERIFY(dialog->inUseCheck()->isChecked());
            dialog->takeCurrentColumns();
            dialog->addColumn("city", "unknown");
            dialog->accept();
        });
        buttonWithText(&form, "Edit...")->click();
        const InputSchema& schema = node->options().schema;
        QVERIFY(schema.inUse);
        QCOMPARE(schema.columnNames, (QStringList { "name", "age", "city" }));
        QCOMPARE(schema.missingValues, (QStringList { "", "", "unknown" }));
        QVERIFY(form.findChild<QCheckBox*>("Schema")->isChecked());
        QCOMPARE(m_scene->snapshotCount(), snapshots + 1);
        // The schema applies on the re-run that follows.
        QTRY_COMPARE(node->status(), int(StatusUpToDate));
        QCOMPARE(node->dataset().columnNames(), (QStringList { "name", "age", "city" }));
        QCOMPARE(node->dataset().row(0).value(2), QStringLiteral("unknown"));
        QVERIFY(m_scene->undo());
        QVERIFY(!onlyInput()->options().schema.inUse);
        QVERIFY(onlyInput()->options().schema.columnNames.isEmpty());
    }

    void folderDialogListsMatches_data()
    {
        QTest::addColumn<QString>("match");
        QTest::addColumn<bool>("recurse");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("note");
        QTest::newRow("csv") << "*.csv" << false << QStringList { "a.csv", "B.CSV" }
                             << "empty.csv' is 0 bytes";
        QTest::newRow("csv, recursing")
            << "*.csv" << true << QStringList { "a.csv", "B.CSV", "c.csv" } << "is 0 bytes";
        QTest::newRow("one character")
            << "?.CSV" << false << QStringList { "a.csv", "B.CSV" } << "";
        QTest::newRow("everything") << "*" << false << QStringList { "a.csv", "B.CSV", "notes.txt" }
                                    << "run.exe' extension blocked";
        QTest::newRow("nothing") << "*.json" << true << QStringList {} << "";
    }

    void folderDialogListsMatches()
    {
        QFETCH(QString, match);
        QFETCH(bool, recurse);
        QFETCH(QStringList, files);
        QFETCH(QString, note);
        FolderInputDialog dialog;
        dialog.setValues(m_data.filePath("many"), match, QString(), recurse, FileTypeDelimited);
        QTableWidget* table = dialog.matchTable();
        QStringList listed;
        for (int row = 0; row < table->rowCount(); ++row)
            listed << table->item(row, 1)->text();
        QCOMPARE(listed, files);
        QCOMPARE(dialog.matchedFiles().size(), files.size());
        QVERIFY2(dialog.summaryLabel()->text().startsWith(
                     QStringLiteral("%1 file(s) matched in %2 folder(s)")
                         .arg(files.size())
                         .arg(files.contains("c.csv") ? 2
                                 : files.isEmpty()    ? 0
                                                      : 1)),
            qPrintable(dialog.summaryLabel()->text()));
        QVERIFY2(dialog.notesView()->toPlainText().contains(note),
            qPrintable(dialog.notesView()->toPlainText()));
        QCOMPARE(dialog.okButton()->isEnabled(), !files.isEmpty());
        QCOMPARE(dialog.problemLabel()->text(),
            files.isEmpty() ? QStringLiteral("No files match.") : QString());
    }

    void folderDialogExplainsWhyNot_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("match");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unset") << ""
                               << "*.csv"
                               << "'Folder' is unset";
        QTest::newRow("wildcard in folder") << m_data.filePath("m*") << "*.csv"
                                            << "'Folder' should not contain '*' or '?' wildcards";
        QTest::newRow("missing") << m_data.filePath("nowhere") << "*.csv"
                                 << QStringLiteral("Folder '%1' not found")
                                        .arg(QDir::toNativeSeparators(m_data.filePath("nowhere")));
        QTest::newRow("slash in match") << m_data.filePath("many") << "sub/*.csv"
                                        << "'File match' should not contain '\\' or '/' characters";
    }

    void folderDialogExplainsWhyNot()
    {
        QFETCH(QString, folder);
        QFETCH(QString, match);
        QFETCH(QString, problem);
        FolderInputDialog dialog;
        dialog.setValues(folder, match, QString(), true, FileTypeDelimited);
        QCOMPARE(dialog.problemLabel()->text(), problem);
        QVERIFY(!dialog.okButton()->isEnabled());
        QCOMPARE(dialog.matchTable()->rowCount(), 0);
    }

    void folderDialogFollowsTyping()
    {
        FolderInputDialog dialog;
        dialog.setValues(m_data.filePath("many"), "*.csv", QString(), false, FileTypeDelimited);
        QCOMPARE(dialog.matchTable()->rowCount(), 2);
        dialog.fileMatchEdit()->setText("notes.txt");
        QTRY_COMPARE(dialog.matchTable()->rowCount(), 1);
        // A wildcard without one, and a type the extension map disagrees with,
        // are pointed out without stopping the user.
        QVERIFY(dialog.notesView()->toPlainText().contains(
            "'File match' should usually contain '*' or '?' wildcards"));
        QVERIFY(dialog.notesView()->toPlainText().contains(
            "File type 'Delimited text' may be incorrect for extension 'txt'"));
        QVERIFY(dialog.okButton()->isEnabled());
        QVERIFY(!dialog.sheetMatchEdit()->isEnabled());
        dialog.typeCombo()->setCurrentIndex(dialog.typeCombo()->findData(FileTypeExcelXlsx));
        dialog.refresh();
        QVERIFY(dialog.sheetMatchEdit()->isEnabled());
    }

    void fileInputBecomesAFolderInput()
    {
        InputNode* node = addInput(MediumFile, FileTypeDelimited);
        InputOptionsForm form(node);
        answerNextDialog([this](QWidget* modal) {
            auto* dialog = qobject_cast<FolderInputDialog*>(modal);
            QVERIFY(dialog);
            // It starts from the file's folder and extension.
            QCOMPARE(dialog->folder(), m_data.path());
            QCOMPARE(dialog->fileMatch(), QStringLiteral("*.csv"));
            dialog->folderEdit()->setText(QDir::toNativeSeparators(m_data.filePath("many")));
            dialog->recurseCheck()->setChecked(true);
            dialog->refresh();
            QCOMPARE(dialog->matchedFiles().size(), 3);
            dialog->accept();
        });
        buttonWithText(&form, "Read a Folder Instead...")->click();
        QCOMPARE(node->medium(), int(MediumFolder));
        QCOMPARE(node->options().folder, m_data.filePath("many"));
        QCOMPARE(node->options().fileMatch, QStringLiteral("*.csv"));
        QVERIFY(node->options().recurse);
        QVERIFY(form.findChild<QWidget*>("Folder")->isVisibleTo(&form));
        QVERIFY(!form.findChild<QWidget*>("File")->isVisibleTo(&form));
        QTRY_COMPARE(node->status(), int(StatusUpToDate));
        QCOMPARE(node->filesRead(), 3);
        QVERIFY(m_scene->undo());
        QCOMPARE(onlyInput()->medium(), int(MediumFile));
    }

    void unknownExtensionAsksOnce()
    {
        const QString path = m_data.filePath("table.dat");
        QVERIFY(!WindowSettings::instance().inputFileExtensions().contains("dat"));
        answerNextDialog([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        QCOMPARE(DefaultFileTypeDialog::typeForNewInput(path, nullptr), int(FileTypeNone));
        QVERIFY(!WindowSettings::instance().inputFileExtensions().contains("dat"));

        answerNextDialog([](QWidget* modal) {
            auto* dialog = qobject_cast<DefaultFileTypeDialog*>(modal);
            QVERIFY(dialog);
            QVERIFY(dialog->findChild<QLabel*>()->text().contains(QStringLiteral("'dat'")));
            dialog->typeCombo()->setCurrentText("XML");
            dialog->accept();
        });
        QCOMPARE(DefaultFileTypeDialog::typeForNewInput(path, nullptr), int(FileTypeXml));
        QCOMPARE(WindowSettings::instance().inputFileExtensions().value("dat"), int(FileTypeXml));
        // Known now (any case), and a known or missing extension never asks.
        QCOMPARE(DefaultFileTypeDialog::typeForNewInput(m_data.filePath("more.DAT"), nullptr),
            int(FileTypeXml));
        QCOMPARE(DefaultFileTypeDialog::typeForNewInput(m_data.filePath("people.csv"), nullptr),
            int(FileTypeDelimited));
        QCOMPARE(DefaultFileTypeDialog::typeForNewInput(m_data.filePath("README"), nullptr),
            int(FileTypeDelimited));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void droppedFileOfUnknownExtension()
    {
        const QString path = m_data.filePath("contacts.card");
        writeFile(path, "BEGIN:VCARD\nFN:Ann\nEND:VCARD\n");
        MainWindow window;
        window.setQuietMessages(true);
        GraphModel* graph = window.graph();
        const int snapshots = graph->snapshotCount();
        answerNextDialog([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        emit window.graphPane()->filesDropped({ path }, QPointF(0, 0));
        QVERIFY(graph->nodes().isEmpty());
        QCOMPARE(graph->snapshotCount(), snapshots);

        answerNextDialog([](QWidget* modal) {
            auto* dialog = qobject_cast<DefaultFileTypeDialog*>(modal);
            QVERIFY(dialog);
            dialog->typeCombo()->setCurrentText("vCard");
            dialog->accept();
        });
        emit window.graphPane()->filesDropped({ path }, QPointF(0, 0));
        QCOMPARE(graph->nodes().size(), 1);
        auto* input = qobject_cast<InputNode*>(graph->nodes().first());
        QVERIFY(input);
        QCOMPARE(input->fileType(), int(FileTypeVCard));
        QCOMPARE(
            WindowSettings::instance().inputFileExtensions().value("card"), int(FileTypeVCard));
        window.setModified(false);
    }
};

QTEST_MAIN(TestInputForms)
#include "tst_inputforms.moc"
