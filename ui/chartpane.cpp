#include "ui/chartpane.h"

#include "charts/chartbuilder.h"
#include "graph/chartnode.h"
#include "ui/itempaneoptions.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedLayout>

using namespace QtCharts;

ChartViewGrid::ChartViewGrid(QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedLayout(this);
    m_message = new QLabel(this);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_grid = new QWidget(this);
    m_gridLayout = new QGridLayout(m_grid);
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_gridLayout->setSpacing(2);
    m_stack->addWidget(m_message);
    m_stack->addWidget(m_grid);
    setMinimumHeight(480);
}

QString ChartViewGrid::message() const
{
    return m_stack->currentWidget() == m_message ? m_message->text() : QString();
}

void ChartViewGrid::showPlot(const ChartNode* node)
{
    const ChartPlot& plot = node->plot();
    if (!plot.plotted) {
        const bool waiting = plot.message.isEmpty();
        m_message->setText(waiting ? tr("Not plotted yet") : plot.message);
        m_stack->setCurrentWidget(m_message);
        return;
    }
    const int width = std::max(200, m_grid->width());
    const QVector<QChart*> charts = buildCharts(plot, node->options(), width, nullptr);
    // Surplus views go when the number of facets falls.
    while (m_views.size() > charts.size())
        delete m_views.takeLast();
    const QSize grid = facetGrid(charts.size(), node->options().facetsAcross);
    for (int i = 0; i < charts.size(); ++i) {
        if (i == m_views.size()) {
            auto* view = new QChartView(m_grid);
            view->setRenderHint(QPainter::Antialiasing);
            m_views << view;
        }
        QChartView* view = m_views.at(i);
        // The view hands back its old chart rather than deleting it; the
        // chart may still have events posted to it.
        QChart* old = view->chart();
        view->setChart(charts.at(i));
        old->deleteLater();
        m_gridLayout->addWidget(view, i / grid.width(), i % grid.width());
    }
    m_stack->setCurrentWidget(m_grid);
}

ChartOptionsForm::ChartOptionsForm(ChartNode* node, QWidget* parent)
    : IoOptionsForm(node, parent), m_chart(node)
{
    m_view = new ChartViewGrid(this);
    addFormRow(QString(), m_view);
    m_type = addCombo(tr("Chart type"), chartTypeNames(), QStringLiteral("chart type"));
    m_x = new QComboBox(this);
    m_x->setObjectName(QStringLiteral("X column"));
    addFormRow(tr("X axis data"), m_x);
    connect(m_x, QOverload<int>::of(&QComboBox::activated), this,
        [this] { onChanged(QStringLiteral("X column")); });
    m_xAs = addCombo(tr("X axis type"), chartXAsNames(), QStringLiteral("X type"));
    m_y = new QListWidget(this);
    m_y->setMaximumHeight(120);
    addFormRow(tr("Y axis data"), m_y);
    connect(
        m_y, &QListWidget::itemChanged, this, [this] { onChanged(QStringLiteral("Y columns")); });
    m_layout = addCombo(tr("Layout"), chartLayoutNames(), QStringLiteral("layout"));
    m_across = addSpin(tr("Facets across"), 1, 5, QStringLiteral("facets across"));
    m_theme = addCombo(tr("Theme"), chartThemeNames(), QStringLiteral("theme"));
    m_titleOption = addCombo(
        tr("Title"), { tr("Automatic"), tr("Custom"), tr("Hidden") }, QStringLiteral("title"));
    m_title = addLine(tr("Custom title"), QStringLiteral("custom title"));
    m_legend = addCombo(tr("Legend"), chartLegendNames(), QStringLiteral("legend"));
    m_thickness = addReal(tr("Line thickness"), 0.0, 50.0, QStringLiteral("line thickness"));
    m_opacity = addSpin(tr("Opacity %"), 10, 100, QStringLiteral("opacity"));
    m_points = addCheck(tr("Show line data points"), QStringLiteral("data points"));
    m_pointSize = addCombo(
        tr("Data point size"), { tr("Automatic"), tr("Custom") }, QStringLiteral("point size"));
    m_customPointSize = addReal(tr("Custom size"), 1.0, 100.0, QStringLiteral("custom size"));
    buildAxis(m_xAxis, QStringLiteral("X"));
    buildAxis(m_yAxis, QStringLiteral("Y"));
    m_write = addCheck(tr("Write file"), QStringLiteral("write file"));
    m_path = addPath(tr("File"), SaveFile, QStringLiteral("file"));
    m_imageType = addCombo(tr("Image type"), chartImageTypeNames(), QStringLiteral("image type"));
    m_width = addSpin(tr("Width (pixels)"), 16, 20000, QStringLiteral("width"));
    m_height = addSpin(tr("Height (pixels)"), 16, 20000, QStringLiteral("height"));
    m_pdfSize = addCombo(tr("Page size"), chartPdfSizeNames(), QStringLiteral("page size"));
    m_orientation = addCombo(
        tr("Orientation"), { tr("Portrait"), tr("Landscape") }, QStringLiteral("orientation"));
    m_resolution = addSpin(tr("Resolution (DPI)"), 30, 2400, QStringLiteral("resolution"));
    m_alias = addLine(tr("Alias"), QStringLiteral("alias"));
    connect(node, &ChartNode::plotChanged, this, [this] {
        if (m_chart)
            m_view->showPlot(m_chart);
    });
    load();
}

