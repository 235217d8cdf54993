// DateTime Format over 1,000,000 dates: numeric patterns (dd/MM/yyyy to
// yyyy-MM-dd) and a month-name output, through the transform's process() as
// a processing run does, reporting values per second.
#include "core/dataset.h"
#include "tests/graph/testnodes.h"
#include "transforms/format/transformdateformat.h"

#include <QDate>
#include <QLocale>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 1000000;

SourceNode& dates()
{
    static SourceNode* node = [] {
        Dataset d;
        d.setColumnCount(1);
        d.setHeader({ QStringLiteral("Date") });
        d.reserveRows(kRows);
        const QDate start(2015, 1, 1);
        for (int i = 0; i < kRows; ++i)
            d.appendRow({ start.addDays(i % 3653).toString(QStringLiteral("dd/MM/yyyy")) });
        d.dropPools();
        auto* n = new SourceNode(d);
        n->process(false, false);
        return n;
    }();
    return *node;
}

void dateFormat(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SourceNode& src = dates();
    const QList<TableSource*> upstream { &src };
    TransformDateFormat transform;
    transform.defineParameters(upstream, false);
    transform.bindUpstream(upstream, false);
    TransformParameter* columns = transform.parameter(QStringLiteral("Columns"));
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
    transform.parameter(QStringLiteral("Input"))->setValue(QStringLiteral("dd/MM/yyyy"));
    transform.parameter(QStringLiteral("Output"))
        ->setValue(
            state.range(0) == 0 ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("d MMMM yyyy"));
    for (auto _ : state) {
        Dataset output;
        bool error = false;
        transform.process(output, upstream, error);
        benchmark::DoNotOptimize(output);
        state.PauseTiming();
        output.clear();
        state.ResumeTiming();
    }
    state.SetLabel(transform.resultSummary().toStdString());
    state.counters["values_per_second"]
        = benchmark::Counter(double(kRows) * state.iterations(), benchmark::Counter::kIsRate);
}
// 0: numeric to numeric; 1: numeric to a month name.
BENCHMARK(dateFormat)->ArgName("output")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
