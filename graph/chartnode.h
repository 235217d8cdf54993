#pragma once

#include "output/chartdata.h"
#include "output/chartoptions.h"

#include "graph/node.h"

#include <QList>
#include <QPair>
#include <QVariantMap>

// The graph item that draws the dataset of its one upstream item as a chart
// and, when asked to, writes the chart to an image or PDF file each time it
// is plotted.
class ChartNode : public Node
{
    Q_OBJECT

public:
    explicit ChartNode(QObject* parent = nullptr);

    int type() const override { return ChartNodeType; }
    QString typeName() const override { return QStringLiteral("Chart"); }
    QString displayName() const override;
    bool canProcess() const override { return allUpstreamUpToDate(); }
    int maxUpstream() const override { return 1; }
    int maxDownstream() const override { return 0; }
    void process(bool processDownstream, bool force) override;
    void upstreamProcessed() override;
    QString resultText() const override;

    const ChartOptions& options() const { return m_options; }
    // A change marks the item as needing an update.
    void setOptions(const ChartOptions& options);
    // The X and Y columns by their positions in the upstream dataset.
    void setXColumn(int position);
    void setYColumns(const QVector<int>& positions);

    // The result of the last plot, and the file it wrote (absolute, native
    // separators; empty when none).
    const ChartPlot& plot() const { return m_plot; }
    const QString& writtenPath() const { return m_writtenPath; }
    // "Plotted" or "Error plotting"; "Written" or "Error writing" when the
    // item writes a file.
    QString statusWord() const;

    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

signals:
    // A new plot (or prompt) is ready for the chart views.
    void plotChanged();

protected:
    QList<QPair<QString, QString>> summaryRows() const override;

private:
    void runChart();
    void resolveColumns(const Dataset& upstream);
    bool resolveColumn(ChartColumn& column, const Dataset& upstream, const QString& role);
    bool writeFile();
    QString resolvedPath() const;
    void addInformation(const QString& line);

    ChartOptions m_options;
    ChartPlot m_plot;
    QString m_writtenPath;
    bool m_writeFailed = false;
};

// Lets the start-up code, the document reader and the snapshots create
// Chart items by their type code.
void registerChartNodeKind();
