#include "ui/wheelguard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>

namespace {

bool insideScrollingPane(const QWidget* widget)
{
    for (const QWidget* w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(w))
            return true;
    }
    return false;
}

} // namespace

WheelGuard::WheelGuard(QObject* parent) : QObject(parent)
{
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* editor = qobject_cast<QWidget*>(watched);
    if (!editor || editor->hasFocus()
        || (!qobject_cast<QComboBox*>(editor) && !qobject_cast<QAbstractSpinBox*>(editor))
        || !insideScrollingPane(editor))
        return false;
    // Left unaccepted, the wheel goes on to the widgets around the editor.
    event->ignore();
    return true;
}
