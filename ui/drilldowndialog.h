#pragma once

#include <QDialog>

class Dataset;
class DataTableView;
class QLabel;

// The upstream rows behind one cell of a Pivot, Count, Unique or Dedupe
// result, shown in a data table of their own. Each double click opens one,
// so several can be compared side by side.
class DrilldownDialog : public QDialog
{
    Q_OBJECT

public:
    DrilldownDialog(const QString& itemName, const QString& cellText, const Dataset& rows,
        QWidget* parent = nullptr);

    DataTableView* dataTable() const { return m_data; }

private:
    QLabel* m_caption;
    DataTableView* m_data;
};
