#pragma once

// What the tests of runs without windows share: files of rows to stream, a
// run of a chain of items in blocks or whole and what a user sees of it,
// and where rows are put aside on disk.

#include "core/runcontext.h"
#include "document/documentcodec.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// A run's outcome as a user sees it.
struct Outcome
{
    QByteArray written;
    QStringList items;
    // The items' information lines, which a run in blocks may add to.
    QStringList information;
    int streamed = 0;
    qint64 blocks = 0;
    int spilled = 0;
};

// Where a run puts rows aside, and how much the disk holds (negative: no
// bound). A sort given a memory limit of almost nothing spills every block.
struct Spill
{
    QString folder;
    qint64 capacity = -1;
    // The memory limit, in GB.
    double memory = 1e-9;
};

// A memory limit of almost nothing, which the process is never measured
// against, makes a sort put every block it can aside.
inline void spillEveryBlock(RunContext& context, const Spill& spill)
{
    context.settings().setMaxMemoryUsage(spill.memory);
    context.setMeasurement([] { return 0.0; });
    context.setTempFolder(spill.folder);
    context.setSpillCapacity(spill.capacity);
}

// Rows for sorting: numbers with texts and empty values late in the file
// (the column still reads as numbers from its first rows), names that tie
// but for case, dates, and a column that fills only one row in five, so
// that its kind is known only after 250 rows. Two last columns hold one of
// 97 texts cut in two at different places ("v1", "2w"; "v12", "w"): keys of
// several values that run together the same.
inline QByteArray sortCsv(int rows)
{
    QByteArray text = "id,name,amount,when,sparse,left,right\n";
    // Grown in place: a reallocation copies the whole text under the
    // thread checker.
    text.reserve(rows * 56);
    const char* names[] = { "berlin", "Berlin", "\xc3\xa9vora", "Zagreb", "aachen", "Évora" };
    for (int i = 1; i <= rows; ++i) {
        QByteArray amount
            = QByteArray::number((i * 7919) % 211 - 50) + "." + QByteArray::number(i % 3);
        if (i > 150 && i % 17 == 0)
            amount = i % 2 ? "n/a" : "N/A";
        else if (i > 150 && i % 13 == 0)
            amount = "";
        const QByteArray when = QByteArray::number(1 + (i * 31) % 28) + "/"
            + QByteArray::number(1 + (i * 7) % 12) + "/" + QByteArray::number(1990 + (i * 13) % 30);
        // Dates but for one text at its 40th value: not a date column, as
        // only its first 50 values show.
        QByteArray sparse;
        if (i % 5 == 0)
            sparse = i == 200
                ? QByteArray("unknown")
                : QByteArray::number(1 + i % 28) + "/" + QByteArray::number(1 + (i / 5) % 12)
                    + "/20" + QByteArray::number(10 + i % 15);
        const QByteArray whole = "v" + QByteArray::number(i % 97) + "w";
        const int cut = 1 + (i / 97) % (whole.size() - 1);
        text += QByteArray::number(i) + "," + names[(i * 5) % 6] + "," + amount + "," + when + ","
            + sparse + "," + whole.left(cut) + "," + whole.mid(cut) + "\n";
    }
    return text;
}

// 60 rows of the kinds of values the chains change; a row is about 40
// characters, so chunks of 64 characters cut nearly every row apart.
inline QByteArray peopleCsv(int rows = 60)
{
    QByteArray text = "id,name,amount,country\n";
    const char* countries[] = { "Germany", "France", " spain ", "Italy" };
    for (int i = 1; i <= rows; ++i) {
        text += QByteArray::number(i) + ",name  " + QByteArray::number((i * 7919) % 1009) + ","
            + QByteArray::number((i * 37) % 1000) + ".5," + countries[i % 4] + "\n";
    }
    return text;
}

// Sales by region, kind and year for the pivot cases: amounts with
// decimals, empty ones and "n/a", an empty region, years that are equal as
// numbers ("1", "01"), a region and years first seen late in the file, and
// a last row whose region and year no other row has, without an amount.
inline QByteArray pivotCsv(int rows = 120)
{
    QByteArray text = "id,region,kind,year,amount\n";
    const char* regions[] = { "North", "south", "", "East", "North-West" };
    const char* early[] = { "2021", "2020", "01" };
    const char* late[] = { "2021", "1", "2019", "01", "2022" };
    for (int i = 1; i <= rows; ++i) {
        const bool isLate = i > rows / 2;
        const QByteArray amount = i % 11 == 0 ? QByteArray()
            : i % 13 == 0                     ? QByteArray("n/a")
                                              : QByteArray::number(((i * 37) % 1000) / 8.0);
        text += QByteArray::number(i) + "," + regions[(i / 3) % (isLate ? 5 : 4)] + ","
            + (i % 2 ? "a" : "b") + "," + (isLate ? late[i % 5] : early[i % 3]) + "," + amount
            + "\n";
    }
    return text + QByteArray::number(rows + 1) + ",Central,a,2023,\n";
}

