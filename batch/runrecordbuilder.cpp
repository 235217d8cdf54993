#include "batch/runrecordbuilder.h"

#include "batch/runreport.h"
#include "core/contenthash.h"
#include "core/enginesettings.h"
#include "core/filenamevariables.h"
#include "core/parallel.h"
#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "input/delimitedreader.h"
#include "input/inputformat.h"
#include "transforms/support/columnprofile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <vector>

namespace {

// Counts distinct values in little memory with an error of about 1 %:
// HyperLogLog (Flajolet et al.) over 2^14 registers.
class DistinctEstimate
{
public:
    void add(uint hash)
    {
        // A 32-bit text hash, spread over 64 bits (the MurmurHash3 finaliser).
        quint64 h = quint64(hash) * 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 33;
        const int at = int(h >> (64 - Bits));
        const quint64 rest = (h << Bits) | (quint64(1) << (Bits - 1));
        const auto rank = quint8(qCountLeadingZeroBits(rest) + 1);
        m_registers[at] = qMax(m_registers[at], rank);
    }
    double count() const
    {
        constexpr double m = double(1 << Bits);
        double sum = 0.0;
        int zeros = 0;
        for (const quint8 r : m_registers) {
            sum += std::ldexp(1.0, -r);
            zeros += r == 0 ? 1 : 0;
        }
        const double estimate = 0.7213 / (1.0 + 1.079 / m) * m * m / sum;
        return estimate <= 2.5 * m && zeros > 0 ? m * std::log(m / zeros) : estimate;
    }

private:
    static constexpr int Bits = 14;
    std::vector<quint8> m_registers = std::vector<quint8>(size_t(1) << Bits, 0);
};

// A column's distinct values in first-seen order with their counts while
// there are at most Cap of them, and an estimate of their number beyond.
// A repeating column stores a repeated text once, so its cells are first
// recognised by their stored text's address: a column of a few categories
// costs one look per cell, and only new texts are hashed.
struct DistinctScan
{
    static constexpr int Cap = ColumnFacts::TrackedValues;
    QStringList values;
    QVector<int> counts;
    bool complete = true;
    int estimate = 0;
};

// Fed a column's cells in order: see DistinctScan.
class DistinctScanner
{
public:
    // stored: the cell's stored text (see Dataset::storedText), or null.
    void add(const QString& v, const QString* stored)
    {
        Seen none;
        const QChar* address = stored ? stored->constData() : nullptr;
        Seen& seen = !address
            ? none
            : m_cache[(quintptr(address) * quint64(0x9E3779B97F4A7C15ULL)) >> (64 - CacheBits)];
        if (address && seen.address == address) {
            if (seen.at >= 0)
                ++m_scan.counts[seen.at];
            return;
        }
        seen = { address, -1 };
        if (!m_scan.complete) {
            m_estimate.add(qHash(v));
            return;
        }
        auto known = m_index.constFind(v);
        if (known == m_index.constEnd()) {
            if (m_scan.values.size() == DistinctScan::Cap) {
                giveUpListing(v);
                return;
            }
            known = m_index.insert(v, m_scan.values.size());
            m_scan.values << v;
            m_scan.counts << 0;
        }
        seen.at = *known;
        ++m_scan.counts[seen.at];
    }

    DistinctScan finish(int rows)
    {
        if (!m_scan.complete)
            m_scan.estimate = int(qBound(double(DistinctScan::Cap + 1),
                std::round(m_estimate.count()), double(qMax(rows, DistinctScan::Cap + 1))));
        return std::move(m_scan);
    }

private:
    static constexpr int CacheBits = 12;
    struct Seen
    {
        const QChar* address = nullptr;
        int at = -1;
    };

    // From here on only the estimate: every value seen so far goes into it,
    // and the cells after this one.
    void giveUpListing(const QString& v)
    {
        m_scan.complete = false;
        for (const QString& earlier : qAsConst(m_scan.values))
            m_estimate.add(qHash(earlier));
        m_estimate.add(qHash(v));
        m_index.clear();
        std::fill(m_cache.begin(), m_cache.end(), Seen());
    }

