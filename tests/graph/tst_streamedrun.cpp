// Runs without windows pass a text file's rows through row-by-row items in
// blocks. Each case runs a chain twice, in tiny blocks and whole, and the
// files written, the items' summaries, row counts and warnings must agree.

#include "tests/graph/streamedrunharness.h"

class TestStreamedRun : public QObject, protected StreamedRunHarness
{
    Q_OBJECT

private slots:
    void sameAsWhole_data();
    void sameAsWhole();
    void stopWritesNothing();
    void joinsAsWhole_data();
    void joinsAsWhole();
};

void TestStreamedRun::sameAsWhole_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<int>("hasHeader");
    // Whether the rows went through in blocks, or were given up for the
    // usual run.
    QTest::addColumn<bool>("inBlocks");
    QTest::addColumn<int>("blockRows");

    const QByteArray people = peopleCsv();
    const auto row = [&](const char* name, const QStringList& chain, bool inBlocks = true,
                         const QByteArray& csv = QByteArray(), int header = HeaderYes) {
        QTest::newRow(name) << (csv.isEmpty() ? people : csv) << chain << header << inBlocks << 7;
    };
    row("read and write", {});
    row("filter", { "Filter: Columns = 0%1F0%1F2%1F4%1F500" });
    row("calculate",
        { "Calculate: Operation = * Multiply | Type1 = Column | Column1 = 2 | "
          "Type2 = Constant | Constant2 = 2" });
    row("if", { "If: If = *StartIf*%1F3%1F1%1FFrance%1F*EndIf*%1Fyes $(name)%1Fno" });
    row("case", { "Case: Columns = 3 | Case = Upper case" });
    row("replace",
        { "Replace_Multi: Columns = 1%1F3 | Replace = 0%1Fname%1F$(country)%1F0%1Fa%1Fb" });
    row("whitespace", { "Whitespace: Columns = 1%1F3" });
    row("pad", { "Pad: Columns = 0 | Length = 5 | Left_Right = Left | Pad_With = 0" });
    row("hash", { "Hash: Columns = 1 | Hashing = SHA-256" });
    row("chop", { "Chop: Columns = 1 | Length = 2 | From = End" });
    row("extract",
        { "Extract: Columns = 3 | Using = Text | From = End | Length = 3 | Offset = 0" });
    row("decode", { "Decode: Columns = 1 | Decode = From Base64 encoding" });
    row("list",
        { "List: Columns = 1 | Sort = Alphabetical | New_Separator = 1 | Join_Separator = -" });
    row("new column", { "New_Col: New_Name = n | New_Value = fixed" });
    row("copy columns", { "Copy: Columns = 3%1F0 | Copies = 2" });
    row("remove columns", { "Remove: Columns = 0%1F2" });
    row("rename columns", { "Rename_Cols: RenameColumns = *NORENAME*%1FWho" });
    row("reorder columns", { "Reorder: Columns = 3%1F1" });
    row("chain of three",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F300", "Case: Columns = 1 | Case = Upper case",
            "Calculate: Operation = * Multiply | Type1 = Column | Column1 = 0 | "
            "Type2 = Constant | Constant2 = 3" });
    // The header guessed on the first block (and kept as the Input's
    // answer), not on the rows left at the end.
    row("header guessed", { "Case: Columns = 3 | Case = Upper case" }, true, people,
        HeaderAutomatic);
    // The header guessed on the first block: numbers in the first row make
    // it a row.
    row("no header guessed", { "Case: Columns = 3 | Case = Upper case" }, true,
        people.mid(people.indexOf('\n') + 1), HeaderAutomatic);
    // A quoted line feed in a value keeps a chunk's cut from being a row end.
    QByteArray quoted = people;
    quoted.insert(quoted.indexOf("\n30,") + 1, "29b,\"two\nlines\",1,Germany\n");
    row("quoted line feed", { "Case: Columns = 1 | Case = Upper case" }, true, quoted);

    // Groups kept as the blocks go by: a key, sums, averages, the last and
    // first non-empty texts, counts; then the usual run after them.
    row("unique",
        { "Unique: Column_Options = 3%1F0%1F%1F2%1F3%1F%1F1%1F2%1F%1F0%1F15%1F | Count = 1" });
    row("unique average, then sort",
        { "Unique: Column_Options = 3%1F0%1F%1F2%1F6%1F%1F1%1F9%1F%1F0%1F14%1F",
            "Sort: Columns = 2%1F0" });
    QByteArray cased = people;
    cased.replace(",France\n1", ",FRANCE\n1").replace(",Germany\n1", ",germany\n1");
    row("unique, case ignored",
        { "Unique: Column_Options = 3%1F0%1F%1F2%1F3%1F%1F0%1F10%1F%1F1%1F2%1F | Case_Sensitive = "
          "0" },
        true, cased);
    // Counted as the blocks go by.
    row("count", { "Count: Column = 3 | Sort = Count | Order = Descending" });
    row("count by text, case ignored",
        { "Count: Column = 3 | Sort = Text | Order = Ascending | Case_Sensitive = 0" }, true,
        cased);
    // A pivot sums up its cells and totals as the blocks go by.
    const QByteArray sales = pivotCsv();
    row("pivot sum", { "Pivot: Columns = 1 | Rows = 3 | Values = 4" }, true, sales);
    row("pivot average, no value empty, total row",
        { "Pivot: Columns = 1 | Rows = 3 | Values = 4 | Summarize_As = Average | Non_Calc = "
          "Empty | Total_Type = Rows" },
        true, sales);
    row("pivot minimum, total column",
        { "Pivot: Columns = 3 | Rows = 1 | Values = 4 | Summarize_As = Minimum | Total_Type = "
          "Columns" },
        true, sales);
    row("pivot maximum, no totals",
        { "Pivot: Columns = 1 | Rows = 3 | Values = 4 | Summarize_As = Maximum | Totals = 0" },
        true, sales);
    // Blocks of 20 rows: two keys make a group for most of 7 rows.
    QTest::newRow("pivot count, two keys")
        << sales
        << QStringList { "Pivot: Columns = 1%1F2 | Rows = 3 | Values = 4 | Summarize_As = Count "
                         "| Delimiter = -" }
        << int(HeaderYes) << true << 20;
    row("pivot of column keys only", { "Pivot: Rows = 3%1F2 | Values = 4" }, true, sales);
    row("filter, then pivot",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F30", "Pivot: Columns = 3 | Rows = 1 | Values = 0" },
        true, sales);
    // A median, a mode, a deviation and a distinct count need a cell's
    // values together, and a key of one row a group costs more than the
    // rows: the key and value columns are held and pivoted whole at the end
    // (not-a-number warnings with their row numbers as the whole table's).
    row("pivot median", { "Pivot: Columns = 1 | Rows = 3 | Values = 4 | Summarize_As = Median" },
        true, sales);
    row("pivot mode, total row",
        { "Pivot: Columns = 3 | Rows = 1 | Values = 4 | Summarize_As = Mode | Total_Type = Rows" },
        true, sales);
    row("pivot deviation of column keys only",
        { "Pivot: Rows = 3%1F2 | Values = 4 | Summarize_As = Standard deviation" }, true, sales);
    row("pivot distinct count, the value a key too",
        { "Pivot: Columns = 1 | Rows = 3 | Values = 1 | Summarize_As = Count distinct" }, true,
        sales);
    // Blocks of 20 rows: the first holds "n/a" (row 13), warned about once.
    QTest::newRow("pivot by id") << sales
                                 << QStringList { "Pivot: Columns = 0 | Rows = 3 | Values = 4" }
                                 << int(HeaderYes) << true << 20;
    row("pivot average by id, then sort",
        { "Pivot: Columns = 0 | Rows = 1 | Values = 4 | Summarize_As = Average",
            "Sort: Columns = 1%1F1" },
        true, sales);
    // Blocks of 20 rows: the keys repeat in the first, and make a group of
    // most rows after it: the file is streamed again from the start, the
    // key and value columns held, or the rows held and grouped whole.
    QByteArray lateKeys = "id,region,kind,year,amount\n";
    for (int i = 1; i <= 100; ++i)
        lateKeys += QByteArray::number(i <= 20 ? i % 3 : i) + ",r" + QByteArray::number(i % 4)
            + ",a,2021," + QByteArray::number(i) + "\n";
    QTest::newRow("pivot whose keys stop repeating")
        << lateKeys
        << QStringList { "Pivot: Columns = 0 | Rows = 1 | Values = 4 | Summarize_As = Sum" }
        << int(HeaderYes) << true << 20;
    QTest::newRow("pivot whose column keys stop repeating")
        << lateKeys
        << QStringList { "Pivot: Columns = 1 | Rows = 0 | Values = 4 | Summarize_As = Count" }
        << int(HeaderYes) << true << 20;
    QTest::newRow("unique whose keys stop repeating")
        << lateKeys
        << QStringList { "Unique: Column_Options = 0%1F0%1F%1F1%1F2%1F%1F4%1F3%1F | Count = 1" }
        << int(HeaderYes) << true << 20;
    // A drilldown needs the rows.
    row("pivot with drilldown", { "Pivot: Columns = 1 | Rows = 3 | Values = 4 | Drilldown = 1" },
        false, sales);
    // A dedupe takes the blocks and hands the first rows of each key on.
    row("dedupe", { "Dedupe: Columns = 3 | Dedupe_Mode = Remove duplicates" });
    row("dedupe keeping the duplicates, then case",
        { "Dedupe: Columns = 3 | Dedupe_Mode = Keep only duplicates",
            "Case: Columns = 3 | Case = Upper case" });
    // Fuzzy keys and the duplicate information need the whole table.
    row("fuzzy dedupe", { "Dedupe: Columns = 3 | Match_Type = Fuzzy | Fuzziness = 70" }, false);
    row("dedupe adding information",
        { "Dedupe: Columns = 3 | Dedupe_Mode = Add duplicate information" }, false);
    // A group for most rows of the first block costs more than the rows:
    // they are held and grouped whole at the end.
    row("unique of distinct keys", { "Unique: Column_Options = 0%1F0%1F%1F2%1F3%1F" });
    // Given up: a concatenation needs a group's values together.
    row("unique concatenating", { "Unique: Column_Options = 3%1F0%1F%1F1%1F7%1F" }, false);
    // Given up: whether a column of extremes holds dates is read from its
    // first 50 values, which a block of 7 rows does not hold.
    row("unique extremes in small blocks",
        { "Unique: Column_Options = 3%1F0%1F%1F2%1F4%1F%1F0%1F5%1F" }, false);
    QTest::newRow("unique extremes") << peopleCsv(300)
                                     << QStringList { "Unique: Column_Options = "
                                                      "3%1F0%1F%1F2%1F4%1F%1F0%1F5%1F | Count = 1" }
                                     << int(HeaderYes) << true << 60;

    // Given up: a long row late in the file adds a column to every row.
    QByteArray ragged = people;
    ragged.insert(ragged.indexOf("\n50,") + 1, "49b,x,1,France,extra\n");
    row("row longer than the first ones", { "Case: Columns = 1 | Case = Upper case" }, false,
        ragged);
    // Given up: a calculation fails in a late block only.
    QByteArray bad = people;
    const int row45 = bad.indexOf("\n45,") + 1;
    bad.insert(bad.indexOf(',', bad.indexOf(',', row45) + 1) + 1, "oops");
    row("late failure warns",
        { "Calculate: Operation = * Multiply | Type1 = Column | "
          "Column1 = 2 | Type2 = Constant | Constant2 = 2" },
        false, bad);
    // A sort takes the blocks and hands its result on in blocks.
    row("sort", { "Sort: Columns = 2%1F0" });
    row("sort then case", { "Sort: Columns = 3%1F1", "Case: Columns = 3 | Case = Upper case" });
    // Ranks count over the whole sorted table: the usual run makes them.
    row("sort with ranks", { "Sort: Columns = 2%1F0 | Rank_Add = 1 | Rank_Types = Dense" }, false);
    // The filter's blocks gathered for the sort after it.
    row("filter then sort",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F300", "Case: Columns = 1 | Case = Upper case",
            "Sort: Columns = 2%1F0" });
}

