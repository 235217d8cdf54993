// Text transform benchmarks: Case and a regular-expression Replace over
// 1,000,000 rows x 1 column, run through the transforms' own process() as a
// processing run does, reporting seconds per million cells.
#include "core/dataset.h"
#include "tests/graph/testnodes.h"
#include "transforms/format/transformcase.h"
#include "transforms/format/transformreplace.h"

#include <QLocale>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRows = 1000000;

const char* const kNames[] = { "anna MÜLLER", "james o'neil", "Mary Smith", "robert jones",
    "PATRICIA garcía", "john davis", "Linda Brown", "lukas rossi" };

Dataset makeInput()
{
    Dataset d;
    d.setColumnCount(1);
    d.setHeader({ QStringLiteral("Name") });
    d.reserveRows(kRows);
    for (int i = 0; i < kRows; ++i) {
        // Each value distinct, as in a column of ids or addresses.
        d.appendRow({ QString::fromUtf8(kNames[i % 8])
            + QStringLiteral(" %1-%2").arg(i % 977).arg(i / 977) });
    }
    d.dropPools();
    return d;
}

// The same one-column input for every benchmark, served by a source item.
SourceNode& source()
{
    static SourceNode* node = [] {
        auto* n = new SourceNode(makeInput());
        n->process(false, false);
        return n;
    }();
    return *node;
}

void runTransform(benchmark::State& state, Transform& transform)
{
    SourceNode& src = source();
    const QList<TableSource*> upstream { &src };
    TransformParameter* columns = transform.parameter(QStringLiteral("Columns"));
    columns->setValue(QVariant::fromValue(ColumnRefList { columns->referenceAt(0) }));
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
    state.counters["s_per_million_cells"]
        = benchmark::Counter(double(kRows) / 1e6 * state.iterations(),
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void textCase(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TransformCase transform;
    transform.defineParameters({ &source() }, false);
    transform.bindUpstream({ &source() }, false);
    transform.parameter(QStringLiteral("Case"))->setSelectionIndex(int(state.range(0)));
    runTransform(state, transform);
}
// Lower case (0) and Title case (2).
BENCHMARK(textCase)->ArgName("mode")->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

void textReplaceRegex(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TransformReplace transform;
    transform.defineParameters({ &source() }, false);
    transform.bindUpstream({ &source() }, false);
    // Swaps the two numbers at the end of every value.
    const ReplaceTermList terms { ReplaceTerm {
        2, QStringLiteral("(\\d+)-(\\d+)$"), QStringLiteral("\\2/\\1") } };
    transform.parameter(QStringLiteral("Replace"))->setValue(QVariant::fromValue(terms));
    runTransform(state, transform);
}
BENCHMARK(textReplaceRegex)->Unit(benchmark::kMillisecond);

} // namespace
