#include "core/runcontext.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/notenode.h"
#include "graph/outputnode.h"
#include "ui/mainwindow.h"
#include "ui/prompts.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// A document of file inputs at the given paths.
QByteArray documentWithInputs(const QStringList& paths)
{
    QByteArray text = "<!DOCTYPE Varnix>\n<root>\n    <meta>\n        <version value=\"87\"/>\n"
                      "    </meta>\n    <inputs>\n";
    int id = 1;
    for (const QString& path : paths) {
        text += "        <input id=\"" + QByteArray::number(id) + "\" path=\""
            + QUrl::toPercentEncoding(path) + "\" pos_v12=\"" + QByteArray::number(id * 200)
            + "\x1f" + "0\"/>\n";
        ++id;
    }
    text += "    </inputs>\n</root>\n";
    return text;
}

} // namespace

// The window's document commands around the reader and writer.
class TestMainWindowDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerInputNodeKind();
        registerOutputNodeKind();
    }

    void missingInputsAreListed_data();
    void missingInputsAreListed();
    void missingFolderIsChosenAgain();
    void recentListKeepsTheNewestOnce();
    void memoryDialogOffersMoreThanTheMaximum_data();
    void memoryDialogOffersMoreThanTheMaximum();
    void memoryQuestionFromAnotherThread();
    void documentPlaceAndLocale();
};

void TestMainWindowDocument::missingInputsAreListed_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("expected");

    const QString root = QDir::toNativeSeparators(QStringLiteral("/no/such/folder/"));
    QTest::newRow("one")
        << QStringList { "/no/such/folder/a.csv" }
        << QStringLiteral("The following input file cannot be found:\n\n%1a.csv\n\nDo you wish "
                          "to choose a new input file?")
               .arg(root);
    QTest::newRow("the same file twice counts once")
        << QStringList { "/no/such/folder/a.csv", "/no/such/folder/a.csv" }
        << QStringLiteral("The following input file cannot be found:\n\n%1a.csv\n\nDo you wish "
                          "to choose a new input file?")
               .arg(root);
    QStringList seven;
    QStringList listed;
    for (int i = 1; i <= 7; ++i) {
        seven << QStringLiteral("/no/such/folder/f%1.csv").arg(i);
        if (i <= 5)
            listed << QStringLiteral("%1f%2.csv").arg(root).arg(i);
    }
    listed << QStringLiteral("+ 2 more");
    QTest::newRow("more than five")
        << seven
        << QStringLiteral("The following 7 input files cannot be found:\n\n%1\n\nDo you wish to "
                          "choose new input files?")
               .arg(listed.join(QLatin1Char('\n')));
    QTest::newRow("all present") << QStringList {} << QString();
}

void TestMainWindowDocument::missingInputsAreListed()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("inputs.transform"));
    writeFile(document, documentWithInputs(paths));

    MainWindow window;
    window.setQuietMessages(true);
    QVERIFY(window.loadDocument(document));
    QCOMPARE(window.graph()->nodes().size(), paths.size());
    QCOMPARE(window.lastMessage(), expected);
    window.setModified(false);
}

void TestMainWindowDocument::missingFolderIsChosenAgain()
{
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("folder.transform"));
    const QString gone = dir.filePath(QStringLiteral("gone"));
    const QString found = dir.filePath(QStringLiteral("found"));
    QDir().mkpath(found);
    QByteArray text = documentWithInputs({ QString() });
    text.replace("</meta>", "<auto_run_on value=\"0\"/></meta>");
    text.replace("<input ",
        "<input medium=\"2\" multi_file_folder=\"" + QUrl::toPercentEncoding(gone) + "\" ");
    writeFile(document, text);

    MainWindow window;
    QString chooser;
    answerNextDialog([&](QWidget* question) {
        answerNextDialog([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            chooser = files
                ? QStringLiteral("folders %1").arg(files->testOption(QFileDialog::ShowDirsOnly))
                : QString::fromLatin1(dialog->metaObject()->className());
            if (files)
                files->setDirectory(found); // accepted with no name: the folder shown
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });
        buttonWithText(question, QStringLiteral("&Yes"))->click();
    });
    QVERIFY(window.loadDocument(document));
    QCOMPARE(chooser, QStringLiteral("folders 1"));
    const Node* input = window.graph()->nodes().value(0);
    QVERIFY(input);
    QCOMPARE(input->saveOptions().value(QStringLiteral("multi_file_folder")).toString(), found);
    window.setModified(false);
}

void TestMainWindowDocument::recentListKeepsTheNewestOnce()
{
    WindowSettings::instance().setRecentDocuments({});
    QTemporaryDir dir;
    MainWindow window;
    window.setQuietMessages(true);
    window.graph()->addNode(new NoteNode);
    QStringList saved;
    for (int i = 0; i < MainWindow::MaxRecentDocuments + 2; ++i) {
        saved << QDir(dir.path()).absoluteFilePath(QStringLiteral("doc%1.transform").arg(i));
        QVERIFY(window.saveDocument(saved.last()));
    }
    // Saving an older one again brings it to the front without a repeat.
    QVERIFY(window.saveDocument(saved.at(5)));
    const QStringList recent = WindowSettings::instance().recentDocuments();
    QCOMPARE(recent.size(), int(MainWindow::MaxRecentDocuments));
    QCOMPARE(recent.first(), saved.at(5));
    QCOMPARE(recent.count(saved.at(5)), 1);
    QCOMPARE(recent.at(1), saved.last());
    QVERIFY(!recent.contains(saved.first()));
}

