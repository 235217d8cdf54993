#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

// A text field takes some key sequences for its own editing before the
// window's commands see them: Ctrl+U deletes to the start of the line here,
// so pressing the theme toggle's shortcut in a field cleared the field. For
// the sequences given, the window's command wins and the field is left as it
// was. Installed on the application by the window.
class ShortcutGuard : public QObject
{
    Q_OBJECT

public:
    ShortcutGuard(const QList<QKeySequence>& sequences, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QKeySequence> m_sequences;
};
