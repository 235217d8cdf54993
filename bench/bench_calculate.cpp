// Calculate benchmark: "+ Add" of two numeric columns over 1,000,000 rows,
// run through the transform as a Transform item runs it, reporting seconds
// per million calculated cells.
#include "core/dataset.h"
#include "core/runcontext.h"
#include "core/values.h"
#include "graph/ionode.h"
#include "transforms/column/transformcalculate.h"

#include <QLocale>

#include <benchmark/benchmark.h>

namespace {

// An upstream item that serves a fixed dataset.
class FixedSource : public IONode
{
public:
    explicit FixedSource(const Dataset& data) { m_dataset = data; }
    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override { return QStringLiteral("Source"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void upstreamProcessed() override { }
    void process(bool, bool) override { }
};

Dataset numberColumns(int rows)
{
    Dataset d;
    d.setColumnCount(2);
    d.setHeader({ QStringLiteral("Price"), QStringLiteral("Qty") });
    d.reserveRows(rows);
    for (int i = 0; i < rows; ++i) {
        const quint32 x = quint32(i) * 2654435761u;
        d.appendRow({ QString::number((x % 100000) / 100.0, 'f', 2), QString::number(1 + x % 50) });
    }
    d.assignColumnIds(1);
    d.dropPools();
    return d;
}

void calculateAdd(benchmark::State& state)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setDefaultDateFormats(standardDateFormats(QLocale()));
    const int rows = int(state.range(0));
    FixedSource source(numberColumns(rows));
    TransformCalculate calculate;
    calculate.defineParameters({ &source }, false);
    calculate.bindUpstream({ &source }, false);
    for (const char* key : { "Column1", "Column2" }) {
        TransformParameter* p = calculate.parameter(QString::fromLatin1(key));
        p->setValue(QVariant::fromValue(p->referenceAt(key[6] == '1' ? 0 : 1)));
    }
    QString check;
    for (auto _ : state) {
        Dataset output;
        bool error = false;
        calculate.clearMessages();
        calculate.process(output, { &source }, error);
        state.PauseTiming();
        check = output.value(rows - 1, 2);
        output.clear();
        state.ResumeTiming();
    }
    if (!calculate.resultSummary().endsWith(QStringLiteral(", 0 failed")) || check.isEmpty())
        state.SkipWithError("the calculation failed");
    state.counters["s_per_Mcell"] = benchmark::Counter(double(rows) * state.iterations() / 1e6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(calculateAdd)->ArgName("rows")->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
