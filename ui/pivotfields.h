#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

class QGridLayout;
class QLabel;

// The fields that lay out a pivot table (column keys, row keys, values),
// each under its heading. They stand side by side, the way a pivot table's
// fields are shown, as many to a row as the pane's width holds, and wrap to
// the next row when it holds fewer, so that the options pane never needs a
// sideways scroll bar to reach the last of them.
class PivotFields : public QWidget
{
    Q_OBJECT

public:
    explicit PivotFields(QWidget* parent = nullptr);

    void addField(QLabel* heading, QWidget* field);
    int fieldCount() const { return m_fields.size(); }
    // How many fields stand side by side in a row.
    int fieldsPerRow() const { return m_perRow; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int fieldWidth() const;
    int perRowFor(int width) const;
    void arrange(int perRow);

    QGridLayout* m_grid;
    QList<QPair<QLabel*, QWidget*>> m_fields;
    int m_perRow = 1;
};
