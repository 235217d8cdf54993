// Entry point of the benchmark program. Every bench_*.cpp registers its
// benchmarks with Google Benchmark; this file creates the application object
// the engine expects (a widgets application, since graph scenes need one) and
// turns value pooling on as a default installation has it.
#include "core/dataset.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                             : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
