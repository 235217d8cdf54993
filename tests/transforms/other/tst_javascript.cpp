// The JavaScript transform: column variables, typing, errors per row.
#include "tests/transforms/format/textharness.h"

#include "transforms/other/transformjavascript.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Outcome
{
    QStringList values;
    QStringList warnings;
    QStringList information;
    QString summary;
    QString columnName;
};

Outcome runScript(const Dataset& data, const QString& script, bool allStrings = false,
    const QString& newName = QStringLiteral("Javascript"))
{
    TransformRun t(new TransformJavascript, data);
    t.set(QStringLiteral("Script"), script).set(QStringLiteral("New_Name"), newName);
    if (allStrings)
        t.choose(QStringLiteral("Type_As"), QStringLiteral("String"));
    t.run();
    return { t.outputColumn(data.columnCount()), t.warnings(), t.transform()->information(),
        t.summary(), t.output().columnName(data.columnCount()) };
}

} // namespace

class TestJavascript : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareTextTests(); }

    void results_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("allStrings");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const QStringList& rows, const QString& script,
                       bool allStrings, const QStringList& expected) {
            QTest::newRow(name) << rows << script << allStrings << expected;
        };
        row("numbers add", { "12,1", "0.5,2" }, "return $(a) + $(2);", false, { "13", "2.5" });
        row("strings concatenate", { "12,1", "x,2" }, "return $(a) + $(2);", false,
            { "121", "x2" });
        row("all as String", { "12,1" }, "return $(a) + $(b);", true, { "121" });
        row("booleans", { "TRUE,1", "false,1", ",1" }, "return typeof $(a) + ':' + $(a);", false,
            { "boolean:true", "boolean:false", "undefined:undefined" });
        row("default script", { "1,2" },
            "// see help (? button top right) for details\n"
            "return \"Hello world!\";",
            false, { "Hello world!" });
        row("nothing returned", { "1,2" }, "var x = 1;", false, { "undefined" });
        row("result holding the block separator", { "1,2", "3,4" }, "return 'p\\u001fq' + $(a);",
            false, { "p\u001fq1", "p\u001fq3" });
    }

    void results()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, script);
        QFETCH(bool, allStrings);
        const Outcome out
            = runScript(makeDataset({ "a", "b" }, splitRows(rows)), script, allStrings);
        QTEST(out.values, "expected");
    }

    void rewriting()
    {
        const Dataset data = makeDataset({ " x ", "x", "n" }, splitRows({ "1,2,3" }));
        const Outcome out = runScript(data, "return $(x) * 10 + $(3);", false, QString());
        QCOMPARE(out.values, QStringList { "13" });
        QVERIFY(out.warnings.contains(
            QStringLiteral("Ambiguous column name(s): x, first column with name used")));
        QCOMPARE(out.information,
            QStringList({ "Column ' x ' passed as Javascript Number type",
                "Column 'n' passed as Javascript Number type" }));
        QCOMPARE(out.columnName, QStringLiteral("4"));
    }

    void throwingRows()
    {
        QStringList rows;
        for (int i = 1; i <= 8; ++i)
            rows << QStringLiteral("%1,").arg(i);
        rows << "oops,";
        const Outcome out = runScript(makeDataset({ "a", "b" }, splitRows(rows)),
            "if ($(a) % 2 == 0)\n  throw new Error('even ' + $(a));\nreturn $(a);");
        QCOMPARE(out.values.mid(0, 3), QStringList({ "1", "Error: even 2", "3" }));
        QCOMPARE(out.summary, QStringLiteral("5 evaluated, 4 Javascript errors"));
        QVERIFY(out.warnings.contains(
            QStringLiteral("Error: even 4 at script line 2 for dataset row 4")));
        QVERIFY(out.warnings.contains(QStringLiteral("4 Javascript error(s)")));
        QVERIFY(!out.warnings.contains(QStringLiteral("...")));
        // "oops" makes column a a String column, which the script still takes
        // as a number; an empty cell of a Number column is a type error.
        const Outcome typed = runScript(
            makeDataset({ "a" }, splitRows({ "1", "", "3" })), "return $(a) === undefined;");
        QCOMPARE(typed.values, QStringList({ "false", "true", "false" }));
        QVERIFY(typed.warnings.contains(QStringLiteral("1 type error(s):")));
        QVERIFY(typed.warnings.contains(
            QStringLiteral("Cannot convert value '' in column 'a' row 2 to Number")));
    }

    void notCompiling()
    {
        const Outcome out = runScript(makeDataset({ "a" }, splitRows({ "1", "2" })), "return (;");
        QCOMPARE(out.summary, QStringLiteral("0 evaluated, 2 Javascript errors"));
        QCOMPARE(out.values.at(0), out.values.at(1));
        QVERIFY(out.values.at(0).startsWith(QStringLiteral("SyntaxError")));
        QCOMPARE(out.warnings.count(out.values.at(0)), 1);
    }

    void manyRowsAcrossBlocks()
    {
        QList<QStringList> rows;
        for (int i = 0; i < 2500; ++i)
            rows << QStringList { QString::number(i) };
        const Outcome out = runScript(makeDataset({ "a" }, rows),
            "if ($(a) >= 1000) throw new Error('big');\nreturn $(a) * 2;");
        QCOMPARE(out.values.at(999), QStringLiteral("1998"));
        QCOMPARE(out.values.at(2499), QStringLiteral("Error: big"));
        QCOMPARE(out.warnings.count(QStringLiteral("...")), 1);
        QVERIFY(out.warnings.contains(
            QStringLiteral("Error: big at script line 1 for dataset row 1005")));
        QCOMPARE(out.summary, QStringLiteral("1,000 evaluated, 1,500 Javascript errors"));
    }

    // A script is the body of a function: one that closes the function it
    // is placed in and goes on outside it is refused before anything runs.
    void scriptCannotLeaveItsFunction()
    {
        TransformRun t(new TransformJavascript, makeDataset({ "a" }, splitRows({ "1", "2" })));
        t.set(QStringLiteral("New_Name"), QStringLiteral("x"));
        t.set(QStringLiteral("Script"),
            QStringLiteral("}); globalThis.escaped = 1; while (true) {} (function() {"));
        t.run();
        QCOMPARE(t.summary(), QStringLiteral("0 evaluated, 2 Javascript errors"));
        QVERIFY(t.outputColumn(1).at(0).contains(QStringLiteral("closes the function")));
        t.set(QStringLiteral("Script"), QStringLiteral("return typeof escaped;"));
        t.run();
        QCOMPARE(t.outputColumn(1), QStringList({ "undefined", "undefined" }));
    }

    // A comment on the last line does not hide the end of the function.
    void lastLineComment()
    {
        const Outcome out
            = runScript(makeDataset({ "a" }, splitRows({ "1" })), "return $(a) + 1; // done");
        QCOMPARE(out.values, QStringList { "2" });
    }

    // Stop, asked from elsewhere while a script never returns, interrupts it.
    void stopInterruptsAnEndlessScript()
    {
        TransformRun t(new TransformJavascript, makeDataset({ "a" }, splitRows({ "1", "2" })));
        t.set(QStringLiteral("New_Name"), QStringLiteral("x"));
        t.set(QStringLiteral("Script"), QStringLiteral("while (true) {}"));
        RunContext& context = t.node()->runContext();
        std::thread stopper([&context] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            context.requestStop();
        });
        t.run();
        stopper.join();
        QVERIFY(context.stopRequested());
        QCOMPARE(t.status(), int(StatusError));
        QVERIFY(
            t.warnings().contains(QStringLiteral("Javascript was stopped before it finished.")));
    }

    // A script that allocates without end is interrupted past the memory
    // limit, and the run ends as the limit says.
    void memoryLimitInterruptsAScript()
    {
        TransformRun t(new TransformJavascript, makeDataset({ "a" }, splitRows({ "1" })));
        t.set(QStringLiteral("New_Name"), QStringLiteral("x"));
        t.set(QStringLiteral("Script"),
            QStringLiteral("var kept = []; while (true) kept.push([1, 2, 3]);"));
        RunContext& context = t.node()->runContext();
        s_overLimit = false;
        context.setMeasurement([] { return s_overLimit ? 1000.0 : 0.0; });
        std::thread grower([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            s_overLimit = true;
        });
        t.run();
        grower.join();
        context.setMeasurement(nullptr);
        QCOMPARE(context.stopReason(), RunContext::MemoryExceeded);
    }

    // A string doubled past what the engine can hold ends the item in an
    // error instead of ending the program; the next run works again.
    void stringTooLongForTheEngine()
    {
#if defined(__SANITIZE_THREAD__)
        QSKIP("Gigabytes of string take minutes under ThreadSanitizer; no thread is involved, "
              "the other builds run it");
#endif
        TransformRun t(new TransformJavascript, makeDataset({ "a" }, splitRows({ "1" })));
        t.set(QStringLiteral("New_Name"), QStringLiteral("x"));
        t.set(QStringLiteral("Script"),
            QStringLiteral(
                "var s = 'x'; for (var i = 0; i < 40; ++i) s = s + s; return s.length;"));
        t.run();
        QCOMPARE(t.status(), int(StatusError));
        QVERIFY(t.warnings().contains(QStringLiteral("The script ran out of memory")));
        t.set(QStringLiteral("Script"), QStringLiteral("return $(a) * 3;"));
        t.run();
        QCOMPARE(t.outputColumn(1), QStringList { "3" });
    }

private:
    static std::atomic<bool> s_overLimit;
};

std::atomic<bool> TestJavascript::s_overLimit { false };

QTEST_MAIN(TestJavascript)
#include "tst_javascript.moc"
