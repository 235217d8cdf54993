#include "graph/node.h"

#include "core/runcontext.h"
#include "core/values.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"

#include <QLocale>

#include <algorithm>

namespace {

const QRectF ItemRect(0.0, 0.0, 140.0, 56.0);

} // namespace

QString statusName(int status)
{
    switch (status) {
    case StatusNeedsUpdating:
        return QStringLiteral("Needs updating");
    case StatusUpdating:
        return QStringLiteral("Updating");
    case StatusUpToDate:
        return QStringLiteral("Up to date");
    case StatusError:
        return QStringLiteral("Error");
    default:
        return QString();
    }
}

Node::Node(QObject* parent) : TableSource(parent)
{
}

Node::~Node()
{
    // A connection cannot outlive either end.
    const QList<Connection*> all = m_connections;
    for (Connection* c : all)
        delete c;
    if (m_graph)
        m_graph->forgetNode(this);
}

QRectF Node::itemRect()
{
    return ItemRect;
}

void Node::setPos(const QPointF& point)
{
    if (point == m_pos)
        return;
    m_pos = point;
    emit nodePosChanged({ this });
}

void Node::setSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    emit selectedChanged(this);
}

void Node::setId(qint32 id)
{
    m_id = id;
}

QPointF Node::centre() const
{
    return bounds().center();
}

void Node::setCentre(const QPointF& point)
{
    setPos(point - ItemRect.center());
}

QString Node::resultText() const
{
    if (!takesPartInRuns())
        return QString();
    if (!m_dataset.hasColumns() && status() != StatusError)
        return QStringLiteral("No data");
    return QString();
}

QString Node::logLine(bool detailed) const
{
    QStringList parts;
    parts << QStringLiteral("'%1'").arg(displayName()) << QStringLiteral("Id=%1").arg(id());
    if (detailed) {
        parts << sizeText() << formatDuration(processingTime())
              << QStringLiteral("%1 warning(s)").arg(warningCount());
    }
    const QString result = resultText();
    if (!result.isEmpty())
        parts << QStringLiteral("[%1]").arg(result);
    parts << statusName(status());
    return QStringLiteral("  %1: %2").arg(typeName(), parts.join(QStringLiteral(", ")));
}

QList<Connection*> Node::connections(int direction) const
{
    if (direction == AllConnections)
        return m_connections;
    QList<Connection*> list;
    for (Connection* c : m_connections) {
        if ((direction == Outgoing && c->startNode() == this)
            || (direction == Incoming && c->endNode() == this))
            list.append(c);
    }
    return list;
}

void Node::addConnection(Connection* connection)
{
    m_connections.append(connection);
}

void Node::removeConnection(Connection* connection)
{
    m_connections.removeAll(connection);
}

void Node::setStatus(int status, bool propagate)
{
    const bool changed = status != m_status;
    if (changed) {
        m_status = status;
        update();
    }
    if (propagate) {
        const QList<Node*> downstream = downstreamNodes(true);
        for (Node* n : downstream)
            n->setStatus(status, true);
    }
}

int Node::status() const
{
    return m_sampleOnly ? int(StatusUpToDate) : m_status;
}

void Node::takeRowFlow()
{
    // Taken as processing ends: a run without windows lets upstream rows go
    // as soon as every reader has them, and the counts must outlive them.
    m_rowFlow = RowFlow();
    m_rowFlow.out = int(rowCount() + rowsLeftOut());
    const QList<Node*> upstream = upstreamNodes(true);
    for (const Node* u : upstream)
        m_rowFlow.in.append({ u->displayName(), u->m_rowFlow.out });
}

QString Node::rowFlowText() const
{
    if (m_rowFlow.out < 0)
        return QString();
    QStringList parts;
    for (const auto& in : m_rowFlow.in)
        parts << QStringLiteral("%1 in from '%2'").arg(qMax(in.second, 0)).arg(in.first);
    parts << QStringLiteral("%1 out").arg(m_rowFlow.out);
    const int dropped = droppedRows();
    if (dropped > 0)
        parts << QStringLiteral("%1 dropped (%2)").arg(dropped).arg(droppedRowsReason());
    return parts.join(QStringLiteral(", "));
}

