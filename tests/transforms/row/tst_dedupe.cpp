// Dedupe: the grouping against a full search, many keys, drilldown and stop.
// Cases of data in and data out are golden cases
// (tests/data/transforms/row/Dedupe).
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
