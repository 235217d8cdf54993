// Sort and dedupe benchmarks: sorting 1,000,000 rows by a text column then a
// numeric column descending, exact dedupe of 1,000,000 rows on three
// columns, and fuzzy dedupe of 20,000 names at 80% with the bounded distance
// and, for comparison, with a full Levenshtein matrix for every pair. Each
// reports its seconds and the heap bytes in use after the run.
#include "core/dataset.h"
#include "transforms/support/closeness.h"
#include "transforms/support/datasetsort.h"
#include "transforms/support/duplicategroups.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLocale>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <vector>

namespace {

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

const char* const kFirst[] = { "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael",
    "Linda", "David", "Elizabeth", "Anna", "Lukas", "Sofia", "Mateo", "Chloe", "Noah", "Emma",
    "Liam", "Olivia", "Hugo", "Zoe", "Felix", "Ines", "Jonas" };
const char* const kLast[] = { "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller",
    "Davis", "Müller", "Schmidt", "Rossi", "Dubois", "Martin", "Bernard", "Moreau", "Fischer",
    "Weber", "Wagner", "Becker", "Hoffmann", "Silva", "Santos", "Novak", "Horvat" };
const char* const kCity[] = { "Berlin", "London", "Paris", "Madrid", "Rome", "Vienna", "Lisbon",
    "Dublin", "Prague", "Warsaw", "", "Oslo" };
const char* const kCountry[]
    = { "Germany", "United Kingdom", "France", "Spain", "Italy", "Austria", "Portugal", "Ireland" };

quint32 nextRandom(quint32& x)
{
    x = x * 1103515245u + 12345u;
    return x >> 16;
}

template <int N> QString pick(const char* const (&list)[N], quint32& x)
{
    return QString::fromUtf8(list[nextRandom(x) % N]);
}

// Ten CSV-like columns: id, first, last, e-mail, city, country, date,
// amount, quantity, note.
Dataset::Row makeRow(quint32 i)
{
    quint32 x = i * 2654435761u;
    Dataset::Row row;
    row.reserve(10);
    row.append(QString::number(i + 1));
    const QString first = pick(kFirst, x);
    const QString last = pick(kLast, x);
    row.append(first);
    row.append(last);
    row.append(first.toLower() + QLatin1Char('.') + last.toLower() + QString::number(i % 5000)
        + QStringLiteral("@example.com"));
    row.append(pick(kCity, x));
    row.append(pick(kCountry, x));
    row.append(QStringLiteral("20%1-%2-%3")
                   .arg(18 + i % 7)
                   .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                   .arg(1 + i % 28, 2, 10, QLatin1Char('0')));
    row.append(QString::number((i * 7919u) % 100000 / 100.0, 'f', 2));
    row.append(QString::number(1 + i % 20));
    row.append(i % 3 ? QString() : QStringLiteral("call back"));
    return row;
}

// Built once, the way a reader builds it (pooled values).
const Dataset& millionRows()
{
    static const Dataset data = [] {
        Dataset d;
        d.setColumnCount(10);
        d.setHeader({ "id", "first", "last", "email", "city", "country", "date", "amount",
            "quantity", "note" });
        d.reserveRows(1000000);
        for (quint32 i = 0; i < 1000000; ++i)
            d.addRow(makeRow(i));
        d.dropPools();
        return d;
    }();
    return data;
}

// heap_bytes counts everything in use, the shared input included;
// heap_bytes_added what the run itself left allocated (its result).
void report(benchmark::State& state, double seconds, qint64 before)
{
    const qint64 after = heapInUse();
    state.counters["seconds"] = seconds;
    state.counters["heap_bytes"] = double(after);
    state.counters["heap_bytes_added"] = double(after - before);
}

void sortMillionRows(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const Dataset& input = millionRows();
    double seconds = 0;
    for (auto _ : state) {
        const qint64 before = heapInUse();
        Dataset d = input;
        QElapsedTimer timer;
        timer.start();
        // Last name ascending, then amount descending.
        sortDataset(d, { 3, -8 });
        seconds = timer.nsecsElapsed() / 1e9;
        benchmark::DoNotOptimize(d);
        report(state, seconds, before);
    }
}
BENCHMARK(sortMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);

void exactDedupeMillionRows(benchmark::State& state)
{
    const Dataset& input = millionRows();
    double seconds = 0;
    for (auto _ : state) {
        const qint64 before = heapInUse();
        Dataset d = input;
        QElapsedTimer timer;
        timer.start();
        DuplicateGroups groups;
        findDuplicates(d, { 1, 2, 4 }, DuplicateOptions(), groups);
        QVector<int> kept;
        for (int r = 0; r < d.rowCount(); ++r) {
            if (groups.isFirst(r))
                kept.append(r);
        }
        d.selectRows(kept);
        seconds = timer.nsecsElapsed() / 1e9;
        state.counters["groups"] = groups.groupCount();
        benchmark::DoNotOptimize(d);
        report(state, seconds, before);
    }
}
BENCHMARK(exactDedupeMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);

// 20,000 names, about half with one or two typing errors.
QStringList typedNames()
{
    QStringList names;
    quint32 x = 99;
    for (int i = 0; i < 20000; ++i) {
        QString name = pick(kFirst, x) + QLatin1Char(' ') + pick(kLast, x);
        for (int e = int(nextRandom(x) % 4) - 1; e > 0; --e) {
            const int at = int(nextRandom(x) % quint32(name.size()));
            const QChar c = QChar(ushort('a' + nextRandom(x) % 26));
            switch (nextRandom(x) % 3) {
            case 0:
                name.insert(at, c);
                break;
            case 1:
                name.remove(at, 1);
                break;
            default:
                name[at] = c;
                break;
            }
        }
        names.append(name);
    }
    return names;
}

Dataset namesDataset()
{
    Dataset d;
    d.setColumnCount(1);
    for (const QString& n : typedNames())
        d.appendRow({ n });
    return d;
}

void fuzzyDedupeBounded(benchmark::State& state)
{
    const Dataset names = namesDataset();
    for (auto _ : state) {
        const qint64 before = heapInUse();
        QElapsedTimer timer;
        timer.start();
        DuplicateOptions options;
        options.fuzzy = true;
        options.fuzziness = 80;
        DuplicateGroups groups;
        findDuplicates(names, { 0 }, options, groups);
        state.counters["groups"] = groups.groupCount();
        report(state, timer.nsecsElapsed() / 1e9, before);
    }
}
BENCHMARK(fuzzyDedupeBounded)->Iterations(1)->Unit(benchmark::kMillisecond);

int fullLevenshtein(const QString& a, const QString& b)
{
    std::vector<int> prev(b.size() + 1);
    std::vector<int> cur(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        prev[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (int j = 1; j <= b.size(); ++j)
            cur[j] = std::min(
                { prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1), prev[j] + 1, cur[j - 1] + 1 });
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

// The same grouping with no budget, no length window and no letter filter:
// every new distinct key against every earlier one, full matrix each time.
void fuzzyDedupeFullMatrix(benchmark::State& state)
{
    const QStringList names = typedNames();
    for (auto _ : state) {
        const qint64 before = heapInUse();
        QElapsedTimer timer;
        timer.start();
        QHash<QString, int> seen;
        QStringList distinct;
        QVector<int> distinctGroup;
        int groups = 0;
        for (const QString& name : names) {
            if (seen.contains(name))
                continue;
            int best = -1;
            int bestIndex = -1;
            for (int i = 0; i < distinct.size(); ++i) {
                const int length = std::max(name.size(), distinct[i].size());
                const int d = fullLevenshtein(name, distinct[i]);
                const int c = length == 0 ? 100 : 100 - (100 * d + length - 1) / length;
                if (c > best) {
                    best = c;
                    bestIndex = i;
                }
            }
            const int group = best >= 80 ? distinctGroup[bestIndex] : groups++;
            seen.insert(name, distinct.size());
            distinct.append(name);
            distinctGroup.append(group);
        }
        state.counters["groups"] = groups;
        report(state, timer.nsecsElapsed() / 1e9, before);
    }
}
BENCHMARK(fuzzyDedupeFullMatrix)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