// A chain's runs, each in a folder of its own that the files go to.
class StreamedRunHarness
{
protected:
    QString write(const QString& name, const QByteArray& bytes);
    // Input -> the transforms, each "Type: Key = stored text | ..." -> Output.
    // A "Join", "Lookup", "Subtract" or "Stack" item takes the file bottom
    // as its bottom table.
    Outcome run(const QString& in, const QStringList& chain, int hasHeader, bool inBlocks,
        int blockRows = 7, const Spill& spill = Spill(), int chunkChars = 64,
        const QString& bottom = QString());
    QString spillFolder();

    QTemporaryDir m_dir;
};

// Sets the options of "Type: Key = stored text | ..." on the transform.
inline void configure(Transform* transform, const QString& spec)
{
    const QStringList settings = spec.section(QLatin1Char(':'), 1).split(QLatin1Char('|'));
    for (const QString& setting : settings) {
        if (setting.trimmed().isEmpty())
            continue;
        const QString key = setting.section(QLatin1Char('='), 0, 0).trimmed();
        TransformParameter* p = transform->parameter(key);
        if (!p)
            qFatal("no option %s of %s", qPrintable(key), qPrintable(transform->typeKey()));
        const QString text
            = DocumentCodec::decodeText(setting.section(QLatin1Char('='), 1).trimmed());
        if (p->type() == ParameterType::Selection && !p->choiceList().contains(text))
            qFatal("'%s' is no choice of %s", qPrintable(text), qPrintable(key));
        p->deserialise(text);
    }
}

inline QString StreamedRunHarness::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline Outcome StreamedRunHarness::run(const QString& in, const QStringList& chain, int hasHeader,
    bool inBlocks, int blockRows, const Spill& spill, int chunkChars, const QString& bottom)
{
    GraphModel scene;
    scene.setKeepsResults(false);
    scene.runContext().setBlocks({ inBlocks, blockRows, chunkChars });
    if (!spill.folder.isEmpty())
        spillEveryBlock(scene.runContext(), spill);
    auto* input = new InputNode(in);
    InputOptions options = input->options();
    options.hasHeader = hasHeader;
    input->setOptions(options);
    scene.insertNode(input);
    QList<Node*> items { input };
    for (const QString& spec : chain) {
        const QString type = spec.section(QLatin1Char(':'), 0, 0).trimmed();
        Transform* transform = Catalogue::instance().create(type);
        if (!transform)
            qFatal("no transform type %s", qPrintable(type));
        auto* node = new TransformNode(transform);
        scene.insertNode(node);
        node->setPos(0, 100 * items.size());
        scene.insertConnection(items.last(), node);
        if (QStringList { "Join", "Lookup", "Subtract", "Stack" }.contains(type)) {
            // Below the item before the join, so that it is the bottom.
            auto* lookup = new InputNode(bottom);
            scene.insertNode(lookup);
            lookup->setPos(300, 100 * items.size() - 50);
            scene.insertConnection(lookup, node);
            items.append(lookup);
        }
        node->upstreamChanged();
        configure(transform, spec);
        items.append(node);
    }
    // One name for both runs: the Output item is named after its file.
    const QString out = m_dir.filePath(QStringLiteral("out.csv"));
    QFile::remove(out);
    auto* output = new OutputNode(out);
    scene.insertNode(output);
    output->setPos(0, 100 * items.size());
    scene.insertConnection(items.last(), output);
    items.append(output);
    scene.process(GraphModel::RunAll, true);

    Outcome outcome;
    QFile file(out);
    if (file.open(QIODevice::ReadOnly))
        outcome.written = file.readAll();
    for (const Node* n : qAsConst(items)) {
        outcome.items << QStringLiteral("%1 [%2] %3 | %4 | %5")
                             .arg(n->displayName(), statusName(n->status()), n->resultText(),
                                 n->rowFlowText(), n->warnings().join(QLatin1Char('/')));
    }
    outcome.items << QStringLiteral("header %1").arg(input->options().hasHeader);
    for (const Node* n : qAsConst(items))
        outcome.information << n->information();
    outcome.streamed = scene.runContext().streamedInputs();
    outcome.blocks = scene.runContext().streamedBlocks();
    outcome.spilled = scene.runContext().spilledRuns();
    return outcome;
}

inline QString StreamedRunHarness::spillFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("spill"));
    QDir().mkpath(path);
    return path;
}

// Nothing is left in the spill folder, whatever the run's end.
inline QStringList leftIn(const QString& folder)
{
    QStringList left;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    return left;
}
