// Mouse, wheel, drop and tool-tip handling of the centre pane.

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "ui/graphpane.h"
#include "ui/transformdrag.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <cmath>

void GraphPane::mousePressEvent(QMouseEvent* event)
{
    m_pressOnNode = false;
    m_moveRecorded = false;
    m_pressPos = event->pos();
    Node* node = nodeAt(event->pos());
    if (event->button() == Qt::LeftButton && node && m_graph && !m_graph->isProcessing()
        && NodePainter::onConnectionEdge(*node, mapToScene(event->pos()) - node->pos())
        && node->canStartConnection()) {
        m_dragFrom = node;
        m_dragTo = mapToScene(event->pos());
        m_targets = m_graph->connectableTargets(node);
        viewport()->update();
        event->accept();
        return;
    }
    m_pressOnNode = node != nullptr && event->button() == Qt::LeftButton;
    QGraphicsView::mousePressEvent(event);
}

void GraphPane::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragFrom) {
        m_dragTo = mapToScene(event->pos());
        viewport()->update();
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        // Show where a connection can be dragged out.
        Node* node = nodeAt(event->pos());
        const bool edge = node && !(m_graph && m_graph->isProcessing())
            && NodePainter::onConnectionEdge(*node, mapToScene(event->pos()) - node->pos())
            && node->canStartConnection();
        viewport()->setCursor(edge ? Qt::CrossCursor : Qt::ArrowCursor);
    }
    if (m_pressOnNode && !m_moveRecorded && (event->buttons() & Qt::LeftButton) && m_graph
        && (event->pos() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        // Record before the items move, so that undo puts them back.
        m_moveRecorded = true;
        GraphModel::UndoScope scope(*m_graph, QStringLiteral("move item(s)"));
    }
    QGraphicsView::mouseMoveEvent(event);
}

void GraphPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragFrom) {
        finishConnectionDrag(event->pos());
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
    if (m_moveRecorded) {
        if (m_snapToGrid)
            snapSelection();
        updateSceneRect();
        if (m_autoFit)
            zoomFit();
    }
    m_pressOnNode = false;
    m_moveRecorded = false;
}

void GraphPane::finishConnectionDrag(const QPoint& viewPos)
{
    Node* from = m_dragFrom;
    m_dragFrom = nullptr;
    const QPointF at = mapToScene(viewPos);
    Node* to = nullptr;
    for (Node* target : qAsConst(m_targets)) {
        if (target->bounds().adjusted(-4, -4, 4, 4).contains(at))
            to = target;
    }
    m_targets.clear();
    viewport()->update();
    if (from && to && m_graph)
        m_graph->connectNodes(from, to);
}

void GraphPane::snapSelection()
{
    if (m_graph->isProcessing())
        return;
    const QList<Node*> moved = m_graph->nodes(true);
    for (Node* n : moved) {
        const QPointF p = n->pos();
        n->setPos(std::round(p.x() / GridSize) * GridSize, std::round(p.y() / GridSize) * GridSize);
    }
}

void GraphPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (Node* node = nodeAt(event->pos())) {
        emit nodeDoubleClicked(node);
        event->accept();
        return;
    }
    QGraphicsView::mouseDoubleClickEvent(event);
}

void GraphPane::wheelEvent(QWheelEvent* event)
{
    const int behaviour = WindowSettings::instance().mouseWheelBehaviour();
    if (behaviour == 3)
        return;
    const bool modifier = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    // Behaviour 0 scrolls and zooms with the modifier; 1 and 2 zoom and
    // scroll with the modifier.
    const bool zooming = behaviour == 0 ? modifier : !modifier;
    if (!zooming) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    const int sensitivity = qBound(1, WindowSettings::instance().mouseWheelSensitivity(), 10);
    qreal steps = event->angleDelta().y() / 120.0;
    if (behaviour == 2)
        steps = -steps;
    zoomBy(std::pow(1.0 + 0.03 * sensitivity, steps));
    event->accept();
}

void GraphPane::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    if (m_autoFit)
        zoomFit();
}

void GraphPane::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || !TransformDrag::typeKey(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QGraphicsView::dragEnterEvent(event);
}

void GraphPane::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() || !TransformDrag::typeKey(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QGraphicsView::dragMoveEvent(event);
}

void GraphPane::dropEvent(QDropEvent* event)
{
    const QString typeKey = TransformDrag::typeKey(event->mimeData());
    if (!typeKey.isEmpty()) {
        event->acceptProposedAction();
        emit transformDropped(typeKey, mapToScene(event->pos()));
        return;
    }
    if (!event->mimeData()->hasUrls()) {
        QGraphicsView::dropEvent(event);
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            paths << url.toLocalFile();
    }
    if (!paths.isEmpty())
        emit filesDropped(paths, mapToScene(event->pos()));
    event->acceptProposedAction();
}

void GraphPane::contextMenuEvent(QContextMenuEvent* event)
{
    if (Node* node = nodeAt(event->pos())) {
        if (!node->isSelected()) {
            m_graph->clearSelection();
            node->setSelected(true);
        }
    }
    emit contextMenuWanted(event->globalPos(), mapToScene(event->pos()));
}

QString GraphPane::tipFor(const Node* node) const
{
    // The results of an item being updated are the run's until it ends.
    if (isBeingUpdated(node))
        return QStringLiteral("<b>%1</b> (%2)<br>%3")
            .arg(node->displayName().toHtmlEscaped(), node->typeName(), statusName(node->status()));
    if (m_tipLevel == 2)
        return node->summary();
    QString tip = QStringLiteral("<b>%1</b> (%2)<br>%3")
                      .arg(node->displayName().toHtmlEscaped(), node->typeName(),
                          statusName(node->status()));
    if (node->isProcessed() && node->type() != NoteNodeType)
        tip += QStringLiteral(", ") + node->sizeText();
    if (node->warningCount() > 0)
        tip += QStringLiteral("<br><span style=\"color: red;\">%1</span>")
                   .arg(node->warnings().first().toHtmlEscaped());
    return tip;
}

bool GraphPane::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        Node* node = m_tipLevel > 0 && !m_dragFrom ? nodeAt(help->pos()) : nullptr;
        if (node)
            QToolTip::showText(help->globalPos(), tipFor(node), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QGraphicsView::viewportEvent(event);
}