QDoubleSpinBox* ChartOptionsForm::addReal(
    const QString& label, double low, double high, const QString& field)
{
    auto* spin = new QDoubleSpinBox(this);
    spin->setRange(low, high);
    spin->setDecimals(2);
    spin->setObjectName(field);
    addFormRow(label, spin);
    connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        [this, field] { onChanged(field); });
    return spin;
}

void ChartOptionsForm::buildAxis(AxisWidgets& w, const QString& letter)
{
    const QString f = letter + QStringLiteral(" axis ");
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(tr("%1 axis").arg(letter)), this);
    addFormRow(QString(), heading);
    w.show = addCheck(tr("Show axis"), f + QStringLiteral("shown"));
    w.grid = addCheck(tr("Show grid lines"), f + QStringLiteral("grid"));
    w.titleOption
        = addCombo(tr("Axis title"), { tr("Automatic"), tr("Custom"), tr("Hidden") }, f + "title");
    w.title = addLine(tr("Custom axis title"), f + QStringLiteral("custom title"));
    w.scale = addCombo(tr("Scale"), chartScaleNames(), f + QStringLiteral("scale"));
    w.customMin = addCheck(tr("Custom minimum"), f + QStringLiteral("minimum"));
    w.min = addReal(tr("Minimum"), -1e15, 1e15, f + QStringLiteral("minimum value"));
    w.customMax = addCheck(tr("Custom maximum"), f + QStringLiteral("maximum"));
    w.max = addReal(tr("Maximum"), -1e15, 1e15, f + QStringLiteral("maximum value"));
    w.nice = addCheck(tr("Nice values"), f + QStringLiteral("nice values"));
    w.labels = addCheck(tr("Show labels"), f + QStringLiteral("labels"));
    w.angle = addSpin(tr("Label angle"), -90, 90, f + QStringLiteral("label angle"));
    w.format = addCombo(tr("Label format"), chartLabelFormatNames(), f + "label format");
    w.precision = addSpin(tr("Label precision"), 0, 15, f + QStringLiteral("label precision"));
    if (letter == QLatin1String("X"))
        w.dateFormat = addLine(tr("Date label format"), f + QStringLiteral("date format"));
    else
        w.sameRange = addCheck(tr("Same range for all facets"), f + QStringLiteral("same range"));
}

void ChartOptionsForm::loadAxis(AxisWidgets& w, const ChartAxisOptions& a)
{
    w.show->setChecked(a.show);
    w.grid->setChecked(a.grid);
    w.titleOption->setCurrentIndex(a.titleOption);
    w.title->setText(a.customTitle);
    w.scale->setCurrentIndex(a.scale);
    w.customMin->setChecked(a.customMin);
    w.min->setValue(a.minValue);
    w.customMax->setChecked(a.customMax);
    w.max->setValue(a.maxValue);
    w.nice->setChecked(a.niceValues);
    w.labels->setChecked(a.showLabels);
    w.angle->setValue(a.labelAngle);
    w.format->setCurrentIndex(a.labelFormat);
    w.precision->setValue(a.labelPrecision);
    if (w.dateFormat)
        w.dateFormat->setText(a.dateFormat);
    if (w.sameRange)
        w.sameRange->setChecked(a.sameRangeAllFacets);
}

void ChartOptionsForm::storeAxis(const AxisWidgets& w, ChartAxisOptions& a) const
{
    a.show = w.show->isChecked();
    a.grid = w.grid->isChecked();
    a.titleOption = w.titleOption->currentIndex();
    a.customTitle = w.title->text();
    a.scale = w.scale->currentIndex();
    a.customMin = w.customMin->isChecked();
    a.minValue = w.min->value();
    a.customMax = w.customMax->isChecked();
    a.maxValue = w.max->value();
    a.niceValues = w.nice->isChecked();
    a.showLabels = w.labels->isChecked();
    a.labelAngle = w.angle->value();
    a.labelFormat = w.format->currentIndex();
    a.labelPrecision = w.precision->value();
    if (w.dateFormat)
        a.dateFormat = w.dateFormat->text();
    if (w.sameRange)
        a.sameRangeAllFacets = w.sameRange->isChecked();
}

