// A small job runner for the side-by-side comparison with other tools
// (bench/peers.sh): the same reader and writer an Input and an Output item
// use, timed from outside as a whole process.
//
// usage: varnix_job read IN.csv|IN.json|IN.jsonl|IN.xlsx|IN.xls
//        varnix_job copy IN.csv OUT.csv|OUT.json|OUT.xml|OUT.xlsx|OUT.xls
//        varnix_job firstrows IN.csv
//            the time until the first rows of a read are handed over to be
//            shown (as the window's data pane gets them), the read then stopped
//        varnix_job items DOC.transform [alias=path ...]
//            runs a document as the command line does and prints each item's
//            log line (size and time) as it ends: where a job's time goes.
#include "batch/commandlinerun.h"
#include "core/allocatortuning.h"
#include "core/enginesettings.h"
#include "core/memorylimit.h"
#include "document/documentlocale.h"
#include "document/documentreader.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "input/delimitedreader.h"
#include "output/outputfile.h"
#include "output/xlswriter.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <QCoreApplication>

#include <memory>
#include <unistd.h>

namespace {

// Delimited text, or JSON for .json and .jsonl files.
ReadOptions readOptions(const QString& path)
{
    ReadOptions options; // automatic encoding, delimiter and quoting
    if (path.endsWith(QLatin1String(".json")) || path.endsWith(QLatin1String(".jsonl")))
        options.fileType = FileTypeJson;
    else if (path.endsWith(QLatin1String(".xlsx")))
        options.fileType = FileTypeExcelXlsx;
    else if (path.endsWith(QLatin1String(".xls")))
        options.fileType = FileTypeExcelXls;
    options.hasHeader = HeaderYes;
    options.trimWhitespace = true;
    options.simplifyWhitespace = true;
    return options;
}

int fail(const QStringList& warnings)
{
    QTextStream err(stderr);
    for (const QString& w : warnings)
        err << w << '\n';
    return 1;
}

int runItems(const QStringList& args)
{
    registerInputNodeKind();
    registerOutputNodeKind();
    GraphModel scene;
    DocumentInfo info;
    QString error;
    if (!DocumentReader::load(args.at(2), scene, &info, nullptr, &error))
        return fail({ error });
    DocumentLocale::apply(info.locale);
    const QString problem = CommandLineRun::applyAssignments(scene, args.mid(3));
    if (!problem.isEmpty())
        return fail({ problem });
    scene.setKeepsResults(false);
    QTextStream out(stdout);
    QObject::connect(&scene, &GraphModel::nodeProcessed,
        [&out](Node* node) { out << node->logLine(true) << Qt::endl; });
    QElapsedTimer stopwatch;
    stopwatch.start();
    scene.process(GraphModel::RunAll, true);
    out << "run: " << stopwatch.elapsed() << " ms" << Qt::endl;
    // Left to the exit, as the command line leaves its graph.
    _exit(0);
}

} // namespace

int firstRows(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    qint64 after = -1;
    int rows = 0;
    ReadOptions options = readOptions(path);
    options.firstRows = [&](Dataset&& first) {
        after = timer.elapsed();
        rows = first.rowCount();
    };
    ReadProgress progress;
    progress.callback = [&](qreal) { return after < 0; };
    readTextFile(path, options, progress);
    if (after < 0) {
        QTextStream(stderr) << "no first rows: the text was read in one piece\n";
        return 1;
    }
    QTextStream(stdout) << "first " << rows << " rows after " << after << " ms\n";
    return 0;
}

int main(int argc, char** argv)
{
    const bool items = argc >= 3 && qstrcmp(argv[1], "items") == 0;
    QCoreApplication app(argc, argv);
    EngineSettings(QCoreApplication::applicationDirPath()).apply();
    const QStringList args = app.arguments();
    if (items)
        return runItems(args);
    if (args.size() == 3 && args.at(1) == QLatin1String("firstrows"))
        return firstRows(args.at(2));
    if (args.size() < 3 || (args.at(1) == QLatin1String("copy") && args.size() < 4)) {
        QTextStream(stderr)
            << "usage: varnix_job read IN | copy IN OUT | items DOC [alias=path ...]\n";
        return 2;
    }
    // Kept to the end of the process and not freed, as the command line
    // leaves its last tables to the process exit: freeing a million rows
    // would add a tenth of a second that no run of the program spends.
    const double before = MemoryLimit::currentMemoryGB();
    const ReadResult& read = *new ReadResult(readTextFile(args.at(2), readOptions(args.at(2))));
    if (read.error)
        return fail(read.warnings);
    if (args.at(1) == QLatin1String("read")) {
        // What the table holds, as the process's memory grew by reading it
        // (the readers' own buffers are gone by then).
        const qint64 cells = qint64(read.dataset.rowCount()) * read.dataset.columnCount();
        const double bytes = (MemoryLimit::currentMemoryGB() - before) * 1024.0 * 1024.0 * 1024.0;
        QTextStream(stdout) << read.dataset.rowCount() << " rows\n"
                            << "bytes per cell "
                            << QString::number(bytes / qMax<qint64>(1, cells), 'f', 1) << "\n"
                            << "table bytes per cell "
                            << QString::number(
                                   double(read.dataset.bytesUsed()) / qMax<qint64>(1, cells), 'f',
                                   1)
                            << "\n";
        return 0;
    }
    const QString out = args.at(3);
    if (out.endsWith(QLatin1String(".xlsx")) || out.endsWith(QLatin1String(".xls"))) {
        // As an Output item writes by default: a new workbook, formats
        // worked out per column.
        WorkbookWriteOptions book;
        book.sheet = QStringLiteral("Sheet1");
        book.replaceSheetOnly = false;
        book.columnFormats = automaticExcelColumnFormats(read.dataset);
        const WorkbookWriteResult written = out.endsWith(QLatin1String(".xlsx"))
            ? writeXlsxWorkbook(out, read.dataset, book, WriteProgress())
            : writeXlsWorkbook(out, read.dataset, book, WriteProgress());
        return written.error ? fail(written.warnings) : 0;
    }
    FileWriteOptions options;
    options.writeMode = WriteModeOverwrite;
    if (out.endsWith(QLatin1String(".json")))
        options.text.fileType = FileTypeJson;
    else if (out.endsWith(QLatin1String(".xml")))
        options.text.fileType = FileTypeXml;
    options.text.lineEnding = LineEndingUnix;
    const TextWriteResult written = writeTextFile(args.at(3), read.dataset, options);
    return written.error ? fail(written.warnings) : 0;
}
