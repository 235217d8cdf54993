// Runs without windows whose items put rows aside on disk (a sort's runs, a
// dedupe's, unique's, count's and pivot's partitions, a left join's top
// rows): the same bytes as the whole run with a memory limit of almost
// nothing, and nothing left behind by a full disk or a Stop.

#include "tests/graph/streamedrunharness.h"

class TestSpilledRun : public QObject, protected StreamedRunHarness
{
    Q_OBJECT

private slots:
    void spillsAsWhole_data();
    void spillsAsWhole();
    void fullDiskEndsTheRun_data();
    void fullDiskEndsTheRun();
    void stopDuringSpillLeavesNothing_data();
    void stopDuringSpillLeavesNothing();
};

// A sort of more rows than its memory allows writes sorted runs to disk and
// merges them, a dedupe puts its rows and keys on disk and reads them back:
// the file must be that of the whole run, byte for byte, its messages too,
// and nothing may be left on disk.
void TestSpilledRun::spillsAsWhole_data()
{
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<int>("blockRows");
    QTest::addColumn<int>("rows");
    // The information line saying why the item went to disk, up to the
    // figures; %1 the runs written.
    QTest::addColumn<QString>("said");
    // A sort writes a run per block; a dedupe its rows once.
    QTest::addColumn<int>("leastRuns");
    const QString sorted = QStringLiteral(
        "The rows took more than 35% of the memory limit: sorted in %1 runs on disk (");
    const auto row
        = [&](const char* name, const QStringList& chain, int blockRows = 7, int rows = 600) {
              QTest::newRow(name) << chain << blockRows << rows << sorted << 2;
          };
    // Numbers ascending, then the texts, then the empty values.
    row("numbers ascending", { "Sort: Columns = 2%1F1" });
    // Descending reverses the numbers and the texts but keeps empty last.
    row("numbers descending", { "Sort: Columns = 2%1F0" });
    // Ties broken by the file's order across runs.
    row("text ties", { "Sort: Columns = 1%1F1" });
    row("text descending", { "Sort: Columns = 1%1F0" });
    row("case ignored", { "Sort: Columns = 1%1F1 | Case_Sensitive = 0" });
    row("locale aware", { "Sort: Columns = 1%1F1 | Locale_Aware_Sort = 1" });
    row("dates", { "Sort: Columns = 3%1F1" });
    row("numbers as text", { "Sort: Columns = 2%1F1 | Intelligent_Sort = 0" });
    row("two keys", { "Sort: Columns = 1%1F0%1F2%1F1" });
    // Its kind is known only once 50 values are seen: no run before.
    row("sparse key", { "Sort: Columns = 4%1F1" });
    // Already in order: "No changes", as the whole sort says.
    row("in order", { "Sort: Columns = 0%1F1" });
    row("filter, sort, case",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F0", "Sort: Columns = 2%1F0",
            "Case: Columns = 1 | Case = Upper case" });
    row("large blocks", { "Sort: Columns = 2%1F1" }, 150);
    // Runs are encoded in slices of 65,536 rows: runs of several slices.
    row("runs of several slices", { "Sort: Columns = 1%1F0%1F2%1F1" }, 70000, 150000);

    // Names that differ in case only ("berlin", "Berlin"), amounts with
    // "n/a" and "N/A" and empty values late in the file.
    const QString compared = QStringLiteral(
        "The rows took more than 40% of the memory limit: compared on disk in 64 parts (");
    const auto dedupe
        = [&](const char* name, const QStringList& chain, int blockRows = 7, int rows = 600) {
              QTest::newRow(name) << chain << blockRows << rows << compared << 1;
          };
    dedupe("dedupe", { "Dedupe: Columns = 1" });
    dedupe("dedupe keeping duplicates",
        { "Dedupe: Columns = 2 | Dedupe_Mode = Keep only duplicates" });
    dedupe("dedupe, case ignored", { "Dedupe: Columns = 1 | Case_Sensitive = 0" });
    dedupe("dedupe of two columns, case, spaces and punctuation ignored",
        { "Dedupe: Columns = 1%1F2 | Case_Sensitive = 0 | Ignore_Spaces = 1 | "
          "Ignore_Punctuation = 1" });
    // Every row its own key: "No changes".
    dedupe("dedupe removing nothing", { "Dedupe: Columns = 0" });
    dedupe("dedupe of values running together", { "Dedupe: Columns = 5%1F6" });
    dedupe("filter, dedupe, case",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F0", "Dedupe: Columns = 3",
            "Case: Columns = 1 | Case = Upper case" });
    dedupe("dedupe then sort",
        { "Dedupe: Columns = 1%1F3 | Dedupe_Mode = Keep only duplicates",
            "Sort: Columns = 2%1F1" });
    dedupe("dedupe in large blocks", { "Dedupe: Columns = 3" }, 150);
    // Rows written in slices of 65,536, handed on in blocks of 70,000.
    dedupe("dedupe of many rows",
        { "Dedupe: Columns = 2%1F3 | Dedupe_Mode = Keep only duplicates" }, 70000, 150000);

    // Amounts are distinct in the first rows, so the rows are grouped on
    // disk; later rows repeat "n/a", "N/A" and empty amounts, groups whose
    // rows lie far apart and whose first rows decide where they come.
    const QString grouped = QStringLiteral(
        "The rows took more than 30% of the memory limit: grouped on disk in 64 parts (");
    const auto unique
        = [&](const char* name, const QStringList& chain, int blockRows = 7, int rows = 600) {
              QTest::newRow(name) << chain << blockRows << rows << grouped << 1;
          };
    // Sum of ids, last name, non-empty dates counted, the group's rows.
    unique("unique",
        { "Unique: Column_Options = 2%1F0%1F%1F0%1F3%1F%1F1%1F2%1F%1F4%1F15%1F | Count = 1" });
    unique("unique, case ignored",
        { "Unique: Column_Options = 2%1F0%1F%1F0%1F6%1F%1F1%1F10%1F | Case_Sensitive = 0" });
    // Four names in the first block's six rows, case ignored, so that it
    // spills; "berlin" and "Berlin" one group, wherever their texts would
    // put them.
    unique("unique of names, case ignored",
        { "Unique: Column_Options = 1%1F0%1F%1F0%1F6%1F%1F2%1F3%1F | Case_Sensitive = 0" }, 6);
    // Whether a column holds dates is read from the file's first values:
    // "unknown" among the first 50 makes the sparse column text, though a
    // partition's first 50 values are all dates.
    unique("unique extremes",
        { "Unique: Column_Options = 2%1F0%1F%1F4%1F4%1F%1F3%1F5%1F | Count = 1" }, 300, 1200);
    unique("unique then sort",
        { "Unique: Column_Options = 2%1F0%1F%1F0%1F3%1F", "Sort: Columns = 0%1F0" });
    // Every row its own group, merged from the partitions in blocks.
    unique("unique of many rows", { "Unique: Column_Options = 0%1F0%1F%1F2%1F3%1F | Count = 1" },
        70000, 150000);

    // The counts so far go to disk after every block; a value's counts from
    // several blocks are added up, its first text standing for it.
    const QString counted = QStringLiteral(
        "The values took more than 30% of the memory limit: counted on disk in 64 parts (");
    const auto count = [&](const char* name, const QStringList& chain, int blockRows = 7,
                           int rows = 600, int leastRuns = 1) {
        QTest::newRow(name) << chain << blockRows << rows << counted << leastRuns;
    };
    count("count", { "Count: Column = 2 | Sort = Count | Order = Descending" });
    // Blocks of ten rows: "berlin" and "évora" start the last ones, after
    // "Berlin" and "Évora" started the first.
    count("count ascending, case ignored",
        { "Count: Column = 1 | Sort = Count | Order = Ascending | Case_Sensitive = 0" }, 10);
    count("count by text", { "Count: Column = 2 | Sort = Text | Order = Ascending" });
    count("count by text descending, case ignored",
        { "Count: Column = 2 | Sort = Text | Order = Descending | Case_Sensitive = 0" });
    // The count takes the sorted blocks as the sort hands them on, after the
    // sort's runs.
    count("sort then count",
        { "Sort: Columns = 2%1F1", "Count: Column = 1 | Sort = Count | Order = Descending" }, 150,
        600, 5);

    // A median's or mode's values with their cells and totals go to disk
    // sorted, after every block, and come back merged; amounts with "n/a",
    // "N/A" and empty values late in the file, names and pieces of texts as
    // keys (blocks of 30 rows, for the names to repeat in the first).
    const QString sortedValues = QStringLiteral(
        "The values took more than 30% of the memory limit: sorted on disk in %1 parts (");
    const auto pivot = [&](const char* name, const QString& options, const QString& said,
                           int blockRows = 30, int rows = 600) {
        QTest::newRow(name) << QStringList { QStringLiteral("Pivot: ") + options } << blockRows
                            << rows << said << 2;
    };
    pivot("pivot median", "Columns = 1 | Rows = 5 | Values = 2 | Summarize_As = Median",
        sortedValues);
    pivot("pivot mode, total row",
        "Columns = 5 | Rows = 1 | Values = 2 | Summarize_As = Mode | Total_Type = Rows",
        sortedValues);
    pivot("pivot median of many rows, total column",
        "Columns = 1 | Rows = 5 | Values = 2 | Summarize_As = Median | Total_Type = Columns",
        sortedValues, 70000, 150000);
    // A distinct count's texts go to partitions by their hash, after every
    // block; a text seen in several blocks counts once.
    const QString distinct = QStringLiteral(
        "The values took more than 30% of the memory limit: counted on disk in 64 parts (");
    pivot("pivot distinct count",
        "Columns = 1 | Rows = 5 | Values = 2 | Summarize_As = Count distinct", distinct);
    pivot("pivot distinct dates, no totals",
        "Columns = 5 | Values = 3 | Summarize_As = Count distinct | Totals = 0", distinct);
}