void TestMainWindowDocument::memoryDialogOffersMoreThanTheMaximum_data()
{
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<double>("chosen");
    QTest::addColumn<QString>("exitText");

    QTest::newRow("raise") << 4.0 << false << false << 4.5 << "Exit now (no changes to save)";
    QTest::newRow("exit with changes")
        << 4.0 << true << true << 0.0 << "Exit now (changes not saved)";
    QTest::newRow("small maximum")
        << 0.5 << false << false << 1.0 << "Exit now (no changes to save)";
}

void TestMainWindowDocument::memoryDialogOffersMoreThanTheMaximum()
{
    QFETCH(double, maximum);
    QFETCH(bool, unsaved);
    QFETCH(bool, exit);
    QFETCH(double, chosen);
    QFETCH(QString, exitText);
    InsufficientMemoryDialog dialog(maximum + 0.3, maximum, unsaved);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Insufficient Memory"));
    QVERIFY(dialog.increaseButton()->isChecked());
    QCOMPARE(dialog.maximumField()->minimum(), maximum + 0.5);
    QCOMPARE(dialog.maximumField()->value(), maximum + 0.5);
    // Less than the offered maximum is not accepted.
    dialog.maximumField()->setValue(maximum);
    QCOMPARE(dialog.maximumField()->value(), maximum + 0.5);
    QCOMPARE(dialog.exitButton()->text(), exitText);
    if (exit)
        dialog.exitButton()->setChecked(true);
    QCOMPARE(dialog.chosenMaximum(), chosen);
}

// A run working on a thread of its own asks through the window's prompt:
// the dialog shows on the window's thread, and "raise" lets the run go on
// with the new maximum.
void TestMainWindowDocument::memoryQuestionFromAnotherThread()
{
    QWidget window;
    MessageBoxPrompt prompt(&window);
    QTemporaryDir dir;
    EngineSettings settings(dir.path());
    settings.setMaxMemoryUsage(1.0);
    RunContext context;
    context.setSettings(&settings);
    context.setPrompt(&prompt);
    context.setMeasurement([] { return 2.0; });
    bool shownOnWindowThread = false;
    answerNextDialog([&](QWidget* dialog) {
        shownOnWindowThread = QThread::currentThread() == qApp->thread();
        auto* memory = qobject_cast<InsufficientMemoryDialog*>(dialog);
        QVERIFY(memory);
        memory->maximumField()->setValue(3.0);
        memory->accept();
    });
    std::atomic<int> goesOn { -1 };
    std::thread worker([&] { goesOn = context.checkMemory() ? 1 : 0; });
    QTRY_VERIFY_WITH_TIMEOUT(goesOn.load() >= 0, 10000);
    worker.join();
    QVERIFY(shownOnWindowThread);
    QCOMPARE(goesOn.load(), 1);
    QCOMPARE(settings.maxMemoryUsage(), 3.0);
    QVERIFY(!context.stopRequested());
}

// An open document writes its relative outputs beside itself (also after
// "Save As" to another folder) and reads numbers in the locale it was saved
// with; a new document goes back to the locale of the preferences.
void TestMainWindowDocument::documentPlaceAndLocale()
{
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("german.transform"));
    writeFile(document,
        "<!DOCTYPE Varnix>\n<root><meta><version value=\"87\"/><locale value=\"de_DE\"/>"
        "</meta><inputs><input id=\"1\" medium=\"1\" header=\"1\" delimiter=\"2\" "
        "text=\"v%0A1.234%2C5%0A200\"/></inputs><transforms><transform id=\"2\" "
        "name=\"Sort\" pos_v12=\"0\x1f"
        "100\"><parameters><parameter name=\"Columns\" "
        "value=\"0%1F1\"/></parameters></transform></transforms><outputs><output id=\"3\" "
        "file_type=\"0\" path=\"sorted.csv\" pos_v12=\"0\x1f"
        "200\"/></outputs>"
        "<connections><connection start_id=\"1\" end_id=\"2\"/><connection "
        "start_id=\"2\" end_id=\"3\"/></connections></root>\n");
    const QString preference = QLocale().name();
    MainWindow window;
    window.setQuietMessages(true);
    QVERIFY(window.loadDocument(document));
    window.graph()->runCommand(GraphModel::RunAll);
    QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
    QFile sorted(dir.filePath(QStringLiteral("sorted.csv")));
    QVERIFY(sorted.open(QIODevice::ReadOnly));
    QVERIFY2(sorted.readAll().contains("v\r\n200\r\n"), "not sorted as numbers");
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("copy")));
    QVERIFY(window.saveDocument(dir.filePath(QStringLiteral("copy/german.transform"))));
    window.graph()->runCommand(GraphModel::RunAll);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("copy/sorted.csv"))));
    window.setModified(false);
    window.action(QStringLiteral("&New"))->trigger();
    QCOMPARE(QLocale().name(), preference);
}

QTEST_MAIN(TestMainWindowDocument)
#include "tst_mainwindowdocument.moc"
