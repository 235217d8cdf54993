// Runs without windows pass a text file's rows through row-by-row items in
// blocks. Each case runs a chain twice, in tiny blocks and whole, and the
// files written, the items' summaries, row counts and warnings must agree.

#include "core/runcontext.h"
#include "document/documentcodec.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A run's outcome as a user sees it.
struct Outcome
{
    QByteArray written;
    QStringList items;
    // The items' information lines, which a run in blocks may add to.
    QStringList information;
    int streamed = 0;
    qint64 blocks = 0;
    int spilled = 0;
};

// Where a run puts rows aside, and how much the disk holds (negative: no
// bound). A sort given a memory limit of almost nothing spills every block.
struct Spill
{
    QString folder;
    qint64 capacity = -1;
    // The memory limit, in GB.
    double memory = 1e-9;
};

// A memory limit of almost nothing, which the process is never measured
// against, makes a sort put every block it can aside.
void spillEveryBlock(RunContext& context, const Spill& spill)
{
    context.settings().setMaxMemoryUsage(spill.memory);
    context.setMeasurement([] { return 0.0; });
    context.setTempFolder(spill.folder);
    context.setSpillCapacity(spill.capacity);
}

// Rows for sorting: numbers with texts and empty values late in the file
// (the column still reads as numbers from its first rows), names that tie
// but for case, dates, and a column that fills only one row in five, so
// that its kind is known only after 250 rows. Two last columns hold one of
// 97 texts cut in two at different places ("v1", "2w"; "v12", "w"): keys of
// several values that run together the same.
QByteArray sortCsv(int rows)
{
    QByteArray text = "id,name,amount,when,sparse,left,right\n";
    // Grown in place: a reallocation copies the whole text under the
    // thread checker.
    text.reserve(rows * 56);
    const char* names[] = { "berlin", "Berlin", "\xc3\xa9vora", "Zagreb", "aachen", "Évora" };
    for (int i = 1; i <= rows; ++i) {
        QByteArray amount
            = QByteArray::number((i * 7919) % 211 - 50) + "." + QByteArray::number(i % 3);
        if (i > 150 && i % 17 == 0)
            amount = i % 2 ? "n/a" : "N/A";
        else if (i > 150 && i % 13 == 0)
            amount = "";
        const QByteArray when = QByteArray::number(1 + (i * 31) % 28) + "/"
            + QByteArray::number(1 + (i * 7) % 12) + "/" + QByteArray::number(1990 + (i * 13) % 30);
        // Dates but for one text at its 40th value: not a date column, as
        // only its first 50 values show.
        QByteArray sparse;
        if (i % 5 == 0)
            sparse = i == 200
                ? QByteArray("unknown")
                : QByteArray::number(1 + i % 28) + "/" + QByteArray::number(1 + (i / 5) % 12)
                    + "/20" + QByteArray::number(10 + i % 15);
        const QByteArray whole = "v" + QByteArray::number(i % 97) + "w";
        const int cut = 1 + (i / 97) % (whole.size() - 1);
        text += QByteArray::number(i) + "," + names[(i * 5) % 6] + "," + amount + "," + when + ","
            + sparse + "," + whole.left(cut) + "," + whole.mid(cut) + "\n";
    }
    return text;
}

// 60 rows of the kinds of values the chains change; a row is about 40
// characters, so chunks of 64 characters cut nearly every row apart.
QByteArray peopleCsv(int rows = 60)
{
    QByteArray text = "id,name,amount,country\n";
    const char* countries[] = { "Germany", "France", " spain ", "Italy" };
    for (int i = 1; i <= rows; ++i) {
        text += QByteArray::number(i) + ",name  " + QByteArray::number((i * 7919) % 1009) + ","
            + QByteArray::number((i * 37) % 1000) + ".5," + countries[i % 4] + "\n";
    }
    return text;
}

// Sales by region, kind and year for the pivot cases: amounts with
// decimals, empty ones and "n/a", an empty region, years that are equal as
// numbers ("1", "01"), a region and years first seen late in the file, and
// a last row whose region and year no other row has, without an amount.
QByteArray pivotCsv(int rows = 120)
{
    QByteArray text = "id,region,kind,year,amount\n";
    const char* regions[] = { "North", "south", "", "East", "North-West" };
    const char* early[] = { "2021", "2020", "01" };
    const char* late[] = { "2021", "1", "2019", "01", "2022" };
    for (int i = 1; i <= rows; ++i) {
        const bool isLate = i > rows / 2;
        const QByteArray amount = i % 11 == 0 ? QByteArray()
            : i % 13 == 0                     ? QByteArray("n/a")
                                              : QByteArray::number(((i * 37) % 1000) / 8.0);
        text += QByteArray::number(i) + "," + regions[(i / 3) % (isLate ? 5 : 4)] + ","
            + (i % 2 ? "a" : "b") + "," + (isLate ? late[i % 5] : early[i % 3]) + "," + amount
            + "\n";
    }
    return text + QByteArray::number(rows + 1) + ",Central,a,2023,\n";
}

} // namespace

