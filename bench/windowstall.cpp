// How long the window stops answering while a large document runs: the
// longest gap between two ticks of a 10 ms timer on the window's thread
// during a run of each document given (by default the sort and join jobs of
// bench/jobs on the 1,000,000-row file bench/peers.sh generates). The
// documents are shown in the centre pane, as the window shows them.

#include "bench/stallwatch.h"
#include "document/documentreader.h"
#include "graph/chartnode.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "transforms/catalogue.h"
#include "ui/graphpane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

namespace {

struct Stall
{
    qint64 longestMs = 0;
    qint64 runMs = 0;
    int ticks = 0;
};

Stall measure(const QString& path)
{
    GraphModel graph;
    // As the window runs it.
    graph.setRunsOnWorker(qEnvironmentVariableIsEmpty("VARNIX_RUN_IN_WINDOW_THREAD"));
    GraphPane pane(&graph);
    pane.resize(1200, 800);
    pane.show();
    QString error;
    if (!DocumentReader::load(path, graph, nullptr, nullptr, &error)) {
        QTextStream(stderr) << error << '\n';
        return {};
    }
    QCoreApplication::processEvents();
    Stall stall;
    StallWatch watchStalls;
    watchStalls.start();
    QElapsedTimer run;
    QTimer::singleShot(0, [&] {
        run.start();
        watchStalls.restart();
        graph.runCommand(GraphModel::RunAll);
    });
    // The window's own event loop, which sleeps between events, until the
    // run (on the window's thread or not) has ended.
    QEventLoop loop;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (run.isValid() && !graph.isProcessing())
            loop.quit();
    });
    watch.start();
    loop.exec();
    stall.runMs = run.elapsed();
    // The gap the run's end leaves before the next tick counts too.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    stall.longestMs = watchStalls.longestMs();
    stall.ticks = watchStalls.ticks();
    return stall;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Catalogue::instance();
    registerInputNodeKind();
    registerOutputNodeKind();
    registerChartNodeKind();
    QStringList documents = app.arguments().mid(1);
    if (documents.isEmpty()) {
        const QDir jobs(QStringLiteral(VARNIX_SOURCE_DIR "/bench/jobs"));
        documents << jobs.filePath(QStringLiteral("j2_sort.transform"))
                  << jobs.filePath(QStringLiteral("j4_join.transform"));
    }
    QDir().mkpath(QStringLiteral("/tmp/varnix-bench-out"));
    QTextStream out(stdout);
    for (const QString& path : qAsConst(documents)) {
        const Stall stall = measure(path);
        out << "longest window stall: " << stall.longestMs << " ms (" << QFileInfo(path).fileName()
            << ", run " << stall.runMs << " ms, " << stall.ticks << " ticks)\n";
        out.flush();
    }
    return 0;
}
