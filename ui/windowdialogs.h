#pragma once

#include <QDialog>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class GraphModel;
class Node;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

// Finds items by name, type and comment; selects them and can zoom to them.
class FindItemsDialog : public QDialog
{
    Q_OBJECT

public:
    FindItemsDialog(GraphModel* scene, QWidget* parent = nullptr);

    // The items matching every word (or any word) of the text in the
    // chosen fields.
    static QList<Node*> find(const GraphModel& scene, const QString& text, bool allWords,
        bool inNames, bool inTypes, bool inComments, bool caseSensitive);
    QLineEdit* textField() const { return m_text; }
    // Runs the search, selects what it found and returns it.
    QList<Node*> findAndSelect();

signals:
    void zoomWanted(const QList<Node*>& nodes);

private:
    GraphModel* m_scene;
    QLineEdit* m_text = nullptr;
    QComboBox* m_allAny = nullptr;
    QCheckBox* m_inNames = nullptr;
    QCheckBox* m_inTypes = nullptr;
    QCheckBox* m_inComments = nullptr;
    QCheckBox* m_caseSensitive = nullptr;
    QCheckBox* m_zoom = nullptr;
    QLabel* m_result = nullptr;
};

// Chooses the locale that governs how dates and numbers are read.
class LocaleDialog : public QDialog
{
    Q_OBJECT

public:
    LocaleDialog(const QLocale& current, QWidget* parent = nullptr);
    QLocale locale() const;

private:
    QComboBox* m_locales = nullptr;
};

// Lists every command that has a keyboard shortcut.
class KeyboardShortcutsDialog : public QDialog
{
    Q_OBJECT

public:
    KeyboardShortcutsDialog(const QList<QAction*>& commands, QWidget* parent = nullptr);
};

// The recent documents, newest first; missing ones are greyed.
class RecentDocumentsDialog : public QDialog
{
    Q_OBJECT

public:
    RecentDocumentsDialog(const QStringList& paths, QWidget* parent = nullptr);
    QString chosenPath() const { return m_chosen; }

private:
    QListWidget* m_list = nullptr;
    QString m_chosen;
};

// A sortable table of every item: type, status, size, time and warnings.
class ItemSummaryDialog : public QDialog
{
    Q_OBJECT

public:
    ItemSummaryDialog(GraphModel* scene, QWidget* parent = nullptr);
    QTableWidget* table() const { return m_table; }

signals:
    void itemChosen(Node* node);

protected:
    void done(int result) override;

private:
    QTableWidget* m_table = nullptr;
    QList<Node*> m_nodes;
};

// The column names of two or more items side by side, differences marked.
class CompareHeadersDialog : public QDialog
{
    Q_OBJECT

public:
    CompareHeadersDialog(const QList<Node*>& nodes, QWidget* parent = nullptr);
    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

// The datasets of two items row by row; differing cells are highlighted.
class CompareDataDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MaxRows = 5000;
    CompareDataDialog(Node* first, Node* second, QWidget* parent = nullptr);
    int differenceCount() const { return m_differences; }

private:
    int m_differences = 0;
};