int Node::droppedRows() const
{
    if (m_rowFlow.in.isEmpty() || m_rowFlow.out < 0 || droppedRowsReason().isEmpty())
        return 0;
    return qMax(0, m_rowFlow.in.first().second - m_rowFlow.out);
}

QString Node::sizeText() const
{
    return QStringLiteral("%1 x %2").arg(
        countText(columnCount(), QStringLiteral("col"), QStringLiteral("cols")),
        countText(rowCount(), QStringLiteral("row"), QStringLiteral("rows")));
}

bool Node::isProcessed() const
{
    return status() == StatusUpToDate || status() == StatusError;
}

bool Node::allUpstreamUpToDate() const
{
    const QList<Node*> upstream = upstreamNodes(false);
    return std::all_of(upstream.begin(), upstream.end(),
        [](const Node* n) { return n->status() == StatusUpToDate; });
}

bool Node::canvasLessThan(const Node* a, const Node* b)
{
    const qreal dy = a->pos().y() - b->pos().y();
    if (qAbs(dy) < 1.0)
        return a->pos().x() < b->pos().x();
    return dy < 0.0;
}

void Node::sortInCanvasOrder(QList<Node*>& nodes)
{
    std::stable_sort(nodes.begin(), nodes.end(), &Node::canvasLessThan);
}

QList<Node*> Node::upstreamNodes(bool sorted) const
{
    QList<Node*> nodes;
    for (Connection* c : m_connections) {
        if (c->endNode() == this)
            nodes.append(c->startNode());
    }
    if (sorted)
        sortInCanvasOrder(nodes);
    return nodes;
}

QList<Node*> Node::downstreamNodes(bool sorted) const
{
    QList<Node*> nodes;
    for (Connection* c : m_connections) {
        if (c->startNode() == this)
            nodes.append(c->endNode());
    }
    if (sorted)
        sortInCanvasOrder(nodes);
    return nodes;
}

QSet<Node*> Node::ancestors() const
{
    QSet<Node*> found;
    QList<Node*> pending = upstreamNodes(false);
    while (!pending.isEmpty()) {
        Node* n = pending.takeLast();
        if (found.contains(n))
            continue;
        found.insert(n);
        pending += n->upstreamNodes(false);
    }
    return found;
}

QString Node::sourceFile() const
{
    // A chain may fork; the first upstream item is followed, as it is the
    // one a Transform copies its rows from.
    QSet<const Node*> visited;
    const Node* item = this;
    while (item && !visited.contains(item)) {
        visited.insert(item);
        const QString file = item->ownFile();
        if (!file.isEmpty())
            return file;
        item = item->upstreamNodes(true).value(0);
    }
    return QString();
}

bool Node::isConnectedFrom(const Node* node) const
{
    for (Connection* c : m_connections) {
        if (c->endNode() == this && c->startNode() == node)
            return true;
    }
    return false;
}

void Node::setProgress(qreal fraction)
{
    m_progress = fraction;
}

bool Node::canStartConnection() const
{
    if (connections(Outgoing).size() >= maxDownstream())
        return false;
    return m_graph && !m_graph->connectableTargets(const_cast<Node*>(this)).isEmpty();
}

RunContext& Node::runContext() const
{
    if (m_graph)
        return m_graph->runContext();
    if (!m_ownContext)
        m_ownContext = std::make_unique<RunContext>();
    return *m_ownContext;
}

