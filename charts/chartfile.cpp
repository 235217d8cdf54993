// Writing a plot to a PNG, JPEG or PDF file. The charts are laid out in a
// graphics scene of their own and the scene is painted onto an image or a
// PDF page, which needs no window and works on the offscreen platform.

#include "charts/chartbuilder.h"

#include "core/scratchfile.h"
#include "document/documentwriter.h"
#include "output/chartplotter.h"

#include <QtCharts/QChart>

#include <QBuffer>
#include <QFile>
#include <QGraphicsScene>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <memory>

using namespace QtCharts;

namespace {

QPageSize::PageSizeId pageSizeId(int option)
{
    static const QPageSize::PageSizeId ids[] = { QPageSize::A0, QPageSize::A1, QPageSize::A2,
        QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::A6, QPageSize::Ledger,
        QPageSize::Legal, QPageSize::Letter, QPageSize::Tabloid };
    return ids[std::max(0, std::min(option, 10))];
}

// Lays the facets out in their grid on a scene of the given size.
void layOut(QGraphicsScene& scene, const QVector<QChart*>& charts, int across, QSizeF size)
{
    const QSize grid = facetGrid(charts.size(), across);
    const qreal w = size.width() / grid.width();
    const qreal h = size.height() / grid.height();
    for (int i = 0; i < charts.size(); ++i) {
        QChart* chart = charts.at(i);
        scene.addItem(chart);
        chart->setGeometry(QRectF((i % grid.width()) * w, (i / grid.width()) * h, w, h));
    }
    scene.setSceneRect(QRectF(QPointF(0, 0), size));
}

void paint(QGraphicsScene& scene, QPainter& painter, const QRectF& target)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, target, scene.sceneRect());
}

bool writeImage(const QVector<QChart*>& charts, const ChartOptions& o, QIODevice* out)
{
    QGraphicsScene scene;
    const QSize size(o.imageWidth, o.imageHeight);
    layOut(scene, charts, o.facetsAcross, size);
    QImage image(size, o.imageType == ImageJpeg ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paint(scene, painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return image.save(out, o.imageType == ImageJpeg ? "JPEG" : "PNG");
}

bool writePdf(const QVector<QChart*>& charts, const ChartOptions& o, QIODevice* out)
{
    QPdfWriter writer(out);
    writer.setCreator(
        DocumentWriter::productName() + QLatin1Char(' ') + QStringLiteral(VARNIX_VERSION));
    writer.setPageSize(QPageSize(pageSizeId(o.pdfSize)));
    writer.setPageOrientation(
        o.pdfOrientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer.setResolution(std::max(1, o.pdfResolution));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const QRect target = painter.viewport();
    // The charts are laid out at screen size so their fonts keep their
    // proportions, then scaled onto the page.
    const qreal toScreen = 96.0 / writer.resolution();
    QGraphicsScene scene;
    layOut(scene, charts, o.facetsAcross, QSizeF(target.size()) * toScreen);
    paint(scene, painter, target);
    return painter.end();
}

} // namespace

bool writeChartFile(const ChartPlot& plot, const ChartOptions& options, const QString& path,
    QStringList* warnings, QString* error)
{
    *error = QStringLiteral("Unable to write to file '%1'").arg(path);
    const int width = options.imageType == ImagePdf ? 1200 : options.imageWidth;
    const QVector<QChart*> charts = buildCharts(plot, options, width, warnings);
    // The scenes take the charts and delete them; without a plot nothing
    // is drawn.
    if (charts.isEmpty())
        return false;
    // Made in memory and saved in one piece, so that a failed write (a full
    // disk) leaves the previous chart file as it was.
    QBuffer made;
    made.open(QIODevice::WriteOnly);
    const bool drawn = options.imageType == ImagePdf ? writePdf(charts, options, &made)
                                                     : writeImage(charts, options, &made);
    made.close();
    const bool ok = drawn && saveWholeFile(path, made.data());
    if (ok)
        error->clear();
    return ok;
}

void installChartPlotting()
{
    setChartFileWriter(&writeChartFile);
}
