#include "tests/transforms/format/textharness.h"
#include "transforms/support/closeness.h"
#include "transforms/support/duplicategroups.h"

#include <QRandomGenerator>

namespace {

Dataset names(const QStringList& values)
{
    QList<QStringList> rows;
    for (int i = 0; i < values.size(); ++i)
        rows.append({ values.at(i), QString::number(i + 1) });
    return makeDataset({ "name", "id" }, rows);
}

Transform* dedupeType()
{
    return Catalogue::instance().create(QStringLiteral("Dedupe"));
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
    void initTestCase() { prepareTextTests(); }

    void removeDuplicates_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("matchType");
        QTest::addColumn<int>("fuzziness");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("ignoreSpaces");
        QTest::addColumn<bool>("ignorePunctuation");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QStringList& values, const char* matchType,
                       int fuzziness, bool caseSensitive, bool spaces, bool punctuation,
                       const QStringList& kept, const char* summary) {
            QTest::newRow(name) << values << matchType << fuzziness << caseSensitive << spaces
                                << punctuation << kept << summary;
        };
        const QStringList smith { "Smith", "Smyth" };
        row("Smith Smyth at 80", smith, "Fuzzy", 80, true, false, false, { "1" }, "1 row removed");
        row("Smith Smyth at 81", smith, "Fuzzy", 81, true, false, false, { "1", "2" },
            "No changes");
        row("exact repeats", { "a", "b", "a", "a", "c", "b" }, "Exact", 80, true, false, false,
            { "1", "2", "5" }, "3 rows removed");
        row("empty values are duplicates", { "", "x", "" }, "Exact", 80, true, false, false,
            { "1", "2" }, "1 row removed");
        row("case counts", { "ABC", "abc" }, "Exact", 80, true, false, false, { "1", "2" },
            "No changes");
        row("case ignored", { "ABC", "abc" }, "Exact", 80, false, false, false, { "1" },
            "1 row removed");
        row("spaces and punctuation ignored", { "J. Smith", "jsmith", "J-Smith\t" }, "Exact", 80,
            false, true, true, { "1" }, "2 rows removed");
        row("spaces only ignored", { "J. Smith", "jsmith", "j.smith" }, "Exact", 80, false, true,
            false, { "1", "2" }, "1 row removed");
        row("fuzzy case ignored", { "SMITH", "smyth" }, "Fuzzy", 80, false, false, false, { "1" },
            "1 row removed");
    }

    void removeDuplicates()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, matchType);
        QFETCH(int, fuzziness);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, ignoreSpaces);
        QFETCH(bool, ignorePunctuation);
        QFETCH(QString, summary);
        TransformRun run(dedupeType(), names(values));
        run.columns({ 0 })
            .set(QStringLiteral("Match_Type"), matchType)
            .set(QStringLiteral("Fuzziness"), fuzziness)
            .set(QStringLiteral("Case_Sensitive"), caseSensitive)
            .set(QStringLiteral("Ignore_Spaces"), ignoreSpaces)
            .set(QStringLiteral("Ignore_Punctuation"), ignorePunctuation);
        const Dataset& out = run.run();
        QTEST(columnValues(out, 1), "kept");
        QCOMPARE(run.summary(), summary);
        QCOMPARE(run.warnings(), QStringList());
        QCOMPARE(out.columnNames(), (QStringList { "name", "id" }));
    }

    void keepOnlyIsTheComplement()
    {
        const Dataset data = names({ "Anna", "Ben", "anna", "Ana", "Ben", "Carl", "Karl", "Anna" });
        for (const QString& matchType : { QStringLiteral("Exact"), QStringLiteral("Fuzzy") }) {
            TransformRun run(dedupeType(), data);
            run.columns({ 0 })
                .set(QStringLiteral("Match_Type"), matchType)
                .set(QStringLiteral("Fuzziness"), 75)
                .set(QStringLiteral("Case_Sensitive"), false);
            const QStringList kept = columnValues(run.run(), 1);
            run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Keep only duplicates"));
            const QStringList duplicates = columnValues(run.run(), 1);
            QCOMPARE(run.summary(), QStringLiteral("%1 rows removed").arg(kept.size()));
            QStringList all = kept + duplicates;
            std::sort(all.begin(), all.end(),
                [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
            QCOMPARE(all, columnValues(data, 1));
            QVERIFY(std::is_sorted(duplicates.begin(), duplicates.end(),
                [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); }));
            if (matchType == QLatin1String("Exact"))
                QCOMPARE(duplicates, (QStringList { "3", "5", "8" }));
            else
                QCOMPARE(duplicates, (QStringList { "3", "4", "5", "7", "8" }));
        }
    }

    void duplicateInformation_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("matchType");
        QTest::addColumn<int>("fuzziness");
        // Per output row: Group, Row, Closeness, Duplicate, Duplicates.
        QTest::addColumn<QStringList>("information");
        auto row = [](const char* name, const QList<QStringList>& rows, const QString& matchType,
                       int fuzziness, const QStringList& information) {
            QTest::newRow(name) << rows << matchType << fuzziness << information;
        };

        const auto single = [](const QStringList& values) {
            QList<QStringList> rows;
            for (const QString& v : values)
                rows << QStringList { v, QString() };
            return rows;
        };
        row("exact groups stand together", single({ "a", "b", "a", "c", "b", "a" }), "Exact", 80,
            { "1 1  false 2", "1 3 100 true 2", "1 6 100 true 2", "2 2  false 1", "2 5 100 true 1",
                "3 4  false 0" });
        row("two columns at 75", { { "ab", "cd" }, { "ab", "ce" } }, "Fuzzy", 75,
            { "1 1  false 1", "1 2 75 true 1" });
        row("two columns at 76", { { "ab", "cd" }, { "ab", "ce" } }, "Fuzzy", 76,
            { "1 1  false 0", "2 2  false 0" });
        // "xxxxxxxxad" is 90 close to both earlier keys, which are 80 close to
        // each other: the earlier key wins.
        row("tie goes to the earlier key", single({ "xxxxxxxxab", "xxxxxxxxcd", "xxxxxxxxad" }),
            "Fuzzy", 85, { "1 1  false 1", "1 3 90 true 1", "2 2  false 0" });
        // 80 close to the first key, 90 to the second: the closest wins, not
        // the first that reaches the fuzziness.
        row("closest key wins", single({ "abcdefghij", "abcdefgxyz", "abcdefgxyj" }), "Fuzzy", 71,
            { "1 1  false 0", "2 2  false 1", "2 3 90 true 1" });
        // Smythe is only close to Smyth, which joined Smith's group; the repeat
        // of Smyth stands where Smyth stands.
        row("keys joined are remembered", single({ "Smith", "Smyth", "Smythe", "Smyth", "Smith" }),
            "Fuzzy", 80,
            { "1 1  false 4", "1 2 80 true 4", "1 3 83 true 4", "1 4 80 true 4",
                "1 5 100 true 4" });
    }

    void duplicateInformation()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, matchType);
        QFETCH(int, fuzziness);
        QFETCH(QStringList, information);
        TransformRun run(dedupeType(), makeDataset({ "k1", "k2" }, rows));
        run.columns(rows.first().at(1).isEmpty() ? QVector<int> { 0 } : QVector<int> { 1, 0 })
            .set(QStringLiteral("Match_Type"), matchType)
            .set(QStringLiteral("Fuzziness"), fuzziness)
            .set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Add duplicate information"));
        const Dataset& out = run.run();
        QCOMPARE(out.columnNames(),
            (QStringList { "k1", "k2", "Group", "Row", "Closeness", "Duplicate", "Duplicates" }));
        QStringList actual;
        for (int r = 0; r < out.rowCount(); ++r)
            actual << out.row(r).mid(2).join(QLatin1Char(' '));
        QCOMPARE(actual, information);
        QCOMPARE(run.summary(), QStringLiteral("Duplicate information added"));
    }

    // Random names with typos, in one and in two columns: the pruned search must
    // group exactly like the full one, at several fuzziness levels.
    void fuzzyGroupingMatchesTheFullSearch_data()
    {
        QTest::addColumn<int>("columns");
        QTest::newRow("one column") << 1;
        QTest::newRow("two columns") << 2;
    }

    void fuzzyGroupingMatchesTheFullSearch()
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
    void noColumns()
    {
        TransformRun run(dedupeType(), names({ "a", "a" }));
        run.set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Add duplicate information"));
        const Dataset& out = run.run();
        QCOMPARE(out.columnCount(), 7);
        QCOMPARE(columnValues(out, 1), (QStringList { "1", "2" }));
        QCOMPARE(columnValues(out, 2), (QStringList { "", "" }));
        QCOMPARE(run.summary(), QStringLiteral("No changes"));
        QCOMPARE(run.warnings(), QStringList { "1 option not set ('columns')" });
    }

    void exactGroupsOfManyKeys_data()
    {
        QTest::addColumn<bool>("caseSensitive");
        QTest::newRow("as stored") << true;
        QTest::newRow("case ignored") << false;
    }

    // Enough distinct keys to grow the table many times; the values of one key
    // are split across two columns in two ways ("ab" + "c" and "a" + "bc"),
    // which must stay different keys.
    void exactGroupsOfManyKeys()
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

    void drilldownOnTheFirstRowOfAGroup()
    {
        TransformRun run(dedupeType(), names({ "x", "y", "x", "z", "x" }));
        run.columns({ 0 })
            .set(QStringLiteral("Drilldown"), true)
            .set(QStringLiteral("Dedupe_Mode"), QStringLiteral("Keep only duplicates"));
        const Dataset& out = run.run();
        QCOMPARE(columnValues(out, 1), (QStringList { "3", "5" }));
        QList<int> rows = out.drilldown().values(CellPos { 0, 0 });
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, (QList<int> { 0, 2, 4 }));
        QCOMPARE(out.drilldown().size(), 3);

        run.set(QStringLiteral("Drilldown"), false);
        QVERIFY(run.run().drilldown().isEmpty());
    }

    void stopEndsInError()
    {
        // The item itself does not start once a stop is asked for, so the type is
        // run directly with a stopped context.
        TransformRun run(dedupeType(), names({ "a", "b" }));
        run.columns({ 0 });
        RunContext stopped;
        stopped.requestStop();
        run.transform()->setRunContext(&stopped);
        Dataset out;
        bool error = false;
        run.transform()->process(out, { run.source() }, error);
        QVERIFY(error);
        QCOMPARE(run.transform()->warnings().first(),
            QStringLiteral("Dedupe was stopped before it finished."));
    }
};

QTEST_MAIN(TestDedupe)
#include "tst_dedupe.moc"
