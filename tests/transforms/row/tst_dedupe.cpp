#include "tests/graph/testnodes.h"

#include "transforms/row/transformdedupe.h"
#include "transforms/support/closeness.h"
#include "transforms/support/duplicategroups.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

namespace {

// A Dedupe fed by a processed source item, run by calling process() directly.
struct DedupeRun
{
    explicit DedupeRun(const Dataset& data) : source(data)
    {
        source.process(false, false);
        dedupe.defineParameters({ &source }, false);
        dedupe.bindUpstream({ &source }, false);
    }
    void columns(const QVector<int>& positions)
    {
        TransformParameter* p = dedupe.parameter(QStringLiteral("Columns"));
        ColumnRefList refs;
        for (int c : positions)
            refs.append(p->referenceAt(c));
        p->setValue(QVariant::fromValue(refs));
    }
    void set(const QString& key, const QVariant& value) { dedupe.parameter(key)->setValue(value); }
    Dataset run()
    {
        dedupe.clearMessages();
        Dataset out;
        error = false;
        dedupe.process(out, { &source }, error);
        dedupe.validate();
        return out;
    }
    SourceNode source;
    TransformDedupe dedupe;
    bool error = false;
};

Dataset names(const QStringList& values)
{
    Dataset d;
    d.setColumnCount(2);
    d.setHeader({ QStringLiteral("name"), QStringLiteral("id") });
    for (int i = 0; i < values.size(); ++i)
        d.appendRow({ values.at(i), QString::number(i + 1) });
    return d;
}

QStringList column(const Dataset& d, int c)
{
    QStringList values;
    for (int r = 0; r < d.rowCount(); ++r)
        values << d.value(r, c);
    return values;
}

// The grouping as first described: every new distinct key is compared with
// every distinct key seen so far, in order, the first of the closest wins.
QVector<int> naiveFuzzyGroups(const QList<QStringList>& keys, int least)
{
    QList<QStringList> distinct;
    QVector<int> distinctGroup;
    QVector<int> groupOf;
    int groups = 0;
    for (const QStringList& key : keys) {
        const int same = distinct.indexOf(key);
        if (same >= 0) {
            groupOf << distinctGroup[same];
            continue;
        }
        int best = NoCloseness;
        int bestIndex = -1;
        for (int i = 0; i < distinct.size(); ++i) {
            const int c = closeness(key, distinct[i], least);
            if (c > best) {
                best = c;
                bestIndex = i;
            }
        }
        const int group = best >= least ? distinctGroup[bestIndex] : groups++;
        groupOf << group;
        distinct << key;
        distinctGroup << group;
    }
    return groupOf;
}

QString withTypos(QRandomGenerator& rng, QString k)
{
    for (int e = rng.bounded(3); e > 0; --e) {
        const int at = rng.bounded(k.size() + 1);
        const QChar c = QChar('a' + rng.bounded(26));
        switch (rng.bounded(3)) {
        case 0:
            k.insert(at, c);
            break;
        case 1:
            if (at < k.size())
                k.remove(at, 1);
            break;
        default:
            if (at < k.size())
                k[at] = c;
            break;
        }
    }
    return k;
}

} // namespace

class TestDedupe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void removeDuplicates_data();
    void removeDuplicates();
    void keepOnlyIsTheComplement();
    void duplicateInformation_data();
    void duplicateInformation();
    void fuzzyGroupingMatchesTheFullSearch_data();
    void fuzzyGroupingMatchesTheFullSearch();
    void noColumns();
    void exactGroupsOfManyKeys_data();
    void exactGroupsOfManyKeys();
    void drilldownOnTheFirstRowOfAGroup();
    void stopEndsInError();
};

