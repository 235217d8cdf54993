#pragma once

#include <QObject>

// Combo boxes and spin boxes change their value under the mouse wheel. In a
// pane that scrolls, a user scrolling past one would change an option
// without meaning to (and, with auto run, rewrite the outputs), so the usual
// desktop rule holds here: inside a scrolling pane or table they take the
// wheel only when they have the keyboard focus, and otherwise hand it on to
// the pane, which scrolls. Installed on the application by the window.
class WheelGuard : public QObject
{
    Q_OBJECT

public:
    explicit WheelGuard(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
