#include "graph/chartnode.h"

#include "output/chartplotter.h"

#include "core/enginesettings.h"
#include "core/paths.h"
#include "core/runcontext.h"
#include "core/values.h"
#include "graph/nodefactory.h"
#include "graph/outputnode.h"
#include "output/outputfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString roleName(bool x)
{
    return x ? QStringLiteral("X axis data") : QStringLiteral("Y axis data");
}

// The image type a file extension usually names, -1 for any other.
int imageTypeOfExtension(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("png"))
        return ImagePng;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return ImageJpeg;
    return ext == QLatin1String("pdf") ? ImagePdf : -1;
}

} // namespace

ChartNode::ChartNode(QObject* parent) : Node(parent)
{
}

QString ChartNode::displayName() const
{
    if (!name().isEmpty())
        return name();
    if (m_options.type == ChartNone)
        return QStringLiteral("Chart");
    return QStringLiteral("%1 chart").arg(chartTypeName(m_options.type));
}

QString ChartNode::resultText() const
{
    if (!m_plot.plotted)
        return QString();
    const int points = m_plot.pointCount();
    return QStringLiteral("%1 series / %2 %3")
        .arg(m_plot.seriesCount())
        .arg(points)
        .arg(points == 1 ? QStringLiteral("point") : QStringLiteral("points"));
}

QString ChartNode::statusWord() const
{
    if (m_options.writeFile && m_plot.plotted)
        return m_writeFailed ? QStringLiteral("Error writing") : QStringLiteral("Written");
    return m_plot.plotted && status() != StatusError ? QStringLiteral("Plotted")
                                                     : QStringLiteral("Error plotting");
}

void ChartNode::setOptions(const ChartOptions& options)
{
    if (options == m_options)
        return;
    m_options = options;
    setStatus(StatusNeedsUpdating, true);
    update();
}

void ChartNode::setXColumn(int position)
{
    ChartOptions o = m_options;
    o.x = ChartColumn();
    o.x.position = position;
    const QList<Node*> upstream = upstreamNodes(false);
    if (upstream.size() == 1 && upstream.first()->dataset().isValidColumn(position)) {
        o.x.id = upstream.first()->dataset().columnId(position);
        o.x.name = upstream.first()->dataset().columnName(position);
    }
    setOptions(o);
}

void ChartNode::setYColumns(const QVector<int>& positions)
{
    ChartOptions o = m_options;
    o.y.clear();
    const QList<Node*> upstream = upstreamNodes(false);
    for (int position : positions) {
        ChartColumn c;
        c.position = position;
        if (upstream.size() == 1 && upstream.first()->dataset().isValidColumn(position)) {
            c.id = upstream.first()->dataset().columnId(position);
            c.name = upstream.first()->dataset().columnName(position);
        }
        o.y << c;
    }
    setOptions(o);
}

QVariantMap ChartNode::saveOptions() const
{
    return m_options.save();
}

void ChartNode::restoreOptions(const QVariantMap& options)
{
    setOptions(ChartOptions::restore(options));
}

// Follows each column by identity, then by name; a document's bare
// position is taken as it stands the first time columns are there.
bool ChartNode::resolveColumn(ChartColumn& c, const Dataset& upstream, const QString& role)
{
    if (c.pending) {
        if (!upstream.hasColumns())
            return false;
        c.pending = false;
        if (upstream.isValidColumn(c.position)) {
            c.id = upstream.columnId(c.position);
            c.name = upstream.columnName(c.position);
            return true;
        }
        m_warnings << QStringLiteral("Cannot reconnect to column '%1' for '%2'")
                          .arg(QString::number(c.position + 1), role);
        return false;
    }
    int found = c.id.isValid() ? upstream.columnIndex(c.id) : -1;
    if (found < 0 && !c.name.isEmpty())
        found = upstream.columnIndexByName(c.name);
    if (found < 0 && !c.id.isValid() && c.name.isEmpty() && upstream.isValidColumn(c.position))
        found = c.position;
    if (found < 0) {
        m_warnings << QStringLiteral("Cannot reconnect to column '%1' for '%2'")
                          .arg(c.name.isEmpty() ? QString::number(c.position + 1) : c.name, role);
        return false;
    }
    const QString name = upstream.columnName(found);
    // A column renamed upstream is still the same column; one that moved or
    // was found by its name instead is worth a line.
    if (found != c.position)
        addInformation(QStringLiteral("Reconnected to column '%1' for '%2'").arg(name, role));
    c.position = found;
    c.id = upstream.columnId(found);
    c.name = name;
    return true;
}

// A column that cannot be found is left out of the plot but keeps its
// identity and name, so it reconnects when the upstream has it again.
void ChartNode::resolveColumns(const Dataset& upstream)
{
    if (m_options.x.isSet() && !resolveColumn(m_options.x, upstream, roleName(true))
        && !m_options.x.pending)
        m_options.x.position = -1;
    for (ChartColumn& c : m_options.y) {
        if (!resolveColumn(c, upstream, roleName(false)) && !c.pending)
            c.position = -1;
    }
}