void TestDedupe::removeDuplicates_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("matchType");
    QTest::addColumn<int>("fuzziness");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<bool>("ignoreSpaces");
    QTest::addColumn<bool>("ignorePunctuation");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QString>("summary");

    const QStringList smith { "Smith", "Smyth" };
    QTest::newRow("Smith Smyth at 80") << smith << "Fuzzy" << 80 << true << false << false
                                       << QStringList { "1" } << "1 row removed";
    QTest::newRow("Smith Smyth at 81") << smith << "Fuzzy" << 81 << true << false << false
                                       << QStringList { "1", "2" } << "No changes";
    QTest::newRow("exact repeats")
        << QStringList { "a", "b", "a", "a", "c", "b" } << "Exact" << 80 << true << false << false
        << QStringList { "1", "2", "5" } << "3 rows removed";
    QTest::newRow("empty values are duplicates")
        << QStringList { "", "x", "" } << "Exact" << 80 << true << false << false
        << QStringList { "1", "2" } << "1 row removed";
    QTest::newRow("case counts") << QStringList { "ABC", "abc" } << "Exact" << 80 << true << false
                                 << false << QStringList { "1", "2" } << "No changes";
    QTest::newRow("case ignored") << QStringList { "ABC", "abc" } << "Exact" << 80 << false << false
                                  << false << QStringList { "1" } << "1 row removed";
    QTest::newRow("spaces and punctuation ignored")
        << QStringList { "J. Smith", "jsmith", "J-Smith\t" } << "Exact" << 80 << false << true
        << true << QStringList { "1" } << "2 rows removed";
    QTest::newRow("spaces only ignored")
        << QStringList { "J. Smith", "jsmith", "j.smith" } << "Exact" << 80 << false << true
        << false << QStringList { "1", "2" } << "1 row removed";
    QTest::newRow("fuzzy case ignored")
        << QStringList { "SMITH", "smyth" } << "Fuzzy" << 80 << false << false << false
        << QStringList { "1" } << "1 row removed";
}

void TestDedupe::removeDuplicates()
{
    QFETCH(QStringList, values);
    QFETCH(QString, matchType);
    QFETCH(int, fuzziness);
    QFETCH(bool, caseSensitive);
    QFETCH(bool, ignoreSpaces);
    QFETCH(bool, ignorePunctuation);
    QFETCH(QStringList, kept);
    QFETCH(QString, summary);
    DedupeRun run(names(values));
    run.columns({ 0 });
    run.set(QStringLiteral("Match_Type"), matchType);
    run.set(QStringLiteral("Fuzziness"), fuzziness);
    run.set(QStringLiteral("Case_Sensitive"), caseSensitive);
    run.set(QStringLiteral("Ignore_Spaces"), ignoreSpaces);
    run.set(QStringLiteral("Ignore_Punctuation"), ignorePunctuation);
    const Dataset out = run.run();
    QCOMPARE(column(out, 1), kept);
    QCOMPARE(run.dedupe.resultSummary(), summary);
    QCOMPARE(run.dedupe.warnings(), QStringList());
    QCOMPARE(out.columnNames(), (QStringList { "name", "id" }));
}