void Node::onProcessed(qreal fractionProcessed)
{
    runContext().checkMemory();
    const QDateTime now = QDateTime::currentDateTime();
    // Reports come every 1000 rows; drawing each would slow the work down.
    if (fractionProcessed < 1.0 && m_lastProgressReport.isValid()
        && m_lastProgressReport.msecsTo(now) < 250)
        return;
    if (fractionProcessed == 0.0 || fractionProcessed >= 1.0
        || qAbs(fractionProcessed - m_reportedProgress) >= 0.02) {
        m_reportedProgress = fractionProcessed;
        showProgress(fractionProcessed);
    }
    m_lastProgressReport = now;
}

void Node::showProgress(qreal fraction)
{
    auto show = [this, fraction] {
        m_progress = fraction;
        update();
        emit processed(this, fraction);
    };
    // A worker does not wait for the window to draw its progress.
    if (m_graph)
        m_graph->postToModelThread(show);
    else
        show();
}

void Node::beginProcessing()
{
    // On the graph's thread, with the status: until the status says
    // "Updating" the window may read the item's size.
    onGraphThread([this] {
        m_streamedRows = -1;
        m_progress = 0.0;
        m_started = QDateTime::currentDateTime();
        setStatus(StatusUpdating, false);
        emit processingStart(this);
    });
    m_reportedProgress = 0.0;
}

void Node::endProcessing(int status)
{
    takeRowFlow();
    onGraphThread([this, status] {
        // The whole result replaces the look at its first rows.
        m_firstRows = Dataset();
        setStatus(status, false);
        emit processingEnd(this);
        const QList<Node*> downstream = downstreamNodes(false);
        for (Node* n : downstream)
            n->upstreamProcessed();
        update();
    });
}

void Node::showFirstRows(Dataset&& rows)
{
    rows.assignColumnIds(id());
    auto shown = std::make_shared<Dataset>(std::move(rows));
    auto show = [this, shown] {
        m_firstRows = *shown;
        emit firstRowsRead(this);
    };
    if (m_graph)
        m_graph->postToModelThread(show);
    else
        show();
}

void Node::onGraphThread(const std::function<void()>& work)
{
    if (m_graph)
        m_graph->onModelThread(work);
    else
        work();
}

QList<QPair<QString, QString>> Node::summaryRows() const
{
    QList<QPair<QString, QString>> rows;
    rows << qMakePair(QStringLiteral("Name"), displayName())
         << qMakePair(QStringLiteral("Status"), statusName(status()))
         << qMakePair(QStringLiteral("Size"), sizeText())
         << qMakePair(QStringLiteral("Type"), typeName())
         << qMakePair(QStringLiteral("Dataset columns"), formatInteger(columnCount()))
         << qMakePair(QStringLiteral("Dataset rows"), formatInteger(rowCount()))
         << qMakePair(
                QStringLiteral("Dataset values"), formatInteger(qint64(columnCount()) * rowCount()))
         << qMakePair(QStringLiteral("Comment"), comment());
    const QStringList warningLines = warnings();
    QStringList red;
    for (const QString& w : warningLines)
        red << QStringLiteral("<span style=\"color: red;\">%1</span>").arg(w.toHtmlEscaped());
    rows << qMakePair(QStringLiteral("Warnings"), red.join(QStringLiteral("<br>")));
    QStringList info;
    for (const QString& i : information())
        info << i.toHtmlEscaped();
    rows << qMakePair(QStringLiteral("Info"), info.join(QStringLiteral("<br>")))
         << qMakePair(QStringLiteral("Last processed"), formatTimestamp(lastProcessed()))
         << qMakePair(QStringLiteral("Processing time"), formatDuration(processingTime()));
    return rows;
}

QString Node::summary() const
{
    QString html = QStringLiteral("<table>");
    for (const QPair<QString, QString>& row : summaryRows()) {
        QString value = row.second;
        value.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(row.first, value);
    }
    html += QStringLiteral("</table>");
    return html;
}

QList<TableSource*> tablesOf(const QList<Node*>& nodes)
{
    QList<TableSource*> tables;
    tables.reserve(nodes.size());
    for (Node* n : nodes)
        tables.append(n);
    return tables;
}
