#include "ui/pivotfields.h"

#include <QGridLayout>
#include <QLabel>
#include <QResizeEvent>

PivotFields::PivotFields(QWidget* parent) : QWidget(parent), m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(0, 0, 0, 0);
}

void PivotFields::addField(QLabel* heading, QWidget* field)
{
    m_fields.append({ heading, field });
    arrange(perRowFor(width()));
}

// The room one field asks for: its heading and the field at their natural
// widths, so that a column list shows its names whole.
int PivotFields::fieldWidth() const
{
    int width = 0;
    for (const auto& field : m_fields)
        width
            = qMax(width, qMax(field.first->sizeHint().width(), field.second->sizeHint().width()));
    return width;
}

int PivotFields::perRowFor(int width) const
{
    const int spacing = m_grid->horizontalSpacing();
    const int fit = (width + spacing) / qMax(1, fieldWidth() + spacing);
    return qBound(1, fit, qMax(1, m_fields.size()));
}

// Narrow enough for one field to a row, and as tall as the rows the
// fields take at the width they have, so that a field is never squeezed
// below its natural height (the pane scrolls instead).
QSize PivotFields::minimumSizeHint() const
{
    int width = 0;
    for (const auto& field : m_fields)
        width = qMax(width,
            qMax(field.first->minimumSizeHint().width(), field.second->minimumSizeHint().width()));
    return QSize(width, m_grid->sizeHint().height());
}

void PivotFields::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int perRow = perRowFor(event->size().width());
    if (perRow != m_perRow)
        arrange(perRow);
}

void PivotFields::arrange(int perRow)
{
    m_perRow = perRow;
    for (const auto& field : m_fields) {
        m_grid->removeWidget(field.first);
        m_grid->removeWidget(field.second);
    }
    for (int c = 0; c < m_grid->columnCount(); ++c)
        m_grid->setColumnStretch(c, c < perRow ? 1 : 0);
    for (int i = 0; i < m_fields.size(); ++i) {
        const int row = 2 * (i / perRow);
        const int column = i % perRow;
        m_grid->addWidget(m_fields.at(i).first, row, column);
        m_grid->addWidget(m_fields.at(i).second, row + 1, column, Qt::AlignTop);
        m_grid->setColumnStretch(column, 1);
    }
    updateGeometry();
}