void TestDedupe::keepOnlyIsTheComplement()
{
    const Dataset data = names({ "Anna", "Ben", "anna", "Ana", "Ben", "Carl", "Karl", "Anna" });
    for (const QString& matchType : { QStringLiteral("Exact"), QStringLiteral("Fuzzy") }) {
        DedupeRun run(data);
        run.columns({ 0 });
        run.set(QStringLiteral("Match_Type"), matchType);
        run.set(QStringLiteral("Fuzziness"), 75);
        run.set(QStringLiteral("Case_Sensitive"), false);
        const QStringList kept = column(run.run(), 1);
        run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Keep only duplicates"));
        const QStringList duplicates = column(run.run(), 1);
        QCOMPARE(run.dedupe.resultSummary(), QStringLiteral("%1 rows removed").arg(kept.size()));
        QStringList all = kept + duplicates;
        std::sort(all.begin(), all.end(),
            [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
        QCOMPARE(all, column(data, 1));
        QVERIFY(std::is_sorted(duplicates.begin(), duplicates.end(),
            [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); }));
        if (matchType == QLatin1String("Exact"))
            QCOMPARE(duplicates, (QStringList { "3", "5", "8" }));
        else
            QCOMPARE(duplicates, (QStringList { "3", "4", "5", "7", "8" }));
    }
}

void TestDedupe::duplicateInformation_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("matchType");
    QTest::addColumn<int>("fuzziness");
    // Per output row: Group, Row, Closeness, Duplicate, Duplicates.
    QTest::addColumn<QStringList>("information");

    const auto single = [](const QStringList& values) {
        QList<QStringList> rows;
        for (const QString& v : values)
            rows << QStringList { v, QString() };
        return rows;
    };
    QTest::newRow("exact groups stand together")
        << single({ "a", "b", "a", "c", "b", "a" }) << "Exact" << 80
        << QStringList { "1 1  false 2", "1 3 100 true 2", "1 6 100 true 2", "2 2  false 1",
               "2 5 100 true 1", "3 4  false 0" };
    QTest::newRow("two columns at 75")
        << QList<QStringList> { { "ab", "cd" }, { "ab", "ce" } } << "Fuzzy" << 75
        << QStringList { "1 1  false 1", "1 2 75 true 1" };
    QTest::newRow("two columns at 76")
        << QList<QStringList> { { "ab", "cd" }, { "ab", "ce" } } << "Fuzzy" << 76
        << QStringList { "1 1  false 0", "2 2  false 0" };
    // "xxxxxxxxad" is 90 close to both earlier keys, which are 80 close to
    // each other: the earlier key wins.
    QTest::newRow("tie goes to the earlier key")
        << single({ "xxxxxxxxab", "xxxxxxxxcd", "xxxxxxxxad" }) << "Fuzzy" << 85
        << QStringList { "1 1  false 1", "1 3 90 true 1", "2 2  false 0" };
    // 80 close to the first key, 90 to the second: the closest wins, not
    // the first that reaches the fuzziness.
    QTest::newRow("closest key wins")
        << single({ "abcdefghij", "abcdefgxyz", "abcdefgxyj" }) << "Fuzzy" << 71
        << QStringList { "1 1  false 0", "2 2  false 1", "2 3 90 true 1" };
    // Smythe is only close to Smyth, which joined Smith's group; the repeat
    // of Smyth stands where Smyth stands.
    QTest::newRow("keys joined are remembered")
        << single({ "Smith", "Smyth", "Smythe", "Smyth", "Smith" }) << "Fuzzy" << 80
        << QStringList { "1 1  false 4", "1 2 80 true 4", "1 3 83 true 4", "1 4 80 true 4",
               "1 5 100 true 4" };
}

void TestDedupe::duplicateInformation()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, matchType);
    QFETCH(int, fuzziness);
    QFETCH(QStringList, information);
    DedupeRun run(makeDataset({ "k1", "k2" }, rows));
    run.columns(rows.first().at(1).isEmpty() ? QVector<int> { 0 } : QVector<int> { 1, 0 });
    run.set(QStringLiteral("Match_Type"), matchType);
    run.set(QStringLiteral("Fuzziness"), fuzziness);
    run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Add duplicate information"));
    const Dataset out = run.run();
    QCOMPARE(out.columnNames(),
        (QStringList { "k1", "k2", "Group", "Row", "Closeness", "Duplicate", "Duplicates" }));
    QStringList actual;
    for (int r = 0; r < out.rowCount(); ++r)
        actual << out.row(r).mid(2).join(QLatin1Char(' '));
    QCOMPARE(actual, information);
    QCOMPARE(run.dedupe.resultSummary(), QStringLiteral("Duplicate information added"));
}

// Random names with typos, in one and in two columns: the pruned search must
// group exactly like the full one, at several fuzziness levels.
void TestDedupe::fuzzyGroupingMatchesTheFullSearch_data()
{
    QTest::addColumn<int>("columns");
    QTest::newRow("one column") << 1;
    QTest::newRow("two columns") << 2;
}

void TestDedupe::fuzzyGroupingMatchesTheFullSearch()
{
    QFETCH(int, columns);
    QRandomGenerator rng(4242);
    const QStringList stems { "anderson", "smith", "smyth", "johnson", "jonsson", "miller",
        "muller", "müller", "li", "lee", "o'brien", "" };
    QList<QStringList> keys;
    Dataset data;
    data.setColumnCount(columns);
    for (int i = 0; i < 400; ++i) {
        QStringList key;
        for (int c = 0; c < columns; ++c)
            key << withTypos(rng, stems.at(rng.bounded(stems.size())));
        keys << key;
        data.appendRow(key);
    }
    const QVector<int> compared = columns == 1 ? QVector<int> { 0 } : QVector<int> { 0, 1 };
    for (int least : { 0, 50, 70, 80, 90, 100 }) {
        DuplicateOptions options;
        options.fuzzy = true;
        options.fuzziness = least;
        DuplicateGroups groups;
        QVERIFY(findDuplicates(data, compared, options, groups));
        QCOMPARE(groups.group, naiveFuzzyGroups(keys, least));
    }
}