void TestSpilledRun::spillsAsWhole()
{
    QFETCH(QStringList, chain);
    QFETCH(int, blockRows);
    QFETCH(int, rows);
    QFETCH(QString, said);
    QFETCH(int, leastRuns);
    const QString in = write(QStringLiteral("sort.csv"), sortCsv(rows));
    // Chunks of 64 characters cut the rows apart, but would be many in a
    // large file.
    const int chunkChars = rows > 1000 ? (1 << 16) : 64;
    const Outcome whole = run(in, chain, HeaderYes, false, 7, Spill(), chunkChars);
    Spill spill;
    spill.folder = spillFolder();
    const Outcome parts = run(in, chain, HeaderYes, true, blockRows, spill, chunkChars);
    QCOMPARE(parts.streamed, 1);
    QVERIFY2(parts.spilled >= leastRuns, qPrintable(QString::number(parts.spilled)));
    QVERIFY(!whole.written.isEmpty());
    QCOMPARE(parts.written, whole.written);
    QCOMPARE(parts.items, whole.items);
    QCOMPARE(leftIn(spill.folder), QStringList());
    // The item says why it took to the disk, and where.
    const QString line = said.contains(QLatin1String("%1")) ? said.arg(parts.spilled) : said;
    QVERIFY2(parts.information.filter(line).size() == 1
            && parts.information.filter(line).first().endsWith(
                QStringLiteral(" MB in '%1')").arg(QDir::toNativeSeparators(spill.folder))),
        qPrintable(parts.information.join(QLatin1Char('\n'))));
    QVERIFY(whole.information.filter(QStringLiteral(" on disk")).isEmpty());
}

