#include "batch/runreport.h"

#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/node.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

namespace {

const int ReportedKinds[] = { InputNodeType, TransformNodeType, OutputNodeType, ChartNodeType };

QList<const Node*> nodesOfType(const GraphModel& scene, int type)
{
    QList<const Node*> list;
    for (const Node* n : scene.nodes()) {
        if (n->type() == type)
            list.append(n);
    }
    return list;
}

} // namespace

QString RunReport::now()
{
    return formatTimestamp(QDateTime::currentDateTime());
}

void RunReport::item(const Node& n)
{
    const bool failed = n.status() == StatusError;
    if (!failed && n.warningCount() == 0)
        return;
    if (failed)
        ++m_errors;
    if (m_verbosity >= 2)
        failed ? m_sink.error(n.logLine(false)) : m_sink.info(n.logLine(false));
    m_warnings += n.warningCount();
    if (m_verbosity >= 4) {
        for (const QString& line : n.information())
            m_sink.info(QStringLiteral("    Info: ") + line);
    }
    if (m_verbosity >= 3) {
        for (const QString& line : n.warnings())
            m_sink.info(QStringLiteral("    Warning: ") + line);
    }
}

void RunReport::items(const GraphModel& scene)
{
    for (int type : ReportedKinds) {
        for (const Node* n : nodesOfType(scene, type))
            item(*n);
    }
}

void RunReport::rowCounts(const GraphModel& scene)
{
    if (m_verbosity < 3)
        return;
    QStringList lines;
    for (int type : ReportedKinds) {
        for (const Node* n : nodesOfType(scene, type)) {
            const QString flow = n->rowFlowText();
            if (!flow.isEmpty() && n->status() == StatusUpToDate)
                lines << QStringLiteral("  %1 '%2': %3").arg(n->typeName(), n->displayName(), flow);
        }
    }
    if (lines.isEmpty())
        return;
    m_sink.info(QStringLiteral("Rows:"));
    for (const QString& line : qAsConst(lines))
        m_sink.info(line);
}

void RunReport::counts(const GraphModel& scene)
{
    const bool detailed = m_verbosity >= 3;
    const QString forms[] = { QStringLiteral("%1 Input(s)"), QStringLiteral("%1 Transform(s)"),
        QStringLiteral("%1 Output(s)"), QStringLiteral("%1 Chart(s)") };
    QStringList counts;
    for (int i = 0; i < 4; ++i) {
        int processed = 0;
        for (const Node* n : nodesOfType(scene, ReportedKinds[i]))
            processed += n->isProcessed() ? 1 : 0;
        counts << forms[i].arg(processed);
    }
    m_sink.info(QStringLiteral("Processed: %1").arg(counts.join(QStringLiteral(", "))));
    const QMap<QString, int> outputs = writtenFiles(scene, OutputNodeType, true);
    m_sink.info(QStringLiteral("Outputs written: %1").arg(outputs.size()));
    for (auto it = outputs.constBegin(); detailed && it != outputs.constEnd(); ++it)
        m_sink.info(QStringLiteral("  %1").arg(it.key()));
    const QMap<QString, int> charts = writtenFiles(scene, ChartNodeType, true);
    m_sink.info(QStringLiteral("Charts written: %1").arg(charts.size()));
    for (auto it = charts.constBegin(); detailed && it != charts.constEnd(); ++it)
        m_sink.info(QStringLiteral("  %1").arg(it.key()));
}

void RunReport::overwritten(const QMap<QString, int>& writes)
{
    QStringList repeated;
    for (auto it = writes.constBegin(); it != writes.constEnd(); ++it) {
        if (it.value() > 1)
            repeated << QStringLiteral("  Warning: Overwrote '%1' %2 times")
                            .arg(it.key())
                            .arg(it.value());
    }
    if (repeated.isEmpty())
        return;
    m_sink.info(QStringLiteral("Overwritten multiple times: %1").arg(repeated.size()));
    if (m_verbosity >= 3) {
        for (const QString& line : qAsConst(repeated))
            m_sink.info(line);
    }
}

void RunReport::elapsed(qint64 milliseconds, const QString& label)
{
    m_sink.info(QStringLiteral("%1: %2 second(s)")
                    .arg(label, QString::number(milliseconds / 1000.0, 'f', 3)));
}

void RunReport::results(const QString& label)
{
    QStringList results { QStringLiteral("%1 error(s)").arg(m_errors) };
    if (m_verbosity >= 2)
        results << QStringLiteral("%1 warning(s)").arg(m_warnings);
    m_sink.info(QStringLiteral("%1: %2").arg(label, results.join(QStringLiteral(", "))));
}

// Items tell what they wrote in their information lines; reading those keeps
// this independent of any particular kind of Output or Chart item.
QMap<QString, int> RunReport::writtenFiles(const GraphModel& scene, int type, bool appends)
{
    QMap<QString, int> files;
    for (const Node* n : nodesOfType(scene, type)) {
        const QStringList written = filesWrittenBy(*n, appends);
        for (const QString& path : written)
            ++files[path];
    }
    return files;
}

QStringList RunReport::filesWrittenBy(const Node& node, bool appends)
{
    static const QRegularExpression written(
        QStringLiteral("^(Created|Overwrote|Appended) (?:file|sheet) '(.*)'$"));
    QStringList files;
    for (const QString& line : node.information()) {
        const QRegularExpressionMatch m = written.match(line);
        if (m.hasMatch() && (appends || m.captured(1) != QLatin1String("Appended")))
            files << m.captured(2);
    }
    return files;
}