// The columns are found again when the item plots, where the messages
// about them belong.
void ChartNode::upstreamProcessed()
{
}

void ChartNode::process(bool processDownstream, bool force)
{
    Q_UNUSED(processDownstream)
    Q_UNUSED(force)
    if (runContext().stopRequested() || status() == StatusUpToDate || !canProcess())
        return;
    for (const Node* n : upstreamNodes(false)) {
        if (n->status() == StatusNeedsUpdating || n->status() == StatusError)
            return;
    }
    // Plotting draws with the window's facilities, which belong to its
    // thread; a chart's data is small.
    onGraphThread([this] { runChart(); });
}

void ChartNode::addInformation(const QString& line)
{
    if (!m_information.contains(line))
        m_information << line;
}

void ChartNode::runChart()
{
    m_dataset.clear();
    m_warnings.clear();
    m_information.clear();
    m_writtenPath.clear();
    m_writeFailed = false;
    m_plot = ChartPlot();
    setStatus(StatusUpdating, false);
    emit processingStart(this);
    QElapsedTimer timer;
    timer.start();
    const QList<Node*> upstream = upstreamNodes(false);
    bool ok = upstream.size() == 1;
    if (!ok) {
        m_warnings << QStringLiteral("No transforms or inputs connected");
    } else {
        const Dataset& data = upstream.first()->dataset();
        m_dataset = data;
        resolveColumns(data);
        // Columns that could not be found are left out of the plot but
        // kept, so that they reconnect when the upstream has them again.
        ChartOptions resolved = m_options;
        if (!data.isValidColumn(resolved.x.position))
            resolved.x.position = -1;
        resolved.y.erase(
            std::remove_if(resolved.y.begin(), resolved.y.end(),
                [&data](const ChartColumn& c) { return !data.isValidColumn(c.position); }),
            resolved.y.end());
        m_plot = makeChartPlot(data, resolved, runContext().settings().dateFormatList());
        m_warnings << m_plot.warnings;
        for (const QString& line : qAsConst(m_plot.information))
            addInformation(line);
        if (!m_plot.plotted)
            m_warnings << m_plot.message;
        else if (m_options.writeFile)
            m_writeFailed = !writeFile();
    }
    m_processingTime = timer.elapsed();
    m_lastProcessed = QDateTime::currentDateTime();
    takeRowFlow();
    setStatus(ok && !m_writeFailed ? StatusUpToDate : StatusError, false);
    emit processingEnd(this);
    emit plotChanged();
    update();
}

QString ChartNode::resolvedPath() const
{
    const FileNameContext context = fileNameContextOf(graph());
    QString path = expandFileNameVariables(m_options.path.trimmed(), context);
    if (path.isEmpty())
        return path;
    if (QFileInfo(path).isRelative() && !context.documentPath.isEmpty())
        path = QFileInfo(context.documentPath).absoluteDir().filePath(path);
    return QFileInfo(path).absoluteFilePath();
}

bool ChartNode::writeFile()
{
    const QString path = resolvedPath();
    if (path.isEmpty()) {
        m_warnings << QStringLiteral("Unable to write to file '%1'").arg(path);
        return false;
    }
    const QString shown = displayPath(path);
    const int named = imageTypeOfExtension(path);
    if (named >= 0 && named != m_options.imageType)
        m_warnings << QStringLiteral("'%1' extension is '%2' but image type is %3")
                          .arg(shown, QFileInfo(path).suffix(),
                              chartImageTypeNames().at(m_options.imageType));
    const ChartFileWriter plot = chartFileWriter();
    if (!plot) {
        m_warnings << QStringLiteral("Charts cannot be drawn in this program: '%1' was not written")
                          .arg(shown);
        return false;
    }
    const bool existed = QFileInfo::exists(path);
    QString error;
    QStringList warnings;
    const bool ok = plot(m_plot, m_options, path, &warnings, &error);
    for (const QString& line : qAsConst(warnings)) {
        if (!m_warnings.contains(line))
            m_warnings << line;
    }
    if (!ok) {
        m_warnings << QStringLiteral("Unable to write to file '%1'").arg(shown);
        return false;
    }
    m_writtenPath = shown;
    addInformation(existed ? QStringLiteral("Overwrote file '%1'").arg(shown)
                           : QStringLiteral("Created file '%1'").arg(shown));
    return true;
}

QList<QPair<QString, QString>> ChartNode::summaryRows() const
{
    QList<QPair<QString, QString>> rows = Node::summaryRows();
    rows << qMakePair(QStringLiteral("Result"), statusWord())
         << qMakePair(
                QStringLiteral("Connections in"), QString::number(connections(Incoming).size()))
         << qMakePair(QStringLiteral("Chart data series"), QString::number(m_plot.seriesCount()))
         << qMakePair(QStringLiteral("Chart data points"), QString::number(m_plot.pointCount()));
    return rows;
}

void registerChartNodeKind()
{
    NodeFactory::registerKind(ChartNodeType, [] { return new ChartNode; });
}