// Without columns to compare the rows pass unchanged; the information
// columns are still added, empty.
void TestDedupe::noColumns()
{
    DedupeRun run(names({ "a", "a" }));
    run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Add duplicate information"));
    const Dataset out = run.run();
    QCOMPARE(out.columnCount(), 7);
    QCOMPARE(column(out, 1), (QStringList { "1", "2" }));
    QCOMPARE(column(out, 2), (QStringList { "", "" }));
    QCOMPARE(run.dedupe.resultSummary(), QStringLiteral("No changes"));
    QCOMPARE(run.dedupe.warnings(), QStringList { "1 option not set ('columns')" });
}

void TestDedupe::drilldownOnTheFirstRowOfAGroup()
{
    DedupeRun run(names({ "x", "y", "x", "z", "x" }));
    run.columns({ 0 });
    run.set(QStringLiteral("Drilldown"), true);
    run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Keep only duplicates"));
    const Dataset out = run.run();
    QCOMPARE(column(out, 1), (QStringList { "3", "5" }));
    QList<int> rows = out.drilldown().values(CellPos { 0, 0 });
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows, (QList<int> { 0, 2, 4 }));
    QCOMPARE(out.drilldown().size(), 3);

    run.set(QStringLiteral("Drilldown"), false);
    QVERIFY(run.run().drilldown().isEmpty());
}

void TestDedupe::stopEndsInError()
{
    DedupeRun run(names({ "a", "b" }));
    run.columns({ 0 });
    RunContext stopped;
    stopped.requestStop();
    run.dedupe.setRunContext(&stopped);
    const Dataset out = run.run();
    QVERIFY(run.error);
    QCOMPARE(
        run.dedupe.warnings().first(), QStringLiteral("Dedupe was stopped before it finished."));
}

void TestDedupe::exactGroupsOfManyKeys_data()
{
    QTest::addColumn<bool>("caseSensitive");
    QTest::newRow("as stored") << true;
    QTest::newRow("case ignored") << false;
}

// Enough distinct keys to grow the table many times; the values of one key
// are split across two columns in two ways ("ab" + "c" and "a" + "bc"),
// which must stay different keys.
void TestDedupe::exactGroupsOfManyKeys()
{
    QFETCH(bool, caseSensitive);
    const int keys = 30000;
    Dataset data = makeDataset({ "left", "right" }, {});
    for (int r = 0; r < 3 * keys; ++r) {
        const int key = r % keys;
        const QString text = QStringLiteral("Key%1").arg(key);
        const int split = (r / keys) == 1 ? 2 : 1; // the second round splits elsewhere
        QString right = text.mid(split);
        if (!caseSensitive && r / keys == 2)
            right = right.toUpper();
        data.appendRow({ text.left(split), right });
    }
    DuplicateOptions options;
    options.caseSensitive = caseSensitive;
    DuplicateGroups groups;
    QVERIFY(findDuplicates(data, { 0, 1 }, options, groups));

    // Round one starts every group, round two (split elsewhere) starts its
    // own groups, round three repeats round one (upper-cased when case is
    // ignored, exactly when it counts).
    QCOMPARE(groups.groupCount(), 2 * keys);
    for (int r = 0; r < 3 * keys; ++r) {
        const int round = r / keys;
        const int key = r % keys;
        const int expected = round == 1 ? keys + key : key;
        if (groups.group.at(r) != expected)
            QFAIL(qPrintable(QStringLiteral("row %1 in group %2, expected %3")
                                 .arg(r)
                                 .arg(groups.group.at(r))
                                 .arg(expected)));
        QCOMPARE(groups.isFirst(r), round < 2);
    }
}

QTEST_MAIN(TestDedupe)
#include "tst_dedupe.moc"
