#include "ui/profilestrip.h"

#include "core/values.h"
#include "ui/datatablemodel.h"
#include "ui/windowsettings.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QToolTip>

namespace {

const int StripHeight = 66;
const int Margin = 3;
const int KindBarHeight = 4;
const int TextHeight = 13;

// The kinds in the order of the kind bar, with their colours.
struct KindPart
{
    int ColumnProfile::*count;
    const char* name;
    QRgb colour;
};

const KindPart KindParts[] = {
    { &ColumnProfile::empty, "empty", 0xb0b4ba },
    { &ColumnProfile::integers, "whole numbers", 0x2f6fb5 },
    { &ColumnProfile::decimals, "other numbers", 0x2a9d8f },
    { &ColumnProfile::dates, "dates", 0x8e5bb5 },
    { &ColumnProfile::texts, "text", 0xe08a2c },
};

QString percentOf(int part, int whole)
{
    if (whole <= 0)
        return QString();
    return part == 0 ? QStringLiteral("0%") : formatPercent(double(part) / whole, 0.01, 2);
}

QString rangeValue(const ColumnProfile& p, double value)
{
    return p.histogramOfDates ? QDate::fromJulianDay(qint64(value)).toString(Qt::ISODate)
                              : formatShortestNumber(value);
}

// What a bar counts, as a test of a cell's text: one value, or the numbers
// or dates of one bin (the last bin holds the greatest).
std::function<bool(const QString&)> barTest(const ColumnProfile& p, int bar)
{
    if (p.histogram.isEmpty()) {
        const QString value = p.topValues.value(bar).value;
        return [value](const QString& cell) { return cell == value; };
    }
    const double low = p.binStart(bar);
    const double high = p.binStart(bar) + p.binWidth();
    const bool last = bar == p.histogram.size() - 1;
    if (p.histogramOfDates) {
        const DateFormatList dates(WindowSettings::instance().dateFormatList());
        return [dates, low, high, last](const QString& cell) {
            const QDate date = dates.read(cell.trimmed());
            const double day = date.isValid() ? double(date.toJulianDay()) : -1e300;
            return day >= low && (day < high || (last && day <= high));
        };
    }
    return [low, high, last](const QString& cell) {
        bool ok = false;
        const double n = toNumber(cell.trimmed(), false, false, &ok);
        return ok && n >= low && (n < high || (last && n <= high));
    };
}

} // namespace

ProfileStrip::ProfileStrip(QTableView* grid, DataTableModel* model, QWidget* parent)
    : QWidget(parent), m_grid(grid), m_model(model)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto redraw = [this] { update(); };
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, redraw);
    connect(grid->horizontalHeader(), &QHeaderView::sectionMoved, this, redraw);
    connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, redraw);
    connect(model, &QAbstractItemModel::modelReset, this, redraw);
}

ProfileStrip::~ProfileStrip()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

QSize ProfileStrip::sizeHint() const
{
    return QSize(200, StripHeight);
}

void ProfileStrip::setDataset(const Dataset& data)
{
    // The pane shows the same table again after many a change elsewhere:
    // profiling it again would only take the cores from the user.
    if ((m_ready || m_pending || m_worker.joinable()) && data.sharesStorageWith(m_data)
        && data.header() == m_data.header())
        return;
    m_data = data;
    m_profiles.clear();
    m_ready = false;
    m_pending = true;
    update();
    if (isVisible() && !m_worker.joinable())
        startNext();
}

void ProfileStrip::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_pending && !m_worker.joinable())
        startNext();
}

void ProfileStrip::startNext()
{
    m_pending = false;
    if (m_data.columnCount() == 0) {
        m_ready = true;
        emit profiled();
        return;
    }
    const quint64 generation = ++m_generation;
    m_cancel = false;
    m_worker
        = std::thread([this, generation, data = m_data,
                          dates = DateFormatList(WindowSettings::instance().dateFormatList())] {
              QVector<ColumnProfile> profiles = profileTable(data, dates, &m_cancel);
              {
                  const std::lock_guard<std::mutex> lock(m_guard);
                  m_result = std::move(profiles);
                  m_resultGeneration = generation;
              }
              // By name: the call carries nothing across threads itself.
              QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
          });
}

