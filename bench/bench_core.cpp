// Data core benchmarks: building a large Dataset row by row (with and without
// value pooling, reporting heap bytes per cell) and the throughput of the
// number and date readers.
#include "core/dataset.h"
#include "core/values.h"

#include <QLocale>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Heap bytes in use, exact and unaffected by what the allocator keeps cached.
qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

const char* const kFirst[] = { "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael",
    "Linda", "David", "Elizabeth", "Anna", "Lukas" };
const char* const kLast[] = { "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller",
    "Davis", "Müller", "Schmidt", "Rossi", "Dubois" };
const char* const kCity[] = { "Berlin", "London", "Paris", "Madrid", "Rome", "Vienna", "Lisbon",
    "Dublin", "Prague", "Warsaw", "", "Oslo" };
const char* const kCountry[]
    = { "Germany", "United Kingdom", "France", "Spain", "Italy", "Austria", "Portugal", "Ireland" };
const char* const kWords[] = { "late", "delivery", "refund", "called", "twice", "happy", "customer",
    "wants", "invoice", "copy", "address", "changed" };

// Ten realistic CSV-like values, freshly allocated as a reader would.
Dataset::Row makeRow(quint32 i)
{
    quint32 x = i * 2654435761u;
    auto pick = [&x](const char* const* list, int n) {
        x = x * 1103515245u + 12345u;
        return QString::fromUtf8(list[(x >> 16) % n]);
    };
    Dataset::Row row;
    row.reserve(10);
    row.append(QString::number(i + 1));
    const QString first = pick(kFirst, 12);
    const QString last = pick(kLast, 12);
    row.append(first);
    row.append(last);
    row.append(first.toLower() + QLatin1Char('.') + last.toLower() + QString::number(i)
        + QStringLiteral("@example.com"));
    row.append(pick(kCity, 12));
    row.append(pick(kCountry, 8));
    row.append(QStringLiteral("20%1-%2-%3")
                   .arg(18 + i % 7)
                   .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                   .arg(1 + i % 28, 2, 10, QLatin1Char('0')));
    row.append(QString::number((i * 7919u) % 100000 / 100.0, 'f', 2));
    row.append(QString::number(1 + i % 20));
    row.append(i % 3 ? QString() : pick(kWords, 12) + QLatin1Char(' ') + pick(kWords, 12));
    return row;
}

void buildDataset(benchmark::State& state)
{
    const bool pooling = state.range(0) == 0;
    const int rows = int(state.range(1));
    const int chunk = 10000;
    double bytesPerCell = 0;
    for (auto _ : state) {
        const qint64 before = heapInUse();
        Dataset d;
        d.setPooling(pooling);
        d.setColumnCount(10);
        d.reserveRows(rows);
        QVector<Dataset::Row> pending;
        for (int start = 0; start < rows; start += chunk) {
            state.PauseTiming();
            pending.clear();
            for (int i = start; i < qMin(rows, start + chunk); ++i)
                pending.append(makeRow(quint32(i)));
            state.ResumeTiming();
            for (const Dataset::Row& r : pending)
                d.addRow(r, true, false, false);
        }
        state.PauseTiming();
        pending.clear();
        d.dropPools();
        bytesPerCell = double(heapInUse() - before) / (double(rows) * 10);
        state.ResumeTiming();
        benchmark::DoNotOptimize(d);
    }
    state.counters["bytes_per_cell"] = bytesPerCell;
    state.counters["rows_per_s"]
        = benchmark::Counter(double(rows) * state.iterations(), benchmark::Counter::kIsRate);
}
// optimize_for 0 (pooling) and 1 (maximum speed) over 1,000,000 rows x 10 columns.
BENCHMARK(buildDataset)
    ->ArgNames({ "optimize_for", "rows" })
    ->Args({ 0, 1000000 })
    ->Args({ 1, 1000000 })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

QStringList numberTexts()
{
    QStringList texts;
    for (int i = 0; i < 1000000; ++i) {
        switch (i % 6) {
        case 0:
            texts.append(QString::number(i));
            break;
        case 1:
            texts.append(QString::number(i / 7.0, 'f', 2));
            break;
        case 2:
            texts.append(QStringLiteral("-") + QString::number(i % 1000));
            break;
        case 3:
            texts.append(QStringLiteral("1,234.5"));
            break;
        case 4:
            texts.append(QStringLiteral("n/a"));
            break;
        default:
            texts.append(QString());
            break;
        }
    }
    return texts;
}

void toNumberThroughput(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList texts = numberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const QString& t : texts) {
            bool ok = false;
            sum += toNumber(t, false, false, &ok);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["values_per_s"] = benchmark::Counter(
        double(texts.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(toNumberThroughput)->Unit(benchmark::kMillisecond);

void toDateThroughput(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setDefaultDateFormats(standardDateFormats(QLocale()));
    QStringList texts;
    for (int i = 0; i < 1000000; ++i) {
        switch (i % 4) {
        case 0:
            texts.append(QStringLiteral("2024-%1-%2").arg(1 + i % 12).arg(1 + i % 28));
            break;
        case 1:
            texts.append(QStringLiteral("%1/%2/2023").arg(1 + i % 12).arg(1 + i % 28));
            break;
        case 2:
            texts.append(QStringLiteral("Berlin"));
            break;
        default:
            texts.append(QString::number(i));
            break;
        }
    }
    for (auto _ : state) {
        int valid = 0;
        for (const QString& t : texts)
            valid += toDateWithFormats(t).isValid() ? 1 : 0;
        benchmark::DoNotOptimize(valid);
    }
    state.counters["values_per_s"] = benchmark::Counter(
        double(texts.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(toDateThroughput)->Unit(benchmark::kMillisecond);

} // namespace
