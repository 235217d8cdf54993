// Explore dialog computations on the 1,000,000-row people table of the peer
// comparison (bench/peers.sh writes it to /tmp/varnix-bench-data): the
// column frequencies of a column with few distinct values (city) and of one
// with a million (email), each counted and then ordered by count as the
// dialog first shows them, and the keys of people.city against cities.city.
// These are what stands between opening a dialog and its first result.
#include "core/dataset.h"
#include "core/values.h"
#include "input/delimitedreader.h"
#include "transforms/support/columnprofile.h"
#include "transforms/support/keyexploration.h"
#include "transforms/support/valuefrequencies.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

const Dataset& table(const QString& name)
{
    static QHash<QString, Dataset> loaded;
    auto it = loaded.find(name);
    if (it == loaded.end()) {
        const QString path = QStringLiteral("/tmp/varnix-bench-data/") + name;
        Dataset data;
        if (QFile::exists(path)) {
            ReadResult result = readTextFile(path, ReadOptions());
            result.dataset.dropPools();
            data = result.dataset;
        }
        it = loaded.insert(name, data);
    }
    return *it;
}

void frequencies(benchmark::State& state, const QString& columnName)
{
    const Dataset& people = table(QStringLiteral("people_1m.csv"));
    const int column = people.columnIndexByName(columnName);
    if (column < 0) {
        state.SkipWithError("people_1m.csv not found; run bench/peers.sh's make_data");
        return;
    }
    for (auto _ : state) {
        const ValueFrequencies f = countValues(people, column, FrequencyOptions());
        benchmark::DoNotOptimize(f.order(true, true));
        state.counters["distinct"] = f.distinctCount();
    }
    state.counters["rows/s"] = benchmark::Counter(
        double(people.rowCount()) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ColumnFrequenciesCity(benchmark::State& state)
{
    frequencies(state, QStringLiteral("city"));
}
BENCHMARK(BM_ColumnFrequenciesCity)->Unit(benchmark::kMillisecond);

void BM_ColumnFrequenciesEmail(benchmark::State& state)
{
    frequencies(state, QStringLiteral("email"));
}
BENCHMARK(BM_ColumnFrequenciesEmail)->Unit(benchmark::kMillisecond);

void BM_ExploreKeysCity(benchmark::State& state)
{
    const Dataset& people = table(QStringLiteral("people_1m.csv"));
    const Dataset& cities = table(QStringLiteral("cities.csv"));
    const int top = people.columnIndexByName(QStringLiteral("city"));
    const int bottom = cities.columnIndexByName(QStringLiteral("city"));
    if (top < 0 || bottom < 0) {
        state.SkipWithError("people_1m.csv or cities.csv not found");
        return;
    }
    for (auto _ : state) {
        const KeyExploration keys = exploreKeys(people, top, cities, bottom, false);
        state.counters["both"] = keys.bothKeys;
        state.counters["top only rows"] = keys.topOnlyRows;
    }
}
BENCHMARK(BM_ExploreKeysCity)->Unit(benchmark::kMillisecond);

} // namespace

// The profile of every column of the people table from every row (kinds,
// ranges, top values and shapes, traps), on two threads.
void columnProfile(benchmark::State& state)
{
    const Dataset& people = table(QStringLiteral("people_1m.csv"));
    if (!people.hasRows()) {
        state.SkipWithError("people_1m.csv not found; run bench/peers.sh's make_data");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(profileTable(people, defaultDateFormatList()));
    state.counters["cells/s"]
        = benchmark::Counter(double(people.rowCount()) * people.columnCount() * state.iterations(),
            benchmark::Counter::kIsRate);
}
BENCHMARK(columnProfile)->Unit(benchmark::kMillisecond);