void ProfileStrip::deliver()
{
    m_worker.join();
    QVector<ColumnProfile> result;
    quint64 generation = 0;
    {
        const std::lock_guard<std::mutex> lock(m_guard);
        result = std::move(m_result);
        generation = m_resultGeneration;
    }
    // A newer table came while this one was profiled: it goes next.
    if (m_pending || generation != m_generation) {
        if (isVisible())
            startNext();
        return;
    }
    m_profiles = std::move(result);
    m_ready = true;
    update();
    emit profiled();
}

// The strip's place of a column the grid shows: under it.
QRect ProfileStrip::shownCellRect(int shown) const
{
    const QHeaderView* header = m_grid->horizontalHeader();
    if (header->isSectionHidden(shown))
        return QRect();
    const QPoint origin = mapFromGlobal(m_grid->viewport()->mapToGlobal(QPoint(0, 0)));
    const int left = origin.x() + header->sectionViewportPosition(shown);
    return QRect(left, 0, header->sectionSize(shown), height());
}

QRect ProfileStrip::cellRect(int column) const
{
    for (int shown = 0; shown < m_model->columnCount(); ++shown) {
        if (m_model->sourceColumn(shown) == column)
            return shownCellRect(shown);
    }
    return QRect();
}

int ProfileStrip::columnAt(int x) const
{
    const QPoint origin = mapFromGlobal(m_grid->viewport()->mapToGlobal(QPoint(0, 0)));
    const int shown = m_grid->horizontalHeader()->logicalIndexAt(x - origin.x());
    return shown < 0 ? -1 : m_model->sourceColumn(shown);
}

int ProfileStrip::bars(int column) const
{
    const ColumnProfile& p = m_profiles.at(column);
    return p.histogram.isEmpty() ? p.topValues.size() : p.histogram.size();
}

int ProfileStrip::barCount(int column, int bar) const
{
    const ColumnProfile& p = m_profiles.at(column);
    return p.histogram.isEmpty() ? p.topValues.at(bar).count : p.histogram.at(bar);
}

QRect ProfileStrip::barRect(int column, int bar) const
{
    if (column < 0 || column >= m_profiles.size() || bar < 0 || bar >= bars(column))
        return QRect();
    return barIn(cellRect(column), column, bar, tallest(column));
}

int ProfileStrip::tallest(int column) const
{
    int most = 1;
    for (int b = 0; b < bars(column); ++b)
        most = qMax(most, barCount(column, b));
    return most;
}

// A bar's place in its column's cell, as tall against the cell's chart as
// its count is against the column's largest (most).
QRect ProfileStrip::barIn(const QRect& cell, int column, int bar, int most) const
{
    if (cell.isEmpty())
        return QRect();
    const QRect chart(cell.left() + Margin, Margin + KindBarHeight + 3, cell.width() - 2 * Margin,
        height() - 2 * Margin - KindBarHeight - 3 - TextHeight);
    const int count = barCount(column, bar);
    const double width = double(chart.width()) / bars(column);
    const int tall = qMax(count > 0 ? 1 : 0, int(chart.height() * double(count) / most));
    const int left = chart.left() + int(bar * width);
    // A pixel between bars wide enough to spare one, so that they read apart.
    const int right = chart.left() + int((bar + 1) * width) - (width >= 4 ? 2 : 1);
    return QRect(
        QPoint(left, chart.bottom() - tall + 1), QPoint(qMax(left, right), chart.bottom()));
}

void ProfileStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_ready) {
        painter.setPen(palette().placeholderText().color());
        painter.drawText(rect().adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
            tr("Profiling every row of the columns..."));
        return;
    }
    QFont small = font();
    small.setPointSizeF(qMax(6.0, small.pointSizeF() * 0.8));
    painter.setFont(small);
    for (int shown = 0; shown < m_model->columnCount(); ++shown) {
        const int c = m_model->sourceColumn(shown);
        const QRect cell = shownCellRect(shown);
        if (c < 0 || c >= m_profiles.size() || cell.isEmpty() || !cell.intersects(rect()))
            continue;
        const ColumnProfile& p = m_profiles.at(c);
        painter.setPen(palette().mid().color());
        painter.drawLine(cell.topRight(), cell.bottomRight());
        // The kinds, as one bar split in proportion.
        int x = cell.left() + Margin;
        const int width = cell.width() - 2 * Margin;
        for (const KindPart& part : KindParts) {
            const int w = p.rows > 0 ? int(double(p.*part.count) / p.rows * width + 0.5) : 0;
            painter.fillRect(QRect(x, Margin, w, KindBarHeight), QColor(part.colour));
            x += w;
        }
        painter.setPen(Qt::NoPen);
        const QColor bar
            = p.histogram.isEmpty() ? QColor(0xe0, 0x8a, 0x2c) : palette().highlight().color();
        const int most = tallest(c);
        for (int b = 0; b < bars(c); ++b)
            painter.fillRect(barIn(cell, c, b, most), bar);
        painter.setPen(palette().windowText().color());
        const QString line = tr("%1 distinct, %2 empty")
                                 .arg(formatInteger(p.distinct), percentOf(p.empty, p.rows));
        const QRect text(cell.left() + Margin, height() - TextHeight - 1, width, TextHeight);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            painter.fontMetrics().elidedText(line, Qt::ElideRight, width));
        if (!p.traps.isEmpty()) {
            const QRect badge(cell.right() - Margin - 12, Margin + KindBarHeight + 2, 12, 12);
            painter.setBrush(QColor(0xff, 0xb3, 0x1a));
            painter.setPen(QColor(0x9a, 0x5b, 0x00));
            painter.drawEllipse(badge);
            painter.setPen(Qt::black);
            painter.drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
            painter.setBrush(Qt::NoBrush);
        }
    }
}

QString ProfileStrip::columnSummary(int column) const
{
    if (column < 0 || column >= m_profiles.size())
        return QString();
    const ColumnProfile& p = m_profiles.at(column);
    QStringList lines {
        QStringLiteral("<b>%1</b>").arg(m_data.columnName(column).toHtmlEscaped())
    };
    QStringList kinds;
    for (const KindPart& part : KindParts) {
        if (p.*part.count > 0)
            kinds << tr("%1 %2").arg(formatInteger(p.*part.count), tr(part.name));
    }
    lines << tr("Kinds: %1").arg(kinds.join(QStringLiteral(", ")));
    lines << tr("Empty: %1 (%2)").arg(formatInteger(p.empty), percentOf(p.empty, p.rows));
    lines << tr("Distinct: %1").arg(formatInteger(p.distinct));
    if (p.hasNumbers)
        lines << tr("Numbers from %1 to %2")
                     .arg(formatShortestNumber(p.minimum), formatShortestNumber(p.maximum));
    if (p.firstDate.isValid())
        lines << tr("Dates from %1 to %2")
                     .arg(p.firstDate.toString(Qt::ISODate), p.lastDate.toString(Qt::ISODate));
    QStringList values;
    for (const ValueFrequency& f : p.topValues)
        values << tr("'%1' (%2)").arg(f.value.left(40).toHtmlEscaped(), formatInteger(f.count));
    lines << tr("Most frequent: %1").arg(values.join(QStringLiteral(", ")));
    QStringList shapes;
    for (const ValueFrequency& f : p.topShapes)
        shapes << tr("'%1' (%2)").arg(f.value.left(40).toHtmlEscaped(), formatInteger(f.count));
    lines << tr("Shapes: %1").arg(shapes.join(QStringLiteral(", ")));
    for (const QString& trap : p.traps)
        lines << QStringLiteral("<span style=\"color: #b35900;\">%1</span>")
                     .arg(trap.toHtmlEscaped());
    return lines.join(QStringLiteral("<br>"));
}

bool ProfileStrip::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_ready) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = columnSummary(columnAt(help->pos().x()));
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void ProfileStrip::mousePressEvent(QMouseEvent* event)
{
    const int column = columnAt(event->pos().x());
    if (!m_ready || column < 0 || column >= m_profiles.size() || event->button() != Qt::LeftButton)
        return;
    const ColumnProfile& p = m_profiles.at(column);
    for (int b = 0; b < bars(column); ++b) {
        const QRect hit = barRect(column, b);
        // The whole height of the chart answers, not only the drawn bar.
        if (event->pos().x() < hit.left() || event->pos().x() > hit.right())
            continue;
        const QString name = m_data.columnName(column);
        const QString description = p.histogram.isEmpty()
            ? tr("%1 = '%2'").arg(name, p.topValues.at(b).value)
            : tr("%1 from %2 to %3")
                  .arg(name, rangeValue(p, p.binStart(b)),
                      rangeValue(p, p.binStart(b) + p.binWidth()));
        emit barChosen(column, description, barTest(p, b));
        return;
    }
}