void TestSpilledRun::fullDiskEndsTheRun_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<qint64>("capacity");
    QTest::newRow("sort") << QStringLiteral("Sort: Columns = 2%1F1") << qint64(2000);
    // Full while the rows go out, and while the keys do.
    QTest::newRow("dedupe, rows") << QStringLiteral("Dedupe: Columns = 1") << qint64(2000);
    QTest::newRow("dedupe, keys") << QStringLiteral("Dedupe: Columns = 1") << qint64(22000);
    // Full while the rows go out, and while the groups do.
    const QString unique = QStringLiteral("Unique: Column_Options = 2%1F0%1F%1F0%1F3%1F");
    QTest::newRow("unique, rows") << unique << qint64(2000);
    QTest::newRow("unique, groups") << unique << qint64(30000);
    QTest::newRow("count") << QStringLiteral("Count: Column = 2") << qint64(2000);
    QTest::newRow("pivot median") << QStringLiteral(
        "Pivot: Rows = 5 | Values = 2 | Summarize_As = Median")
                                  << qint64(2000);
    QTest::newRow("pivot distinct count")
        << QStringLiteral("Pivot: Rows = 5 | Values = 0 | Summarize_As = Count distinct")
        << qint64(2000);
    // A left join's top rows without a partner (none has one) put aside.
    QTest::newRow("left join") << QStringLiteral(
        "Join: Column_1 = 1 | Column_2 = 0 | Include_Non_Matching_1 = 1")
                               << qint64(2000);
}

