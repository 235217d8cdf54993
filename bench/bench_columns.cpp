// Column transforms benchmark: a dataset of 1,000,000 rows x 10 columns
// flows through five transforms (Clone, New Col, Rename Cols, Offset on one
// column, Remove Cols), each a real TransformNode in a GraphModel. Besides
// the time it reports the heap in use once every item holds its result,
// next to the size of the source dataset: because a transform's output
// shares storage with its input until changed, the total should stay far
// below six full copies.
#include "core/dataset.h"
#include "graph/graphmodel.h"
#include "graph/ionode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>

namespace {

constexpr int kRows = 1000000;

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

double megabytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

// An Input-like root item serving a dataset built in memory.
class MemorySource : public IONode
{
public:
    explicit MemorySource(const Dataset& data) : m_data(data) { }

    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override { return QStringLiteral("Memory"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void upstreamProcessed() override { }

    void process(bool processDownstream, bool force) override
    {
        if (status() != StatusUpToDate) {
            setStatus(StatusUpdating, false);
            emit processingStart(this);
            m_dataset = m_data;
            m_dataset.assignColumnIds(id());
            setStatus(StatusUpToDate, false);
            emit processingEnd(this);
            for (Node* n : downstreamNodes(false))
                n->upstreamProcessed();
        }
        if (processDownstream) {
            for (Node* n : downstreamNodes(true))
                n->process(processDownstream, force);
        }
    }

private:
    Dataset m_data;
};

// Ten columns of the kinds a real file has: an id, repeated categories,
// dates, amounts and sparse free text.
Dataset makeSource()
{
    static const char* const cities[] = { "Berlin", "London", "Paris", "Madrid", "Rome", "Vienna",
        "Lisbon", "Dublin", "Prague", "Oslo" };
    static const char* const states[] = { "open", "closed", "pending", "void" };
    Dataset d;
    d.setColumnCount(10);
    d.setHeader(
        { "Id", "City", "State", "Date", "Amount", "Count", "Code", "Flag", "Ref", "Note" });
    d.reserveRows(kRows);
    Dataset::Row row;
    for (int i = 0; i < kRows; ++i) {
        const quint32 x = quint32(i) * 2654435761u;
        row.clear();
        row << QString::number(i + 1) << QString::fromLatin1(cities[x % 10])
            << QString::fromLatin1(states[(x >> 8) % 4])
            << QStringLiteral("2024-%1-%2")
                   .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                   .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
            << QString::number((x % 100000) / 100.0, 'f', 2) << QString::number(1 + i % 20)
            << QStringLiteral("C%1").arg(x % 500)
            << (i % 2 ? QStringLiteral("Y") : QStringLiteral("N"))
            << QStringLiteral("R-%1").arg(i, 8, 10, QLatin1Char('0'))
            << (i % 3 ? QString() : QStringLiteral("called twice"));
        d.appendRow(row);
    }
    return d;
}

TransformNode* addTransform(GraphModel& scene, Node* above, const char* typeKey)
{
    auto* node = new TransformNode(Catalogue::instance().create(QString::fromLatin1(typeKey)));
    scene.insertNode(node);
    node->setPos(0, above->pos().y() + 100);
    scene.insertConnection(above, node);
    node->upstreamChanged();
    return node;
}

ColumnRef referenceTo(const TransformParameter* p, int column)
{
    return p->referenceAt(column);
}

// Sets up the options; the item above must already hold its result.
void configure(TransformNode* node, const char* typeKey)
{
    Transform* t = node->transform();
    const QString key = QString::fromLatin1(typeKey);
    if (key == QLatin1String("New_Col")) {
        t->parameter(QStringLiteral("New_Name"))->setValue(QStringLiteral("Batch"));
        t->parameter(QStringLiteral("New_Value"))->setValue(QStringLiteral("2024-Q1"));
    } else if (key == QLatin1String("Rename_Cols")) {
        TransformParameter* p = t->parameter(QStringLiteral("RenameColumns"));
        p->setValue(
            QVariant::fromValue(RenameColumnList { { referenceTo(p, 1), QStringLiteral("Town") },
                { referenceTo(p, 4), QStringLiteral("Total") } }));
    } else if (key == QLatin1String("Offset")) {
        TransformParameter* p = t->parameter(QStringLiteral("Columns"));
        p->setValue(QVariant::fromValue(ColumnRefList { referenceTo(p, 4) }));
        t->parameter(QStringLiteral("Offset_Amount"))->setValue(1);
    } else if (key == QLatin1String("Remove")) {
        TransformParameter* p = t->parameter(QStringLiteral("Columns"));
        CheckedColumnList list = p->checkedColumns();
        list[6].checked = false;
        list[9].checked = false;
        p->setValue(QVariant::fromValue(list));
    }
}

void columnChain(benchmark::State& state)
{
    const qint64 before = heapInUse();
    auto scene = std::make_unique<GraphModel>();
    auto* source = new MemorySource(makeSource());
    scene->insertNode(source);
    source->process(false, false);
    const qint64 sourceBytes = heapInUse() - before;

    static const char* const chain[] = { "Clone", "New_Col", "Rename_Cols", "Offset", "Remove" };
    Node* above = source;
    for (const char* key : chain) {
        TransformNode* node = addTransform(*scene, above, key);
        configure(node, key);
        // Each item runs once so the next one can refer to its columns.
        node->process(false, false);
        above = node;
    }

    for (auto _ : state)
        scene->process(GraphModel::RunAll, true);

    const qint64 heapBytes = heapInUse() - before;
    state.counters["source_mb"] = megabytes(sourceBytes);
    state.counters["heap_mb"] = megabytes(heapBytes);
    state.counters["copies"] = double(heapBytes) / double(sourceBytes);
    state.counters["rows"] = double(above->dataset().rowCount());
    state.SetLabel(static_cast<TransformNode*>(above)->transform()->resultSummary().toStdString());
}

} // namespace

BENCHMARK(columnChain)->Unit(benchmark::kMillisecond)->Iterations(3);
