#pragma once

#include "core/dataset.h"
#include "transforms/support/columnprofile.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class DataTableModel;
class QTableView;

// A strip over the data grid with a small chart per column, lined up with
// the grid's columns: a histogram for numbers and dates, the most frequent
// values as bars for text, a thin bar of the kinds (empty, whole number,
// number, date, text) and a badge where the column has a trap. Resting the
// pointer on a column tells its whole profile; clicking a bar asks the grid
// to show only the rows it counts.
//
// Profiles are worked out from every row, off the window's thread (both
// cores, one column list each), after every new table; a table that comes
// while one is being profiled waits, and only the newest is profiled next.
class ProfileStrip : public QWidget
{
    Q_OBJECT

public:
    using ValueTest = std::function<bool(const QString&)>;

    ProfileStrip(QTableView* grid, DataTableModel* model, QWidget* parent = nullptr);
    ~ProfileStrip() override;

    // Profiles the table, unless the strip is hidden (then when shown).
    void setDataset(const Dataset& data);
    // Whether the profiles of the current table are shown (none pending).
    bool isReady() const { return m_ready; }
    const QVector<ColumnProfile>& profiles() const { return m_profiles; }
    // The strip's text for a dataset column: the statistics of its tip.
    QString columnSummary(int column) const;
    // Where the bar of a column's chart for a value or bin is drawn, in the
    // strip's coordinates; empty when not drawn.
    QRect barRect(int column, int bar) const;

    QSize sizeHint() const override;

signals:
    // Every profile of a table has arrived and is drawn.
    void profiled();
    // Show only the rows of a dataset column that the bar counts.
    void barChosen(int column, const QString& description, const ProfileStrip::ValueTest& test);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void startNext();
    Q_INVOKABLE void deliver();
    int columnAt(int x) const;
    QRect shownCellRect(int shown) const;
    QRect cellRect(int column) const;
    int bars(int column) const;
    int barCount(int column, int bar) const;
    int tallest(int column) const;
    QRect barIn(const QRect& cell, int column, int bar, int most) const;

    QTableView* m_grid;
    DataTableModel* m_model;
    Dataset m_data;
    QVector<ColumnProfile> m_profiles;
    bool m_ready = false;
    bool m_pending = false;
    // The worker and what it hands back, under the lock.
    std::thread m_worker;
    std::atomic<bool> m_cancel { false };
    std::mutex m_guard;
    QVector<ColumnProfile> m_result;
    quint64 m_generation = 0;
    quint64 m_resultGeneration = 0;
};
