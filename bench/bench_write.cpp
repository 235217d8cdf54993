// Writing a generated table as CSV, JSON and XML files, reported in rows per
// second. The table mixes integers, decimals, dates, dotted column names for
// nesting and texts that need quoting, so every writer takes its slow paths
// now and then.
#include "core/dataset.h"
#include "output/outputfile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const Dataset& benchTable(int rows)
{
    static Dataset data;
    if (data.rowCount() == rows)
        return data;
    data.clear();
    data.setColumnCount(10);
    data.setHeader({ "id", "name", "address.city", "address.zip", "amount", "ratio", "date",
        "active", "note", "code" });
    data.reserveRows(rows);
    const QStringList cities = { "Oslo", "Zürich", "São Paulo", "Kyoto", "Lagos" };
    for (int r = 0; r < rows; ++r) {
        data.appendRow({ QString::number(r), QStringLiteral("Person %1").arg(r % 5000),
            cities.at(r % cities.size()), QString::number(10000 + r % 90000),
            QString::number(r % 100000 * 1.25, 'f', 2),
            QString::number(double(r % 997) / 997.0, 'g', 6),
            QStringLiteral("2026-%1-%2").arg(1 + r % 12).arg(1 + r % 28),
            r % 3 ? QStringLiteral("true") : QStringLiteral("false"),
            r % 10 ? QStringLiteral("plain note") : QStringLiteral("say \"hi\", <ok>"),
            QStringLiteral("C%1").arg(r % 7919, 5, 10, QLatin1Char('0')) });
    }
    return data;
}

void writeFiles(benchmark::State& state, int fileType, const char* extension)
{
    const int rows = int(state.range(0));
    const Dataset& data = benchTable(rows);
    QTemporaryDir dir;
    FileWriteOptions options;
    options.text.fileType = fileType;
    const QString path = dir.filePath(QStringLiteral("bench.") + QLatin1String(extension));
    for (auto _ : state) {
        const TextWriteResult result = writeTextFile(path, data, options);
        if (result.error)
            state.SkipWithError("write failed");
    }
    state.counters["rows/s"] = benchmark::Counter(
        double(rows) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_WriteCsv(benchmark::State& state)
{
    writeFiles(state, FileTypeDelimited, "csv");
}

void BM_WriteJson(benchmark::State& state)
{
    writeFiles(state, FileTypeJson, "json");
}

void BM_WriteXml(benchmark::State& state)
{
    writeFiles(state, FileTypeXml, "xml");
}

} // namespace

BENCHMARK(BM_WriteCsv)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteJson)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteXml)->Arg(200000)->Unit(benchmark::kMillisecond);