void TestStreamedRun::sameAsWhole()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, chain);
    QFETCH(int, hasHeader);
    QFETCH(bool, inBlocks);
    QFETCH(int, blockRows);

    const QString in = write(QStringLiteral("people.csv"), csv);
    const Outcome whole = run(in, chain, hasHeader, false);
    const Outcome blocks = run(in, chain, hasHeader, true, blockRows);
    QCOMPARE(whole.streamed, 0);
    QCOMPARE(blocks.streamed, inBlocks ? 1 : 0);
    // Rows of about 30 characters in chunks of 64, 7 rows a block at least.
    if (inBlocks)
        QVERIFY2(blocks.blocks >= 4, qPrintable(QString::number(blocks.blocks)));
    QVERIFY(!whole.written.isEmpty());
    QCOMPARE(blocks.written, whole.written);
    QCOMPARE(blocks.items, whole.items);
    // A file streamed again says why.
    const bool again = QByteArray(QTest::currentDataTag()).contains("stop repeating");
    QCOMPARE(
        blocks.information.join('\n').contains(QStringLiteral("the file was read again")), again);
}

// A Stop while the blocks go through leaves no file behind, as a stopped
// usual run writes none.
void TestStreamedRun::stopWritesNothing()
{
    const QString in = write(QStringLiteral("stop.csv"), peopleCsv(2000));
    GraphModel scene;
    scene.setKeepsResults(false);
    scene.runContext().setBlocks({ true, 7, 64 });
    auto* input = new InputNode(in);
    scene.insertNode(input);
    const QString out = m_dir.filePath(QStringLiteral("stopped.csv"));
    auto* output = new OutputNode(out);
    scene.insertNode(output);
    output->setPos(0, 100);
    scene.insertConnection(input, output);
    connect(input, &Node::processed, this, [&scene](Node*, qreal fraction) {
        if (fraction > 0.3)
            scene.runContext().requestStop();
    });
    scene.process(GraphModel::RunAll, true);

    QCOMPARE(input->status(), int(StatusError));
    QCOMPARE(output->status(), int(StatusNeedsUpdating));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(
        QDir(m_dir.path()).entryList({ QStringLiteral("stopped*") }, QDir::Files), QStringList());
}

