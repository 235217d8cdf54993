#include "batch/runrecordbuilder.h"

#include "batch/runreport.h"
#include "core/contenthash.h"
#include "core/enginesettings.h"
#include "core/filenamevariables.h"
#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/node.h"
#include "transforms/support/columnprofile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

QString kindOf(const ColumnProfile& p)
{
    if (p.empty == p.rows)
        return QStringLiteral("empty");
    if (p.texts > 0 || (p.dates > 0 && p.integers + p.decimals > 0))
        return QStringLiteral("text");
    if (p.dates > 0)
        return QStringLiteral("date");
    return p.decimals > 0 ? QStringLiteral("number") : QStringLiteral("integer");
}

// The distinct dates of a column: all of its listed values, or those of a
// column of many values gathered from its rows.
QStringList distinctTexts(const Dataset& data, int column, const ColumnProfile& p)
{
    if (!p.values.isEmpty() || p.distinct == 0)
        return p.values;
    QSet<QString> seen;
    QStringList texts;
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString& v = data.value(r, column);
        if (!seen.contains(v)) {
            seen.insert(v);
            texts << v;
        }
    }
    return texts;
}

// The first format of the list that reads every date of the column, or the
// one its first date reads with when no single format reads them all.
QString dateFormatOf(const QStringList& values, const DateFormatList& dates)
{
    QStringList candidates;
    for (const QString& v : values) {
        if (!v.trimmed().isEmpty())
            candidates << v.trimmed();
    }
    for (const QString& text : dates.formats()) {
        const DateFormat format(text);
        const bool all = std::all_of(candidates.cbegin(), candidates.cend(),
            [&](const QString& v) { return toDate(v, format).isValid(); });
        if (all)
            return text;
    }
    QString first;
    for (const QString& v : qAsConst(candidates)) {
        if (dates.read(v, &first).isValid())
            return first;
    }
    return QString();
}

ColumnFacts columnFacts(
    const Dataset& data, int column, const ColumnProfile& p, const DateFormatList& dates)
{
    ColumnFacts c;
    c.name = data.columnName(column);
    c.kind = kindOf(p);
    c.distinct = p.distinct;
    if (c.kind == QLatin1String("date"))
        c.dateFormat = dateFormatOf(distinctTexts(data, column, p), dates);
    c.values = p.values;
    for (int r = 0; r < data.rowCount() && r < ColumnFacts::FirstValues; ++r)
        c.first << data.value(r, column);
    return c;
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

InputFacts inputFacts(const InputNode& input, const DateFormatList& dates)
{
    InputFacts facts;
    facts.label = inputLabel(input);
    const bool file = input.medium() == MediumFile;
    const QString path = input.medium() == MediumFolder
        ? input.saveOptions().value(QStringLiteral("multi_file_folder")).toString()
        : input.filePath();
    if (!path.isEmpty())
        facts.path = QFileInfo(path).absoluteFilePath();
    if (file && QFileInfo(path).isFile()) {
        const QFileInfo info(path);
        facts.size = info.size();
        facts.modified = info.lastModified();
        facts.sha256 = input.contentHash();
        if (facts.sha256.isEmpty())
            facts.sha256 = ContentHash::ofFile(path);
    }
    facts.choices = automaticChoices(input.information());
    const InputFacts table = tableFacts(input.dataset(), dates);
    facts.rows = table.rows;
    facts.columns = table.columns;
    return facts;
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

InputFacts tableFacts(const Dataset& data, const DateFormatList& dates)
{
    InputFacts facts;
    facts.rows = data.rowCount();
    const QVector<ColumnProfile> profiles = profileTable(data, dates);
    for (int c = 0; c < data.columnCount(); ++c)
        facts.columns.append(columnFacts(data, c, profiles.at(c), dates));
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

RunRecord buildRunRecord(const GraphModel& graph, const QString& documentPath,
    const QVector<InputFacts>& inputs, const QDateTime& started, const QDateTime& finished)
{
    RunRecord record;
    record.documentPath = QFileInfo(documentPath).absoluteFilePath();
    record.documentSha256 = ContentHash::ofFile(documentPath);
    record.started = started;
    record.finished = finished;
    record.inputs = inputs;
    for (const Node* n : graph.nodes()) {
        if (!n->takesPartInRuns() || !n->isProcessed())
            continue;
        const Node::RowFlow& flow = n->rowFlow();
        ItemFacts item { n->typeName(), n->displayName(), n->id(), flow.in, qMax(flow.out, 0), 0,
            n->droppedRowsReason(), n->warningCount(), n->status() == StatusError,
            n->processingTime() };
        if (!item.droppedReason.isEmpty() && !flow.in.isEmpty())
            item.dropped = qMax(0, flow.in.first().second - item.rowsOut);
        record.items.append(item);
        if (n->type() == OutputNodeType || n->type() == ChartNodeType) {
            const QStringList written = RunReport::filesWrittenBy(*n, true);
            for (const QString& path : written)
                record.files.append(writtenFile(*n, path));
        }
    }
    return record;
}