// A disk that fills up while rows are put aside ends the item in error,
// naming the folder; nothing is written and nothing left behind.
void TestSpilledRun::fullDiskEndsTheRun()
{
    QFETCH(QString, item);
    QFETCH(qint64, capacity);
    const QString in = write(QStringLiteral("full.csv"), sortCsv(600));
    Spill spill;
    spill.folder = spillFolder();
    spill.capacity = capacity;
    const QString bottom = write(QStringLiteral("lookup.csv"), "key,value\nnowhere,1\n");
    const Outcome outcome = run(in, { item }, HeaderYes, true, 7, spill, 64, bottom);
    QVERIFY2(outcome.written.isEmpty(), qPrintable(outcome.items.join(QLatin1Char('\n'))));
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("out.csv"))));
    // After the lookup table's Input, for a join.
    const int at = item.startsWith(QLatin1String("Join")) ? 2 : 1;
    const QString sort = outcome.items.at(at);
    QVERIFY2(sort.contains(QStringLiteral("[Error]"))
            && sort.contains(QStringLiteral("Unable to write to the temporary folder '%1': ")
                                 .arg(QDir::toNativeSeparators(spill.folder))),
        qPrintable(sort));
    QVERIFY2(outcome.items.at(at + 1).contains(QStringLiteral("[Needs updating]")),
        qPrintable(outcome.items.at(at + 1)));
    QCOMPARE(leftIn(spill.folder), QStringList());
}

void TestSpilledRun::stopDuringSpillLeavesNothing_data()
{
    // The item, "Type: Key = stored text | ...".
    QTest::addColumn<QString>("item");
    // Stopped while the file is read, or while the item hands its result on.
    QTest::addColumn<bool>("whileHanding");
    QTest::addColumn<int>("leastRuns");
    QTest::addColumn<QString>("stopped");
    const QString sortStopped = QStringLiteral("Sorting was stopped before it finished.");
    const QString dedupeStopped = QStringLiteral("Dedupe was stopped before it finished.");
    QTest::newRow("sort, while reading") << "Sort: Columns = 2%1F1" << false << 2 << sortStopped;
    QTest::newRow("sort, while merging") << "Sort: Columns = 2%1F1" << true << 2 << sortStopped;
    QTest::newRow("dedupe, while reading") << "Dedupe: Columns = 1" << false << 1 << dedupeStopped;
    QTest::newRow("dedupe, while reading back")
        << "Dedupe: Columns = 0" << true << 1 << dedupeStopped;
    const QString uniqueStopped = QStringLiteral("Unique was stopped before it finished.");
    QTest::newRow("unique, while reading")
        << "Unique: Column_Options = 2%1F0%1F%1F0%1F3%1F" << false << 1 << uniqueStopped;
    QTest::newRow("unique, while merging")
        << "Unique: Column_Options = 0%1F0%1F%1F2%1F3%1F" << true << 1 << uniqueStopped;
    const QString countStopped = QStringLiteral("Count was stopped before it finished.");
    QTest::newRow("count, while reading") << "Count: Column = 2" << false << 1 << countStopped;
    QTest::newRow("count, while merging") << "Count: Column = 0" << true << 1 << countStopped;
    // A left join whose top rows find no partner: they wait on disk for the
    // end and are read back joined.
    const QString join
        = QStringLiteral("Join: Column_1 = 1 | Column_2 = 0 | Include_Non_Matching_1 = 1");
    const QString joinStopped = QStringLiteral("Join was stopped before it finished.");
    QTest::newRow("left join, while reading") << join << false << 1 << joinStopped;
    QTest::newRow("left join, while reading back") << join << true << 1 << joinStopped;
    // A median's values sorted in runs, merged at the end; a distinct
    // count's texts in partitions, counted at the end. Column keys only:
    // they repeat in blocks of 7 rows.
    const QString pivotStopped = QStringLiteral("Pivot was stopped before it finished.");
    const QString median = QStringLiteral("Pivot: Rows = 5 | Values = 2 | Summarize_As = Median");
    QTest::newRow("pivot median, while reading") << median << false << 2 << pivotStopped;
    QTest::newRow("pivot median, while merging") << median << true << 2 << pivotStopped;
    const QString distinct
        = QStringLiteral("Pivot: Rows = 5 | Values = 0 | Summarize_As = Count distinct");
    QTest::newRow("pivot distinct count, while counting") << distinct << true << 1 << pivotStopped;
}