// The column lists follow the upstream item's columns.
void ChartOptionsForm::loadColumns()
{
    const ChartOptions& o = m_chart->options();
    const QList<Node*> upstream = m_chart->upstreamNodes(false);
    const QStringList names
        = upstream.size() == 1 ? upstream.first()->columnNames() : QStringList();
    m_x->clear();
    m_x->addItem(tr("<None selected>"), -1);
    for (int i = 0; i < names.size(); ++i)
        m_x->addItem(names.at(i), i);
    selectData(m_x, o.x.position);
    m_y->clear();
    for (int i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(names.at(i), m_y);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        bool on = false;
        for (const ChartColumn& c : o.y)
            on = on || c.position == i;
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

void ChartOptionsForm::load()
{
    if (!m_chart)
        return;
    setLoading(true);
    const ChartOptions& o = m_chart->options();
    m_type->setCurrentIndex(o.type);
    loadColumns();
    m_xAs->setCurrentIndex(o.xAs);
    m_layout->setCurrentIndex(o.layout);
    m_across->setValue(o.facetsAcross);
    m_theme->setCurrentIndex(o.theme);
    m_titleOption->setCurrentIndex(o.titleOption);
    m_title->setText(o.customTitle);
    m_legend->setCurrentIndex(o.legend);
    m_thickness->setValue(o.lineThickness);
    m_opacity->setValue(o.opacity);
    m_points->setChecked(o.showLinePoints);
    m_pointSize->setCurrentIndex(o.pointSizeOption);
    m_customPointSize->setValue(o.customPointSize);
    loadAxis(m_xAxis, o.xAxis);
    loadAxis(m_yAxis, o.yAxis);
    m_write->setChecked(o.writeFile);
    m_path->setText(QDir::toNativeSeparators(o.path));
    m_imageType->setCurrentIndex(o.imageType);
    m_width->setValue(o.imageWidth);
    m_height->setValue(o.imageHeight);
    m_pdfSize->setCurrentIndex(o.pdfSize);
    m_orientation->setCurrentIndex(o.pdfOrientation);
    m_resolution->setValue(o.pdfResolution);
    m_alias->setText(o.alias);
    updateRows();
    setLoading(false);
    m_view->showPlot(m_chart);
}

void ChartOptionsForm::updateRows()
{
    const bool pdf = m_imageType->currentIndex() == ImagePdf;
    const bool write = m_write->isChecked();
    setRowVisible(m_across, m_layout->currentIndex() == LayoutFaceted);
    setRowVisible(m_title, m_titleOption->currentIndex() == TitleCustom);
    setRowVisible(m_customPointSize, m_pointSize->currentIndex() == 1);
    for (QWidget* w : { static_cast<QWidget*>(m_path), static_cast<QWidget*>(m_imageType),
             static_cast<QWidget*>(m_alias) })
        setRowVisible(w, write);
    for (QWidget* w : { m_width, m_height })
        setRowVisible(w, write && !pdf);
    for (QWidget* w : { static_cast<QWidget*>(m_pdfSize), static_cast<QWidget*>(m_orientation),
             static_cast<QWidget*>(m_resolution) })
        setRowVisible(w, write && pdf);
    applyRowVisibility();
}

void ChartOptionsForm::store()
{
    if (!m_chart)
        return;
    ChartOptions o = m_chart->options();
    o.type = m_type->currentIndex();
    o.xAs = m_xAs->currentIndex();
    o.layout = m_layout->currentIndex();
    o.facetsAcross = m_across->value();
    o.theme = m_theme->currentIndex();
    o.titleOption = m_titleOption->currentIndex();
    o.customTitle = m_title->text();
    o.legend = m_legend->currentIndex();
    o.lineThickness = m_thickness->value();
    o.opacity = m_opacity->value();
    o.showLinePoints = m_points->isChecked();
    o.pointSizeOption = m_pointSize->currentIndex();
    o.customPointSize = m_customPointSize->value();
    storeAxis(m_xAxis, o.xAxis);
    storeAxis(m_yAxis, o.yAxis);
    o.writeFile = m_write->isChecked();
    o.path = QDir::fromNativeSeparators(m_path->text().trimmed());
    o.imageType = m_imageType->currentIndex();
    o.imageWidth = m_width->value();
    o.imageHeight = m_height->value();
    o.pdfSize = m_pdfSize->currentIndex();
    o.pdfOrientation = m_orientation->currentIndex();
    o.pdfResolution = m_resolution->value();
    o.alias = m_alias->text().trimmed();
    m_chart->setOptions(o);
    QVector<int> ys;
    for (int i = 0; i < m_y->count(); ++i) {
        if (m_y->item(i)->checkState() == Qt::Checked)
            ys << i;
    }
    QVector<int> current;
    for (const ChartColumn& c : m_chart->options().y)
        current << c.position;
    // Before the upstream has columns the lists are empty and say nothing.
    if (m_y->count() > 0 && ys != current)
        m_chart->setYColumns(ys);
    if (m_x->count() > 1 && m_x->currentData().toInt() != m_chart->options().x.position)
        m_chart->setXColumn(m_x->currentData().toInt());
    updateRows();
}

void registerChartOptionsForm()
{
    ItemPaneOptions::registerFormFactory(
        ChartNodeType, [](Node* node, QWidget* parent) -> QWidget* {
            auto* chart = qobject_cast<ChartNode*>(node);
            return chart ? new ChartOptionsForm(chart, parent) : nullptr;
        });
}
