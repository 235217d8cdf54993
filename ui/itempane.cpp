#include "ui/itempane.h"

#include "graph/node.h"

#include <QLabel>
#include <QVBoxLayout>

ItemPane::ItemPane(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setWordWrap(true);
    QFont font = m_title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    m_title->setFont(font);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    layout->addWidget(m_title);
    layout->addWidget(m_status);
    layout->addStretch(1);
    refresh();
}

void ItemPane::setNode(Node* node)
{
    m_node = node;
    refresh();
}

void ItemPane::refresh()
{
    if (!m_node) {
        m_title->setText(tr("No item selected"));
        m_status->clear();
        return;
    }
    m_title->setText(m_node->displayName());
    m_status->setText(statusName(m_node->status()));
}
