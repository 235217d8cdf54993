#pragma once

#include "output/chartoptions.h"
#include "ui/itempaneio.h"

#include <QPointer>
#include <QVector>
#include <QWidget>

class ChartNode;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QListWidget;
class QStackedLayout;

namespace QtCharts {
class QChartView;
}

// The chart of a Chart item as the right pane shows it: one chart view per
// facet in a grid, or the prompt or limit message when nothing is plotted.
class ChartViewGrid : public QWidget
{
    Q_OBJECT

public:
    explicit ChartViewGrid(QWidget* parent = nullptr);
    // Rebuilds the charts from the item's last plot.
    void showPlot(const ChartNode* node);
    int viewCount() const { return m_views.size(); }
    QString message() const;

private:
    QStackedLayout* m_stack;
    QLabel* m_message;
    QWidget* m_grid;
    QGridLayout* m_gridLayout;
    QVector<QtCharts::QChartView*> m_views;
};

// The options form of a Chart item, with its chart above the options.
class ChartOptionsForm : public IoOptionsForm
{
    Q_OBJECT

public:
    explicit ChartOptionsForm(ChartNode* node, QWidget* parent = nullptr);
    Q_INVOKABLE void load();
    ChartViewGrid* chartView() const { return m_view; }

protected:
    void store() override;

private:
    struct AxisWidgets
    {
        QCheckBox* show;
        QCheckBox* grid;
        QComboBox* titleOption;
        QLineEdit* title;
        QComboBox* scale;
        QCheckBox* customMin;
        QDoubleSpinBox* min;
        QCheckBox* customMax;
        QDoubleSpinBox* max;
        QCheckBox* nice;
        QCheckBox* labels;
        QSpinBox* angle;
        QComboBox* format;
        QSpinBox* precision;
        QLineEdit* dateFormat = nullptr;
        QCheckBox* sameRange = nullptr;
    };

    void buildAxis(AxisWidgets& w, const QString& letter);
    void loadAxis(AxisWidgets& w, const ChartAxisOptions& a);
    void storeAxis(const AxisWidgets& w, ChartAxisOptions& a) const;
    QDoubleSpinBox* addReal(const QString& label, double low, double high, const QString& field);
    void loadColumns();
    void updateRows();

    QPointer<ChartNode> m_chart;
    ChartViewGrid* m_view;
    QComboBox* m_type;
    QComboBox* m_x;
    QComboBox* m_xAs;
    QListWidget* m_y;
    QComboBox* m_layout;
    QSpinBox* m_across;
    QComboBox* m_theme;
    QComboBox* m_titleOption;
    QLineEdit* m_title;
    QComboBox* m_legend;
    QDoubleSpinBox* m_thickness;
    QSpinBox* m_opacity;
    QCheckBox* m_points;
    QComboBox* m_pointSize;
    QDoubleSpinBox* m_customPointSize;
    QCheckBox* m_write;
    QLineEdit* m_path;
    QComboBox* m_imageType;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QComboBox* m_pdfSize;
    QComboBox* m_orientation;
    QSpinBox* m_resolution;
    QLineEdit* m_alias;
    AxisWidgets m_xAxis;
    AxisWidgets m_yAxis;
};

// Makes the right pane show the chart and its form for Chart items.
void registerChartOptionsForm();