    std::vector<Seen> m_cache = std::vector<Seen>(size_t(1) << CacheBits);
    QHash<QString, int> m_index;
    DistinctEstimate m_estimate;
    DistinctScan m_scan;
};

// Rows spread evenly over the table, for a column of many values.
constexpr int SampleRows = 4000;

// The first format of the list that reads every date, or the one the first
// date reads with when no single format reads them all.
QString dateFormatOf(const QStringList& values, const DateFormatList& dates)
{
    for (const QString& text : dates.formats()) {
        const DateFormat format(text);
        const bool all = std::all_of(values.cbegin(), values.cend(),
            [&](const QString& v) { return toDate(v.trimmed(), format).isValid(); });
        if (all)
            return text;
    }
    QString first;
    for (const QString& v : values) {
        if (dates.read(v.trimmed(), &first).isValid())
            return first;
    }
    return QString();
}

// The kind every value fits: numbers stay numbers when some are whole; any
// text, or dates mixed with numbers, make text.
QString kindOf(const QVector<int>& counts)
{
    const auto n = [&](ValueKind k) { return counts.at(int(k)); };
    if (n(ValueKind::Text) > 0
        || (n(ValueKind::Date) > 0 && n(ValueKind::Integer) + n(ValueKind::Decimal) > 0))
        return QStringLiteral("text");
    if (n(ValueKind::Date) > 0)
        return QStringLiteral("date");
    if (n(ValueKind::Decimal) > 0)
        return QStringLiteral("number");
    return n(ValueKind::Integer) > 0 ? QStringLiteral("integer") : QStringLiteral("empty");
}

ColumnFacts columnFacts(
    const Dataset& data, int column, const DistinctScan& scan, const DateFormatList& dates)
{
    ColumnFacts c;
    c.name = data.columnName(column);
    const int rows = data.rowCount();
    for (int r = 0; r < rows && r < ColumnFacts::FirstValues; ++r)
        c.first << data.value(r, column);
    // Every distinct value when there are few, else a sample of the rows.
    QStringList looked;
    QVector<int> weights;
    if (scan.complete) {
        c.values = looked = scan.values;
        weights = scan.counts;
        c.distinct = scan.values.size();
    } else {
        const int step = qMax(1, rows / SampleRows);
        for (int r = 0; r < rows; r += step) {
            looked << data.value(r, column);
            weights << 1;
        }
        c.distinct = scan.estimate;
        c.distinctEstimated = true;
    }
    QVector<int> counts(int(ValueKind::Text) + 1, 0);
    QStringList datesSeen;
    for (int i = 0; i < looked.size(); ++i) {
        const ValueKind kind = kindOfValue(looked.at(i), dates);
        counts[int(kind)] += weights.at(i);
        if (kind == ValueKind::Date)
            datesSeen << looked.at(i);
    }
    c.kind = kindOf(counts);
    if (c.kind == QLatin1String("date"))
        c.dateFormat = dateFormatOf(datesSeen, dates);
    return c;
}

// The encoding and delimiter the read used where they were set rather than
// guessed, so that a record always says how its file was read.
void addSetChoices(const InputNode& input, QMap<QString, QString>* choices)
{
    const ReadOptions read = input.readOptions();
    const InputFormat* format = inputFormat(read.fileType);
    if (format && format->usesEncoding() && !choices->contains(QStringLiteral("Encoding")))
        choices->insert(QStringLiteral("Encoding"), read.encoding);
    if (read.fileType == FileTypeDelimited && !choices->contains(QStringLiteral("Delimiter")))
        choices->insert(QStringLiteral("Delimiter"),
            delimiterLabel(DelimitedReadOptions::from(read.formatOptions).delimiter));
}

WrittenFile writtenFile(const Node& node, const QString& written)
{
    WrittenFile f;
    f.type = node.typeName();
    f.item = node.displayName();
    f.path = written;
    f.rows = qMax(node.rowFlow().out, 0);
    QString file = written;
    if (!QFileInfo::exists(file)) {
        QString sheet;
        splitSheetFromPath(written, file, sheet);
    }
    f.bytes = QFileInfo(file).size();
    f.sha256 = ContentHash::ofFile(file);
    return f;
}

} // namespace

QString inputLabel(const InputNode& input)
{
    const QString alias = input.options().alias.trimmed();
    return alias.isEmpty() ? input.displayName() : alias;
}

std::function<InputFacts()> inputFactsTask(const InputNode& input, const DateFormatList& dates)
{
    InputFacts known;
    known.label = inputLabel(input);
    const QString path = input.sourcePath();
    if (!path.isEmpty())
        known.path = QFileInfo(path).absoluteFilePath();
    // A file the read did not hash whole is hashed by the task.
    QString hashLater;
    const QFileInfo info(path);
    if (input.medium() == MediumFile && info.isFile()) {
        known.size = info.size();
        known.modified = info.lastModified();
        known.sha256 = input.contentHash();
        if (known.sha256.isEmpty())
            hashLater = path;
    }
    known.choices = automaticChoices(input.information());
    addSetChoices(input, &known.choices);
    return [known, hashLater, dates, data = input.dataset()] {
        InputFacts facts = known;
        const InputFacts table = tableFacts(data, dates);
        facts.rows = table.rows;
        facts.columns = table.columns;
        if (!hashLater.isEmpty())
            facts.sha256 = ContentHash::ofFile(hashLater);
        return facts;
    };
}

