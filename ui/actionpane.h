#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class Transform;

// The left pane: buttons that add Input, Output and Note items, and one
// button per transform type, filtered by category (or recent use), the
// "show advanced" switch and the keyword search; plus the quick-add field
// that adds a transform by a few letters of its name.
class ActionPane : public QWidget
{
    Q_OBJECT

public:
    explicit ActionPane(QWidget* parent = nullptr);

    // Type keys of the transform buttons currently shown, in order.
    QStringList visibleTypeKeys() const;
    QToolButton* transformButton(const QString& typeKey) const;
    QLineEdit* searchField() const { return m_search; }
    QLineEdit* quickAddField() const { return m_quickAdd; }
    QComboBox* filterBox() const { return m_filter; }
    QCheckBox* advancedBox() const { return m_advanced; }
    QLabel* matchCountLabel() const { return m_matchCount; }
    QPushButton* inputButton() const { return m_inputButton; }
    QPushButton* outputButton() const { return m_outputButton; }
    QPushButton* chartButton() const { return m_chartButton; }

    // Records that a transform type was added, for the usage entries.
    void noteUsed(const QString& typeKey);
    // The best match of the quick-add text: an exact name, then the start
    // of a name, then the start of a word of it, then anywhere in a name.
    static QString quickAddMatch(const QString& text);

public slots:
    void applyFilter();

signals:
    void addTransformRequested(const QString& typeKey);
    void addInputRequested();
    void addOutputRequested();
    void addNoteRequested();
    void addChartRequested();

private:
    QString noMatchText(int categoryEntry) const;
    void buildItemButtons(QGridLayout* grid);
    void buildTransformButtons();
    void rebuildFilterEntries();
    void onQuickAdd();
    QList<QString> usageEntryKeys(int entry) const;

    QPushButton* m_inputButton = nullptr;
    QPushButton* m_outputButton = nullptr;
    QPushButton* m_noteButton = nullptr;
    QPushButton* m_chartButton = nullptr;
    QComboBox* m_filter = nullptr;
    QCheckBox* m_advanced = nullptr;
    QLineEdit* m_search = nullptr;
    QLineEdit* m_quickAdd = nullptr;
    QLabel* m_matchCount = nullptr;
    QWidget* m_buttonBox = nullptr;
    QGridLayout* m_buttonGrid = nullptr;
    QHash<QString, QToolButton*> m_buttons;
    QStringList m_order; // type keys in catalogue order
    QTimer m_searchDelay;
    // Usage history of this session, newest last.
    QStringList m_usage;
};