// A Stop while rows are on disk, or while they are read back into the
// Output, leaves neither a file of them nor the Output's file.
void TestSpilledRun::stopDuringSpillLeavesNothing()
{
    QFETCH(QString, item);
    QFETCH(bool, whileHanding);
    QFETCH(int, leastRuns);
    QFETCH(QString, stopped);
    const QString in = write(QStringLiteral("stopsort.csv"), sortCsv(3000));
    const QString folder = spillFolder();
    GraphModel scene;
    scene.setKeepsResults(false);
    scene.runContext().setBlocks({ true, 7, 64 });
    Spill spill;
    spill.folder = folder;
    spillEveryBlock(scene.runContext(), spill);
    auto* input = new InputNode(in);
    scene.insertNode(input);
    const QString type = item.section(QLatin1Char(':'), 0, 0);
    auto* node = new TransformNode(Catalogue::instance().create(type));
    scene.insertNode(node);
    node->setPos(0, 100);
    scene.insertConnection(input, node);
    if (type == QLatin1String("Join")) {
        auto* lookup = new InputNode(
            write(QStringLiteral("stopjoin.csv"), "city,country\nnowhere,none\nelsewhere,none\n"));
        scene.insertNode(lookup);
        lookup->setPos(300, 50);
        scene.insertConnection(lookup, node);
    }
    node->upstreamChanged();
    configure(node->transform(), item);
    const QString out = m_dir.filePath(QStringLiteral("stopsort-out.csv"));
    auto* output = new OutputNode(out);
    scene.insertNode(output);
    output->setPos(0, 200);
    scene.insertConnection(node, output);
    int runsAtStop = -1;
    const auto stopPast = [&](qreal fraction) {
        if (fraction > 0.5 && runsAtStop < 0) {
            runsAtStop = scene.runContext().spilledRuns();
            scene.runContext().requestStop();
        }
    };
    Node* watched = whileHanding ? static_cast<Node*>(node) : input;
    if ((type == QLatin1String("Join") || type == QLatin1String("Pivot")) && whileHanding) {
        // A join or a pivot reads its rows back faster than the item shows
        // progress (a few times a second): its own reports are watched.
        connect(node->transform(), &Transform::processed, this, stopPast);
    } else {
        connect(
            watched, &Node::processed, this, [&](Node*, qreal fraction) { stopPast(fraction); });
    }
    scene.process(GraphModel::RunAll, true);

    QVERIFY2(runsAtStop >= leastRuns,
        qPrintable(QStringLiteral("%1 runs, %2 spilled, item %3 %4")
                       .arg(runsAtStop)
                       .arg(scene.runContext().spilledRuns())
                       .arg(statusName(node->status()), node->warnings().join(QLatin1Char('/')))));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(QDir(m_dir.path()).entryList({ QStringLiteral("stopsort-out*") }, QDir::Files),
        QStringList());
    QCOMPARE(leftIn(folder), QStringList());
    if (whileHanding) {
        QCOMPARE(node->status(), int(StatusError));
        QVERIFY2(node->warnings().contains(stopped),
            qPrintable(node->warnings().join(QLatin1Char('/'))));
    }
}

QTEST_MAIN(TestSpilledRun)
#include "tst_spilledrun.moc"
