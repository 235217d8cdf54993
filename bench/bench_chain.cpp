// Documents of one Input, a chain of N Clone transforms and one Output:
// loading (reading, creating and connecting the items) and loading plus one
// full run. Time per item should stay flat as N grows from 1,000 to 10,000.
#include "document/documentreader.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "graph/outputnode.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray chainDocument(int clones, const QString& outputPath)
{
    QByteArray text = "<!DOCTYPE Varnix>\n<root><meta><version value=\"87\"/></meta>\n"
                      "<inputs><input id=\"1\" medium=\"1\" header=\"1\" "
                      "text=\"name%2Camount%0AAda%2C1%0ABob%2C2\" pos_v12=\"0%1F0\"/></inputs>\n"
                      "<transforms>\n";
    for (int i = 0; i < clones; ++i) {
        text += QStringLiteral("<transform id=\"%1\" name=\"Clone\" pos_v12=\"0%1F%2\"/>\n")
                    .arg(i + 2)
                    .arg((i + 1) * 100)
                    .toUtf8();
    }
    text += QStringLiteral("</transforms>\n<outputs><output id=\"%1\" file_type=\"0\" path=\"%2\" "
                           "pos_v12=\"0%1F%3\"/></outputs>\n<connections>\n")
                .arg(clones + 2)
                .arg(QString::fromUtf8(outputPath.toUtf8().toPercentEncoding()))
                .arg((clones + 1) * 100)
                .toUtf8();
    for (int i = 1; i <= clones + 1; ++i)
        text += QStringLiteral("<connection start_id=\"%1\" end_id=\"%2\"/>\n")
                    .arg(i)
                    .arg(i + 1)
                    .toUtf8();
    return text + "</connections></root>\n";
}

void chain(benchmark::State& state, bool run)
{
    static const bool registered = [] {
        registerInputNodeKind();
        registerOutputNodeKind();
        return true;
    }();
    Q_UNUSED(registered)
    const int clones = int(state.range(0));
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("chain.transform"));
    QFile file(document);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(chainDocument(clones, dir.filePath(QStringLiteral("out.csv")))) < 0) {
        state.SkipWithError("cannot write the document");
        return;
    }
    file.close();
    for (auto _ : state) {
        GraphModel scene;
        if (!DocumentReader::load(document, scene, nullptr, nullptr, nullptr)) {
            state.SkipWithError("load failed");
            break;
        }
        if (run) {
            // As the command line runs a document.
            scene.setKeepsResults(false);
            scene.process(GraphModel::RunAll, true);
            if (!scene.nodesWithStatus(StatusError).isEmpty())
                state.SkipWithError("an item ended in error");
        }
    }
    state.counters["items/s"] = benchmark::Counter(
        double(clones + 2) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ChainLoad(benchmark::State& state)
{
    chain(state, false);
}

void BM_ChainLoadAndRun(benchmark::State& state)
{
    chain(state, true);
}

} // namespace

BENCHMARK(BM_ChainLoad)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainLoadAndRun)->Arg(1000)->Arg(4000)->Arg(10000)->Unit(benchmark::kMillisecond);
