#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

const QColor Ink(0x3a, 0x46, 0x55);

// Draws on a 32 x 32 canvas at two sizes so the icon is crisp small and large.
QIcon drawn(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void magnifier(QPainter& p)
{
    p.setPen(QPen(Ink, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(0xe8, 0xf0, 0xfa));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.drawLine(QPointF(20, 20), QPointF(29, 29));
}

QIcon arrow(bool forward)
{
    return drawn([forward](QPainter& p) {
        if (!forward) {
            p.translate(32, 0);
            p.scale(-1, 1);
        }
        QPainterPath path(QPointF(6, 24));
        path.cubicTo(QPointF(6, 10), QPointF(18, 8), QPointF(24, 14));
        p.setPen(QPen(Ink, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(Ink);
        p.drawPolygon(QPolygonF({ { 28, 7 }, { 28, 19 }, { 17, 17 } }));
    });
}

} // namespace

namespace Icons {

QIcon document()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(Ink, 2.2));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({ { 7, 3 }, { 20, 3 }, { 26, 9 }, { 26, 29 }, { 7, 29 } }));
        p.drawPolyline(QPolygonF({ { 20, 3 }, { 20, 9 }, { 26, 9 } }));
    });
}

QIcon folder()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(0x9a, 0x6a, 0x10), 2.0));
        p.setBrush(QColor(0xf5, 0xc8, 0x5c));
        p.drawPolygon(
            QPolygonF({ { 3, 8 }, { 12, 8 }, { 15, 11 }, { 29, 11 }, { 29, 27 }, { 3, 27 } }));
    });
}

QIcon save()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(Ink, 2.0));
        p.setBrush(QColor(0x4a, 0x7f, 0xc1));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(9, 18, 14, 10));
    });
}

QIcon undo()
{
    return arrow(false);
}

QIcon redo()
{
    return arrow(true);
}

QIcon autoRun()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(0x2e, 0x8b, 0x57), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 5, 22, 22), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x8b, 0x57));
        p.drawPolygon(QPolygonF({ { 13, 11 }, { 22, 16 }, { 13, 21 } }));
    });
}

QIcon run()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(0x1f, 0x70, 0x3f), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0x3a, 0xa6, 0x55));
        p.drawPolygon(QPolygonF({ { 8, 5 }, { 27, 16 }, { 8, 27 } }));
    });
}

QIcon stop()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(0x9a, 0x20, 0x20), 2.0));
        p.setBrush(QColor(0xd6, 0x33, 0x33));
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
    });
}

QIcon zoomFit()
{
    return drawn([](QPainter& p) {
        p.setPen(QPen(Ink, 2.6, Qt::SolidLine, Qt::RoundCap));
        for (const QPolygonF& corner : { QPolygonF({ { 4, 11 }, { 4, 4 }, { 11, 4 } }),
                 QPolygonF({ { 21, 4 }, { 28, 4 }, { 28, 11 } }),
                 QPolygonF({ { 28, 21 }, { 28, 28 }, { 21, 28 } }),
                 QPolygonF({ { 11, 28 }, { 4, 28 }, { 4, 21 } }) })
            p.drawPolyline(corner);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x4a, 0x7f, 0xc1));
        p.drawRoundedRect(QRectF(10, 10, 12, 12), 2, 2);
    });
}

QIcon zoomIn()
{
    return drawn([](QPainter& p) {
        magnifier(p);
        p.setPen(QPen(Ink, 2.4));
        p.drawLine(QPointF(9, 13), QPointF(17, 13));
        p.drawLine(QPointF(13, 9), QPointF(13, 17));
    });
}

QIcon zoomOut()
{
    return drawn([](QPainter& p) {
        magnifier(p);
        p.setPen(QPen(Ink, 2.4));
        p.drawLine(QPointF(9, 13), QPointF(17, 13));
    });
}

} // namespace Icons
