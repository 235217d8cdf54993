#pragma once

#include "graph/node.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class CharacterFrequencyModel;
class DataTableView;
class QModelIndex;
class ItemPaneOptions;
class ItemTitle;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTextBrowser;
class QPlainTextEdit;
class QToolButton;

// The right pane: the options and the data of the selected item.
//
// Above, the options form (ItemPaneOptions); below, tabs with the data grid,
// the character frequencies, the warnings, the information lines and the
// details of the last processing. Three buttons choose whether options, data
// or both are shown, and one shows the pane full screen.
class ItemPane : public QWidget
{
    Q_OBJECT

public:
    enum ViewMode { ShowOptionsAndData = 0, ShowOptionsOnly = 1, ShowDataOnly = 2 };
    enum Tab { DataTab = 0, CharactersTab, WarningsTab, InfoTab, DetailsTab };

    explicit ItemPane(QWidget* parent = nullptr);
    ~ItemPane() override;

    // The item whose options and data are shown; null shows nothing.
    void setNode(Node* node);
    Node* node() const { return m_node; }

    void setViewMode(int mode);
    int viewMode() const { return m_viewMode; }
    bool isFullScreen() const { return m_fullScreenWindow != nullptr; }
    void setFullScreen(bool on);

    // While a run is in progress the options and the comment are read-only
    // (connect to the scene's allowUserInteraction()).
    void setEditingAllowed(bool allowed);
    // Edits the shown item's name in the title, when editing is allowed.
    void startRenaming();
    // Re-reads the display preferences (data font, row padding) after the
    // Preferences window was confirmed.
    void applyPreferences();

    ItemPaneOptions* options() const { return m_options; }
    DataTableView* dataTable() const { return m_data; }
    QTabWidget* tabs() const { return m_tabs; }
    QLineEdit* commentEdit() const { return m_comment; }
    ItemTitle* title() const { return m_title; }
    QToolButton* viewButton(int mode) const { return m_viewButtons[mode]; }
    QToolButton* fullScreenButton() const { return m_fullScreenButton; }
    CharacterFrequencyModel* characters() const { return m_characters; }
    QPlainTextEdit* warningsText() const { return m_warnings; }
    QPlainTextEdit* informationText() const { return m_information; }

signals:
    // An option of the shown item was changed here (the centre pane may
    // want to repaint the item).
    void optionsChanged(Node* node);
    void commentChanged(Node* node);
    void nameChanged(Node* node);

public slots:
    // Re-reads the shown item (after processing or a change of its options).
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeTabs();
    void refreshTabs();
    void fitSplitter();
    void refreshCharacters();
    void onCommentEdited(const QString& text);
    void onRenamed(const QString& name);
    void onTabChanged(int index);
    void onDataDoubleClicked(const QModelIndex& index);
    void onSceneNodeChanged(Node* node);
    // While a long read goes on: its first rows, how far it is and about
    // how long the rest takes.
    void showFirstRows();
    void onNodeProgress(Node* node, qreal fraction);
    static bool isSettled(const Node* node);
    void watchScene();

    QPointer<Node> m_node;
    const Node* m_nodeAddress = nullptr;
    // The item whose result the data grid holds a copy of.
    const Node* m_dataOf = nullptr;
    // The options form waits while a run writes what it lists (the item's
    // upstream tables).
    bool m_formPending = false;
    QPointer<QObject> m_watchedScene;
    bool m_editingAllowed = true;
    QWidget* m_body = nullptr;
    ItemTitle* m_title = nullptr;
    QLabel* m_status = nullptr;
    QHBoxLayout* m_commentRow = nullptr;
    QLineEdit* m_comment = nullptr;
    QSplitter* m_splitter = nullptr;
    QScrollArea* m_optionsScroll = nullptr;
    ItemPaneOptions* m_options = nullptr;
    QTabWidget* m_tabs = nullptr;
    DataTableView* m_data = nullptr;
    CharacterFrequencyModel* m_characters = nullptr;
    bool m_charactersStale = true;
    QPlainTextEdit* m_warnings = nullptr;
    QPlainTextEdit* m_information = nullptr;
    QTextBrowser* m_details = nullptr;
    QToolButton* m_viewButtons[3] = {};
    QToolButton* m_fullScreenButton = nullptr;
    int m_viewMode = ShowOptionsAndData;
    QWidget* m_fullScreenWindow = nullptr;
    bool m_commentUndoRecorded = false;
    // The options height the user chose by dragging the split, per item kind.
    QHash<int, int> m_userSplit;
};