// A join takes the file's rows in blocks against a lookup table another
// Input reads: the pairs as the blocks come, the rows without a partner at
// the end, as the whole join puts them.
void TestStreamedRun::joinsAsWhole_data()
{
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<bool>("inBlocks");
    QTest::addColumn<QByteArray>("bottomCsv");
    // The memory limit in GB, small enough for the top rows without a
    // partner to wait on disk for the end; 0: the default.
    QTest::addColumn<double>("memory");
    // Germany three times, a key no row has, and FRANCE in capitals.
    const QByteArray countries = "country,capital\nGermany,Berlin\nFRANCE,Paris\nItaly,Rome\n"
                                 "Germany,Bonn\nAtlantis,Poseidonia\nGermany,Aachen\n";
    const auto row = [&](const char* name, const QStringList& chain, bool inBlocks = true,
                         const QByteArray& bottom = QByteArray(), double memory = 0.0) {
        QTest::newRow(name) << chain << inBlocks << (bottom.isEmpty() ? countries : bottom)
                            << memory;
    };
    const QString join = QStringLiteral("Join: Column_1 = 3 | Column_2 = 0");
    row("inner", { join });
    row("left", { join + " | Include_Non_Matching_1 = 1" });
    row("right", { join + " | Include_Non_Matching_2 = 1" });
    row("full, case ignored",
        { join
            + " | Include_Non_Matching_1 = 1 | Include_Non_Matching_2 = 1 | "
              "Case_Sensitive = 0" });
    row("filter, join, case",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F400", join + " | Include_Non_Matching_1 = 1",
            "Case: Columns = 1 | Case = Upper case" });
    // The sort takes the join's blocks, the rows kept for the end too.
    row("left join, then sort",
        { join + " | Include_Non_Matching_1 = 1", "Sort: Columns = 2%1F1" });
    // The transpose needs the join's whole table, the rows kept for the end
    // too.
    row("left join, then transpose", { join + " | Include_Non_Matching_1 = 1", "Transpose:" });
    row("sort, then join", { "Sort: Columns = 2%1F1", join + " | Include_Non_Matching_2 = 1" });
    // Ids that only the first or the last block holds: a bottom row matched
    // once is matched for good.
    row("right, keys in one block each",
        { "Join: Column_1 = 0 | Column_2 = 0 | Include_Non_Matching_2 = 1" }, true,
        "id,note\n3,first\n59,last\n70,none\n3,again\n");
    // The key reports and a join by row number need the whole table.
    row("detailed report", { join + " | Detailed_Report = 1" }, false);
    row("by row number", { "Join: By = Row number" }, false);
    // Read back in blocks, in their order, after every pair; the bottom rows
    // without a partner after them.
    row("left, top rows on disk", { join + " | Include_Non_Matching_1 = 1" }, true, {}, 1e-9);
    // A limit of 10 KB: the rows of a few blocks are held before they go.
    row("left, top rows held, then on disk", { join + " | Include_Non_Matching_1 = 1" }, true, {},
        1e-5);
    row("full, case ignored, top rows on disk",
        { join
            + " | Include_Non_Matching_1 = 1 | Include_Non_Matching_2 = 1 | "
              "Case_Sensitive = 0" },
        true, {}, 1e-9);
    row("left join on disk, then case",
        { join + " | Include_Non_Matching_1 = 1", "Case: Columns = 3 | Case = Upper case" }, true,
        {}, 1e-9);
    row("left join on disk, then transpose",
        { join + " | Include_Non_Matching_1 = 1", "Transpose:" }, true, {}, 1e-9);

    // A lookup adds a column to each block: misses and keys with stray
    // whitespace (" spain ") reported with their rows as the whole table
    // reports them, the bottom's duplicated keys (Germany) once.
    const QString lookup = QStringLiteral(
        "Lookup: Top_Lookup_Column = 3 | Bottom_Lookup_Column = 0 | Bottom_Value_Column = 1");
    row("lookup", { lookup });
    row("lookup of every value, case ignored",
        { lookup + " | Bottom_Values_Used = All | Delim = ; | Case_Sensitive = 0" });
    row("lookup leaving misses unchanged, named",
        { lookup
            + " | If_No_Match = Leave unchanged "
              "| Auto_New_Name = 0 | New_Name = "
              "capital" });
    row("lookup with a no match value of the row's cells",
        { lookup + " | Non_Matching_Value = none for $(name)" });
    row("lookup by relation, then sort",
        { lookup + " | Match_Type = Top starts with bottom | Case_Sensitive = 0",
            "Sort: Columns = 4%1F1" });
    row("filter, lookup, case",
        { "Filter: Columns = 0%1F0%1F2%1F4%1F400", lookup,
            "Case: Columns = 4 | Case = Upper case" });
    // Countries padded with spaces to 9 characters: keys with stray
    // whitespace in every block.
    // Top rows whose country the bottom holds are removed: every one, or one
    // per bottom row (Germany three times) from the first top row on; from
    // the last needs the whole table.
    const QString subtract = QStringLiteral("Subtract: Column_1 = 3 | Column_2 = 0");
    row("subtract", { subtract });
    row("subtract first matches, case ignored",
        { subtract + " | Match = First match | Case_Sensitive = 0" });
    row("subtract last matches", { subtract + " | Match = Last match" }, false);
    row("subtract nothing", { subtract }, true, "country,capital\nAtlantis,Poseidonia\n");
    // The file's rows, then the bottom table's, under the columns of the
    // same name or place; a source column holds each row's item, and a
    // column one side lacks is empty there, with a warning naming the item.
    const QByteArray sameColumns = "country,amount,name,id\nSpain,1.5,late,900\nFrance,,,901\n";
    row("stack by name", { "Stack:" }, true, sameColumns);
    row("stack by position, then sort", { "Stack: Match_By = Position", "Sort: Columns = 0%1F0" },
        true, sameColumns);
    row("stack with a source column", { "Stack: Add_Source = 1 | Source_Name = from" }, true,
        sameColumns);
    row("stack of columns each side lacks", { "Stack:" });
    row("stack by position of a narrower table", { "Stack: Match_By = Position" }, true,
        "country\nSpain\n");
    row("pad, then lookup",
        { "Pad: Columns = 3 | Length = 9 | Left_Right = Left | Pad_With = %20", lookup });
    row("lookup of a broken pattern", { lookup + " | Match_Type = Top matches bottom regex" }, true,
        "country,capital\n(Germany,Berlin\n");
}

