#include "ui/shortcutguard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

ShortcutGuard::ShortcutGuard(const QList<QKeySequence>& sequences, QObject* parent)
    : QObject(parent), m_sequences(sequences)
{
}

bool ShortcutGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const bool textField = qobject_cast<QLineEdit*>(watched) || qobject_cast<QTextEdit*>(watched)
        || qobject_cast<QPlainTextEdit*>(watched) || qobject_cast<QAbstractSpinBox*>(watched)
        || qobject_cast<QComboBox*>(watched);
    if (!textField)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(int(key->modifiers()) | key->key());
    if (!m_sequences.contains(pressed))
        return false;
    // Not accepted: the field does not take the keys, the shortcut fires.
    event->ignore();
    return true;
}
