// Join benchmarks: a generated 1,000,000-row x 10-column orders table joined
// on its city column with a 2,000-row cities table, as an inner and as a left
// join, and the same key looked up for one column of the cities table. Reports the seconds of the
// join alone and the heap bytes in use after it (inputs and result together), plus what the result
// added.
#include "core/dataset.h"
#include "graph/heldnode.h"
#include "transforms/merge/transformjoin.h"
#include "transforms/merge/transformlookup.h"

#include <QVariant>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int OrderRows = 1000000;
constexpr int CityRows = 2000;
// Orders name a few cities the cities table lacks, so that a left join has
// rows of its own.
constexpr int OrderCities = 2100;
constexpr int CityColumn = 4;

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

QString cityName(quint32 i)
{
    return QStringLiteral("City %1").arg(i);
}

// Built through addRow and pooled as a reader builds its result.
Dataset makeOrders()
{
    Dataset d;
    d.setColumnCount(10);
    d.setHeader(
        { "id", "first", "last", "email", "city", "status", "date", "amount", "qty", "note" });
    d.reserveRows(OrderRows);
    const QStringList first { "James", "Mary", "Robert", "Patricia", "John", "Linda", "Anna" };
    const QStringList last { "Smith", "Jones", "Brown", "Garcia", "Miller", "Rossi", "Dubois" };
    const QStringList status { "open", "paid", "shipped", "returned" };
    for (quint32 i = 0; i < OrderRows; ++i) {
        const quint32 x = i * 2654435761u;
        const QString f = first.at(int(x % 7));
        const QString l = last.at(int((x >> 8) % 7));
        d.addRow({ QString::number(i + 1), f, l,
            f.toLower() + QLatin1Char('.') + QString::number(i) + QStringLiteral("@example.com"),
            cityName((x >> 4) % OrderCities), status.at(int(i % 4)),
            QStringLiteral("2024-%1-%2").arg(1 + i % 12).arg(1 + i % 28),
            QString::number((i * 7919u) % 100000 / 100.0, 'f', 2), QString::number(1 + i % 20),
            i % 3 ? QString() : QStringLiteral("call back") });
    }
    d.dropPools();
    return d;
}

Dataset makeCities()
{
    Dataset d;
    d.setColumnCount(3);
    d.setHeader({ "city", "country", "population" });
    for (quint32 i = 0; i < CityRows; ++i)
        d.addRow(
            { cityName(i), QStringLiteral("C%1").arg(i % 50), QString::number(10000 + i * 37) });
    d.dropPools();
    return d;
}

const Dataset& orders()
{
    static const Dataset d = makeOrders();
    return d;
}

const Dataset& cities()
{
    static const Dataset d = makeCities();
    return d;
}

void joinOnCity(benchmark::State& state)
{
    const bool left = state.range(0) == 1;
    HeldNode top(orders());
    HeldNode bottom(cities());
    const QList<TableSource*> upstream { &top, &bottom };
    TransformJoin join;
    join.defineParameters(upstream, false);
    join.bindUpstream(upstream, false);
    TransformParameter* topKey = join.parameter(QStringLiteral("Column_1"));
    TransformParameter* bottomKey = join.parameter(QStringLiteral("Column_2"));
    topKey->setValue(QVariant::fromValue(topKey->referenceAt(CityColumn)));
    bottomKey->setValue(QVariant::fromValue(bottomKey->referenceAt(0)));
    join.parameter(QStringLiteral("Include_Non_Matching_1"))->setValue(left);

    qint64 heapAfter = 0;
    qint64 resultBytes = 0;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const qint64 before = heapInUse();
        Dataset output;
        bool error = false;
        state.ResumeTiming();
        join.process(output, upstream, error);
        state.PauseTiming();
        output.dropPools();
        heapAfter = heapInUse();
        resultBytes = heapAfter - before;
        rows = output.rowCount();
        benchmark::DoNotOptimize(output);
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["heap_bytes_after"] = double(heapAfter);
    state.counters["result_bytes"] = double(resultBytes);
    state.counters["rows_per_s"]
        = benchmark::Counter(double(OrderRows) * state.iterations(), benchmark::Counter::kIsRate);
}
// 0 inner join, 1 left join.
BENCHMARK(joinOnCity)
    ->ArgName("left")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void lookupCity(benchmark::State& state)
{
    HeldNode top(orders());
    HeldNode bottom(cities());
    const QList<TableSource*> upstream { &top, &bottom };
    TransformLookup lookup;
    lookup.defineParameters(upstream, false);
    lookup.bindUpstream(upstream, false);
    const auto choose = [&lookup](const char* key, int position) {
        TransformParameter* p = lookup.parameter(QString::fromLatin1(key));
        p->setValue(QVariant::fromValue(p->referenceAt(position)));
    };
    choose("Top_Lookup_Column", CityColumn);
    choose("Bottom_Lookup_Column", 0);
    choose("Bottom_Value_Column", 1);
    qint64 heapAfter = 0;
    for (auto _ : state) {
        Dataset output;
        bool error = false;
        lookup.process(output, upstream, error);
        state.PauseTiming();
        output.dropPools();
        heapAfter = heapInUse();
        benchmark::DoNotOptimize(output);
        state.ResumeTiming();
    }
    state.counters["heap_bytes_after"] = double(heapAfter);
}
BENCHMARK(lookupCity)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
