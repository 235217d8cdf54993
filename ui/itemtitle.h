#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QStackedLayout;

// The right pane's title: the item's name, which the user edits in place
// (a double-click, F2 or the Rename command). Enter or leaving the field
// keeps the new name; Escape keeps the old one.
class ItemTitle : public QWidget
{
    Q_OBJECT

public:
    explicit ItemTitle(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // Starts editing with the given name (which may differ from the text
    // shown: an item without a name of its own shows a default).
    void startEditing(const QString& name);
    bool isEditing() const;
    QLineEdit* editor() const { return m_editor; }
    QLabel* label() const { return m_label; }

signals:
    // Double-clicked: the pane decides whether the item may be renamed.
    void editRequested();
    void renamed(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish(bool keep);

    QStackedLayout* m_stack = nullptr;
    QLabel* m_label = nullptr;
    QLineEdit* m_editor = nullptr;
    QString m_original;
    bool m_editing = false;
};