class TestStreamedRun : public QObject
{
    Q_OBJECT

private slots:
    void sameAsWhole_data();
    void sameAsWhole();
    void stopWritesNothing();
    void spillsAsWhole_data();
    void spillsAsWhole();
    void joinsAsWhole_data();
    void joinsAsWhole();
    void fullDiskEndsTheRun_data();
    void fullDiskEndsTheRun();
    void stopDuringSpillLeavesNothing_data();
    void stopDuringSpillLeavesNothing();

private:
    QString write(const QString& name, const QByteArray& bytes);
    // Input -> the transforms, each "Type: Key = stored text | ..." -> Output.
    // A "Join" item takes the file bottom as its bottom table.
    Outcome run(const QString& in, const QStringList& chain, int hasHeader, bool inBlocks,
        int blockRows = 7, const Spill& spill = Spill(), int chunkChars = 64,
        const QString& bottom = QString());
    QString spillFolder();

    QTemporaryDir m_dir;
};

// Sets the options of "Type: Key = stored text | ..." on the transform.
static void configure(Transform* transform, const QString& spec)
{
    const QStringList settings = spec.section(QLatin1Char(':'), 1).split(QLatin1Char('|'));
    for (const QString& setting : settings) {
        if (setting.trimmed().isEmpty())
            continue;
        const QString key = setting.section(QLatin1Char('='), 0, 0).trimmed();
        TransformParameter* p = transform->parameter(key);
        if (!p)
            qFatal("no option %s of %s", qPrintable(key), qPrintable(transform->typeKey()));
        const QString text
            = DocumentCodec::decodeText(setting.section(QLatin1Char('='), 1).trimmed());
        if (p->type() == ParameterType::Selection && !p->choiceList().contains(text))
            qFatal("'%s' is no choice of %s", qPrintable(text), qPrintable(key));
        p->deserialise(text);
    }
}

QString TestStreamedRun::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

Outcome TestStreamedRun::run(const QString& in, const QStringList& chain, int hasHeader,
    bool inBlocks, int blockRows, const Spill& spill, int chunkChars, const QString& bottom)
{
    GraphModel scene;
    scene.setKeepsResults(false);
    scene.runContext().setBlocks({ inBlocks, blockRows, chunkChars });
    if (!spill.folder.isEmpty())
        spillEveryBlock(scene.runContext(), spill);
    auto* input = new InputNode(in);
    InputOptions options = input->options();
    options.hasHeader = hasHeader;
    input->setOptions(options);
    scene.insertNode(input);
    QList<Node*> items { input };
    for (const QString& spec : chain) {
        const QString type = spec.section(QLatin1Char(':'), 0, 0).trimmed();
        Transform* transform = Catalogue::instance().create(type);
        if (!transform)
            qFatal("no transform type %s", qPrintable(type));
        auto* node = new TransformNode(transform);
        scene.insertNode(node);
        node->setPos(0, 100 * items.size());
        scene.insertConnection(items.last(), node);
        if (type == QLatin1String("Join")) {
            // Below the item before the join, so that it is the bottom.
            auto* lookup = new InputNode(bottom);
            scene.insertNode(lookup);
            lookup->setPos(300, 100 * items.size() - 50);
            scene.insertConnection(lookup, node);
            items.append(lookup);
        }
        node->upstreamChanged();
        configure(transform, spec);
        items.append(node);
    }
    // One name for both runs: the Output item is named after its file.
    const QString out = m_dir.filePath(QStringLiteral("out.csv"));
    QFile::remove(out);
    auto* output = new OutputNode(out);
    scene.insertNode(output);
    output->setPos(0, 100 * items.size());
    scene.insertConnection(items.last(), output);
    items.append(output);
    scene.process(GraphModel::RunAll, true);

    Outcome outcome;
    QFile file(out);
    if (file.open(QIODevice::ReadOnly))
        outcome.written = file.readAll();
    for (const Node* n : qAsConst(items)) {
        outcome.items << QStringLiteral("%1 [%2] %3 | %4 | %5")
                             .arg(n->displayName(), statusName(n->status()), n->resultText(),
                                 n->rowFlowText(), n->warnings().join(QLatin1Char('/')));
    }
    outcome.items << QStringLiteral("header %1").arg(input->options().hasHeader);
    for (const Node* n : qAsConst(items))
        outcome.information << n->information();
    outcome.streamed = scene.runContext().streamedInputs();
    outcome.blocks = scene.runContext().streamedBlocks();
    outcome.spilled = scene.runContext().spilledRuns();
    return outcome;
}

QString TestStreamedRun::spillFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("spill"));
    QDir().mkpath(path);
    return path;
}

// Nothing is left in the spill folder, whatever the run's end.
static QStringList leftIn(const QString& folder)
{
    QStringList left;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    return left;
}

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

// A sort of more rows than its memory allows writes sorted runs to disk and
// merges them, a dedupe puts its rows and keys on disk and reads them back:
// the file must be that of the whole run, byte for byte, its messages too,
// and nothing may be left on disk.
void TestStreamedRun::spillsAsWhole_data()
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
    // Six names in the first seven rows; "berlin" and "Berlin" one group,
    // wherever their texts would put them.
    unique("unique of names, case ignored",
        { "Unique: Column_Options = 1%1F0%1F%1F0%1F6%1F%1F2%1F3%1F | Case_Sensitive = 0" });
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

void TestStreamedRun::spillsAsWhole()
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

void TestStreamedRun::fullDiskEndsTheRun_data()
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
void TestStreamedRun::fullDiskEndsTheRun()
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

void TestStreamedRun::stopDuringSpillLeavesNothing_data()
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
void TestStreamedRun::stopDuringSpillLeavesNothing()
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

QTEST_MAIN(TestStreamedRun)
#include "tst_streamedrun.moc"