InputFacts inputFacts(const InputNode& input, const DateFormatList& dates)
{
    return inputFactsTask(input, dates)();
}

InputFactsCollector::InputFactsCollector(GraphModel& graph)
    : m_graph(graph), m_dates(graph.runContext().settings().dateFormatList())
{
    connect(&graph, &GraphModel::nodeProcessed, this, &InputFactsCollector::onNodeProcessed);
}

InputFactsCollector::~InputFactsCollector()
{
    for (std::thread& task : m_tasks)
        task.join();
}

void InputFactsCollector::onNodeProcessed(Node* node)
{
    const auto* input = qobject_cast<const InputNode*>(node);
    if (!input || input->status() != StatusUpToDate)
        return;
    // A thread of its own per Input, whose start hands the task over in a
    // way the thread checker sees.
    m_tasks.emplace_back([this, id = input->id(), task = inputFactsTask(*input, m_dates)] {
        InputFacts facts = task();
        const std::lock_guard<std::mutex> lock(m_guard);
        m_facts.insert(id, std::move(facts));
    });
}

QVector<InputFacts> InputFactsCollector::take()
{
    for (std::thread& task : m_tasks)
        task.join();
    m_tasks.clear();
    const std::lock_guard<std::mutex> lock(m_guard);
    QVector<InputFacts> all;
    for (const Node* n : m_graph.nodes()) {
        const auto it = m_facts.constFind(n->id());
        if (it != m_facts.constEnd())
            all.append(*it);
    }
    return all;
}

// The readers tell each choice they made for an Automatic option in an
// information line of one form.
QMap<QString, QString> automaticChoices(const QStringList& information)
{
    static const QRegularExpression guess(
        QStringLiteral("^(.+)=Automatic guesses '(.*)', set '.*' option to change$"));
    QMap<QString, QString> choices;
    for (const QString& line : information) {
        const QRegularExpressionMatch m = guess.match(line);
        if (m.hasMatch())
            choices.insert(m.captured(1), m.captured(2));
    }
    return choices;
}

// The columns from first to end: one pass over the rows feeds every
// column's scanner, which walks each row's cells once.
void columnsFacts(
    const Dataset& data, int first, int end, const DateFormatList& dates, ColumnFacts* out)
{
    std::vector<DistinctScanner> scanners(size_t(qMax(0, end - first)));
    const int rows = data.rowCount();
    QString scratch;
    for (int r = 0; r < rows; ++r) {
        for (int c = first; c < end; ++c)
            scanners[size_t(c - first)].add(data.text(r, c, scratch), data.storedText(r, c));
    }
    for (int c = first; c < end; ++c)
        out[c] = columnFacts(data, c, scanners[size_t(c - first)].finish(rows), dates);
}

InputFacts tableFacts(const Dataset& data, const DateFormatList& dates)
{
    InputFacts facts;
    facts.rows = data.rowCount();
    const int columns = data.columnCount();
    facts.columns.resize(columns);
    ColumnFacts* out = facts.columns.data(); // detached here, before the threads share it
    const int half = columns / 2;
    Parallel::both(
        Parallel::worthSplitting(qint64(facts.rows) * columns),
        [&] { columnsFacts(data, 0, half, dates, out); },
        [&] { columnsFacts(data, half, columns, dates, out); });
    return facts;
}

QVector<InputFacts> inputsFacts(const GraphModel& graph)
{
    const DateFormatList dates(graph.runContext().settings().dateFormatList());
    QVector<InputFacts> all;
    for (const Node* n : graph.nodes()) {
        const auto* input = qobject_cast<const InputNode*>(n);
        if (input && n->status() == StatusUpToDate)
            all.append(inputFacts(*input, dates));
    }
    return all;
}

RunRecord buildRunRecord(const GraphModel& graph, const QVector<InputFacts>& inputs,
    const QDateTime& started, const QDateTime& finished)
{
    RunRecord record;
    record.documentPath = graph.documentPath();
    record.documentSha256 = ContentHash::ofFile(record.documentPath);
    record.started = started;
    record.finished = finished;
    record.inputs = inputs;
    for (const Node* n : graph.nodes()) {
        if (!n->takesPartInRuns() || !n->isProcessed())
            continue;
        const Node::RowFlow& flow = n->rowFlow();
        record.items.append({ n->typeName(), n->displayName(), n->id(), flow.in, qMax(flow.out, 0),
            n->droppedRows(), n->droppedRowsReason(), n->warningCount(), n->status() == StatusError,
            n->processingTime() });
        if (n->type() == OutputNodeType || n->type() == ChartNodeType) {
            const QStringList written = RunReport::filesWrittenBy(*n, true);
            for (const QString& path : written)
                record.files.append(writtenFile(*n, path));
        }
    }
    return record;
}