void TestStreamedRun::joinsAsWhole()
{
    QFETCH(QStringList, chain);
    QFETCH(bool, inBlocks);
    QFETCH(QByteArray, bottomCsv);
    QFETCH(double, memory);
    const bool spills = memory > 0;
    const QString in = write(QStringLiteral("people.csv"), peopleCsv());
    const QString bottom = write(QStringLiteral("bottom.csv"), bottomCsv);
    const Outcome whole = run(in, chain, HeaderYes, false, 7, Spill(), 64, bottom);
    Spill spill;
    if (spills) {
        spill.folder = spillFolder();
        spill.memory = memory;
    }
    const Outcome blocks = run(in, chain, HeaderYes, true, 7, spill, 64, bottom);
    QCOMPARE(blocks.streamed, inBlocks ? 1 : 0);
    QVERIFY(!whole.written.isEmpty());
    QCOMPARE(blocks.written, whole.written);
    QCOMPARE(blocks.items, whole.items);
    QStringList information = blocks.information;
    const QString said = QStringLiteral("The top rows without a partner took more than 30% of the "
                                        "memory limit: kept on disk until the end (");
    QCOMPARE(information.filter(said).size(), spills ? 1 : 0);
    information.removeAll(information.filter(said).value(0));
    QCOMPARE(information, whole.information);
    if (spills) {
        QVERIFY(blocks.spilled >= 1);
        QCOMPARE(leftIn(spill.folder), QStringList());
    }
}

QTEST_MAIN(TestStreamedRun)
#include "tst_streamedrun.moc"
