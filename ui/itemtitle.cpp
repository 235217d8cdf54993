#include "ui/itemtitle.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>

ItemTitle::ItemTitle(QWidget* parent) : QWidget(parent)
{
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_label->setWordWrap(true);
    QFont font = m_label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    m_label->setFont(font);
    m_label->setToolTip(tr("Double-click or press F2 to rename the item."));
    m_label->installEventFilter(this);
    m_editor = new QLineEdit(this);
    m_editor->setFont(font);
    m_editor->setPlaceholderText(tr("Name (empty for the default)"));
    m_editor->installEventFilter(this);
    m_stack->addWidget(m_label);
    m_stack->addWidget(m_editor);
    connect(m_editor, &QLineEdit::returnPressed, this, [this] { finish(true); });
    connect(m_editor, &QLineEdit::editingFinished, this, [this] { finish(true); });
}

void ItemTitle::setText(const QString& text)
{
    m_label->setText(text);
}

QString ItemTitle::text() const
{
    return m_label->text();
}

void ItemTitle::startEditing(const QString& name)
{
    m_original = name;
    m_editing = true;
    m_editor->setText(name);
    m_stack->setCurrentWidget(m_editor);
    m_editor->selectAll();
    m_editor->setFocus(Qt::ShortcutFocusReason);
}

bool ItemTitle::isEditing() const
{
    return m_editing;
}

void ItemTitle::finish(bool keep)
{
    // Enter and the focus leaving both end an edit; only the first counts.
    if (!m_editing)
        return;
    // Switching hides the field, which ends its editing once more.
    m_editing = false;
    m_stack->setCurrentWidget(m_label);
    const QString name = m_editor->text().trimmed();
    if (keep && name != m_original)
        emit renamed(name);
}

bool ItemTitle::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_label && event->type() == QEvent::MouseButtonDblClick) {
        emit editRequested();
        return true;
    }
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched == m_editor && key && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape belongs to the field while it is edited, not to the
        // window's Stop command.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            finish(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
