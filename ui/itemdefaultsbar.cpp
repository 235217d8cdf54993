#include "ui/itemdefaultsbar.h"

#include "graph/itemdefaults.h"
#include "graph/node.h"
#include "graph/runcontext.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/itempaneoptions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ItemDefaultsBar::ItemDefaultsBar(Node* node, ItemPaneOptions* options, QWidget* parent)
    : QWidget(parent), m_node(node), m_options(options)
{
    setObjectName(QStringLiteral("itemDefaultsBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: palette(mid); font-style: italic;"));
    layout->addWidget(m_note);
    auto* row = new QHBoxLayout;
    m_save = new QPushButton(tr("Save as default"), this);
    m_save->setToolTip(tr("New items like this one start with these options."));
    m_reset = new QPushButton(tr("Reset to defaults"), this);
    m_reset->setToolTip(tr("Forget the saved options: new items start with the built-in ones."));
    row->addWidget(m_save);
    row->addWidget(m_reset);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_save, &QPushButton::clicked, this, &ItemDefaultsBar::onSave);
    connect(m_reset, &QPushButton::clicked, this, &ItemDefaultsBar::onReset);
    showApplied();
}

void ItemDefaultsBar::showApplied()
{
    if (!m_node)
        return;
    const QStringList keys = ItemDefaults::applied(*m_node);
    QStringList names;
    const auto* transformNode = qobject_cast<const TransformNode*>(m_node.data());
    for (const QString& key : keys) {
        // Input and Output options are named by their stored key, spelled
        // out; transform options by their label.
        QString name = QString(key).replace(QLatin1Char('_'), QLatin1Char(' '));
        if (transformNode && transformNode->transform()) {
            if (const TransformParameter* p = transformNode->transform()->parameter(key))
                name = p->label();
        }
        if (QLabel* label = m_options ? m_options->label(key) : nullptr) {
            QFont font = label->font();
            font.setItalic(true);
            label->setFont(font);
            label->setToolTip(tr("From your saved defaults."));
        }
        names << name;
    }
    m_note->setText(names.isEmpty()
            ? QString()
            : tr("Saved defaults applied: %1").arg(names.join(QStringLiteral(", "))));
    m_note->setVisible(!names.isEmpty());
}

void ItemDefaultsBar::onSave()
{
    if (!m_node)
        return;
    ItemDefaults::save(*m_node, m_node->runContext().settings());
    m_note->setText(tr("Saved as the default for new items like this one."));
    m_note->setVisible(true);
}

void ItemDefaultsBar::onReset()
{
    if (!m_node)
        return;
    ItemDefaults::reset(*m_node, m_node->runContext().settings());
    m_note->setText(tr("Saved defaults cleared: new items like this one start with the "
                       "built-in options."));
    m_note->setVisible(true);
}
