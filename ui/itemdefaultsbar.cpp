#include "ui/itemdefaultsbar.h"

#include "core/runcontext.h"
#include "graph/itemdefaults.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"
#include "ui/itempaneoptions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

ItemDefaultsBar::ItemDefaultsBar(Node* node, ItemPaneOptions* options, QWidget* parent)
    : QWidget(parent), m_node(node), m_options(options)
{
    setObjectName(QStringLiteral("itemDefaultsBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_note = new QLabel(this);
    m_note->setStyleSheet(QStringLiteral("font-style: italic;"));
    layout->addWidget(m_note);
    m_button = new QToolButton(this);
    m_button->setText(tr("Defaults"));
    m_button->setAutoRaise(true);
    m_button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_button);
    m_save = menu->addAction(tr("Save as default"));
    m_save->setStatusTip(tr("New items like this one start with these options."));
    m_reset = menu->addAction(tr("Reset to defaults"));
    m_reset->setStatusTip(tr("Forget the saved options: new items start with the built-in ones."));
    m_button->setMenu(menu);
    layout->addWidget(m_button);
    connect(m_save, &QAction::triggered, this, &ItemDefaultsBar::onSave);
    connect(m_reset, &QAction::triggered, this, &ItemDefaultsBar::onReset);
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
    m_note->setText(names.isEmpty() ? QString() : tr("Saved defaults"));
    m_note->setToolTip(names.isEmpty()
            ? QString()
            : tr("Saved defaults applied: %1").arg(names.join(QStringLiteral(", "))));
    m_note->setVisible(!names.isEmpty());
}

void ItemDefaultsBar::showMessage(const QString& text)
{
    m_note->setText(text);
    m_note->setToolTip(QString());
    m_note->setVisible(true);
}

void ItemDefaultsBar::onSave()
{
    if (!m_node)
        return;
    ItemDefaults::save(*m_node, m_node->runContext().settings());
    showMessage(tr("Saved as default"));
}

void ItemDefaultsBar::onReset()
{
    if (!m_node)
        return;
    ItemDefaults::reset(*m_node, m_node->runContext().settings());
    showMessage(tr("Defaults cleared"));
}
