#include "ui/transformdrag.h"

#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "ui/graphcanvas.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>

namespace TransformDrag {

namespace {

const QString MimeType = QStringLiteral("application/x-varnix-transform");

// Starts the drag once the pointer has moved far enough with the button
// held; a plain click stays a click.
class DragStarter : public QObject
{
public:
    DragStarter(QToolButton* button, const QString& typeKey)
        : QObject(button), m_button(button), m_typeKey(typeKey)
    {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_button)
            return false;
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressPos = static_cast<QMouseEvent*>(event)->pos();
        } else if (event->type() == QEvent::MouseMove) {
            auto* move = static_cast<QMouseEvent*>(event);
            if (!(move->buttons() & Qt::LeftButton)
                || (move->pos() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
                return false;
            m_button->setDown(false);
            auto* drag = new QDrag(m_button);
            drag->setMimeData(mimeData(m_typeKey));
            drag->setPixmap(m_button->grab());
            drag->setHotSpot(m_pressPos);
            drag->exec(Qt::CopyAction);
            return true;
        }
        return false;
    }

private:
    QToolButton* m_button;
    QString m_typeKey;
    QPoint m_pressPos;
};

} // namespace

void enable(QToolButton* button, const QString& typeKey)
{
    new DragStarter(button, typeKey);
}

QMimeData* mimeData(const QString& typeKey)
{
    auto* data = new QMimeData;
    data->setData(MimeType, typeKey.toUtf8());
    return data;
}

QString typeKey(const QMimeData* data)
{
    return data && data->hasFormat(MimeType) ? QString::fromUtf8(data->data(MimeType)) : QString();
}

bool selectDropTarget(GraphCanvas& canvas, const QPointF& scenePos)
{
    // Connections are thin: a few units either side still count as on it.
    const QRectF around(scenePos - QPointF(6, 6), QSizeF(12, 12));
    Node* node = nullptr;
    Connection* connection = nullptr;
    for (QGraphicsItem* item : canvas.items(around)) {
        if (Connection* c = GraphCanvas::connectionOf(item)) {
            connection = connection ? connection : c;
        } else if (Node* n = GraphCanvas::nodeOf(item)) {
            if (!node && n->bounds().contains(scenePos))
                node = n;
        }
    }
    if (!node && !connection)
        return false;
    canvas.graph()->clearSelection();
    if (node)
        node->setSelected(true);
    else
        connection->setSelected(true);
    return true;
}

} // namespace TransformDrag
