#pragma once

#include "ui/nodepainter.h"

#include <QGraphicsView>
#include <QPointer>
#include <QStringList>

class GraphCanvas;
class GraphModel;
class Node;

// The centre pane: a zoomable view of the graph. Paints the items through
// NodePainter, moves them with undo and optional snapping, draws the
// connection guide while the user drags a connection out of an item's edge
// (offering only the items that would accept it), and takes dropped files.
class GraphPane : public QGraphicsView
{
    Q_OBJECT

public:
    static constexpr qreal GridSize = 20.0;

    explicit GraphPane(GraphModel* scene, QWidget* parent = nullptr);

    GraphModel* graph() const { return m_graph; }
    void setGraph(GraphModel* scene);
    // The scene that pictures the graph.
    GraphCanvas* canvas() const { return m_canvas; }

    NodePaintOptions& paintOptions() { return m_options; }
    void setSnapToGrid(bool on) { m_snapToGrid = on; }
    bool snapToGrid() const { return m_snapToGrid; }
    // 0 off, 1 brief, 2 detailed.
    void setTipLevel(int level) { m_tipLevel = level; }
    void setMagnifyCursor(bool on);

    qreal zoom() const;
    void zoomBy(qreal factor);
    void zoomIn() { zoomBy(1.25); }
    void zoomOut() { zoomBy(0.8); }
    // Fits every item; with auto fit on, the view keeps fitting after each
    // change of the graph and each resize.
    void zoomFit();
    // Selects just the new items and brings them into view.
    void reveal(const QList<Node*>& added);
    void setAutoFit(bool on);
    bool autoFit() const { return m_autoFit; }
    void zoomSelected();
    void zoomTo(const QList<Node*>& nodes);
    // Grows the scene rectangle around the items so that there is room to
    // drag items outwards.
    void updateSceneRect();
    // Moves a newly placed item sideways until it covers no other item.
    void moveClear(Node* node);
    // Moves new items together so that they are centred on a point, then
    // sideways until they cover none of the other items.
    void placeGroup(const QList<Node*>& group, const QPointF& centre);
    // A place for a new item: the centre of what is visible.
    QPointF visibleCentre() const;

    // The item under a point of the viewport, if any.
    Node* nodeAt(const QPoint& viewPos) const;
    Node* connectionSource() const { return m_dragFrom; }

signals:
    void filesDropped(const QStringList& paths, const QPointF& scenePos);
    void transformDropped(const QString& typeKey, const QPointF& scenePos);
    void nodeDoubleClicked(Node* node);
    void contextMenuWanted(const QPoint& globalPos, const QPointF& scenePos);

public slots:
    void onGraphChanged();

protected:
    void drawItems(QPainter* painter, int numItems, QGraphicsItem* items[],
        const QStyleOptionGraphicsItem options[]) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void finishConnectionDrag(const QPoint& viewPos);
    void snapSelection();
    void paintGuide(QPainter* painter);
    void paintEmptyHint(QPainter* painter);
    QString tipFor(const Node* node) const;

    GraphModel* m_graph = nullptr;
    GraphCanvas* m_canvas = nullptr;
    NodePaintOptions m_options;
    bool m_snapToGrid = false;
    bool m_autoFit = false;
    int m_tipLevel = 2;
    // Moving items: the undo snapshot is taken at the first movement, while
    // the items still stand where they were.
    bool m_pressOnNode = false;
    bool m_moveRecorded = false;
    QPoint m_pressPos;
    // Dragging out a connection.
    QPointer<Node> m_dragFrom;
    QPointF m_dragTo;
    QList<Node*> m_targets;
};
