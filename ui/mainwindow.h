#pragma once

#include "document/documentinfo.h"
#include "document/heldfile.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class ActionPane;
class GraphPane;
class DriftWatch;
class GraphModel;
class ItemPane;
class Node;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class ProgressWindow;
class QProgressBar;
class QSplitter;
class QToolBar;
class MessageBoxPrompt;
struct CommandSpec;

// The window in which the user edits and runs one document: the left pane
// of item and transform buttons, the graph in the centre, the selected
// item's options and data on the right, the log pane, the tool bar, the
// status bar with the memory gauge, and every command of the menus.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int MaxRecentDocuments = 12;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    GraphModel* graph() const { return m_graph; }
    GraphPane* graphPane() const { return m_graphPane; }
    ActionPane* actionPane() const { return m_actionPane; }
    ItemPane* itemPane() const { return m_itemPane; }
    QPlainTextEdit* logPane() const { return m_log; }
    QLabel* memoryGauge() const { return m_memoryGauge; }
    bool darkTheme() const { return m_darkTheme; }
    // A command by its menu text, e.g. "&Undo" (the undo and redo commands
    // are found by their plain texts whatever they currently read).
    QAction* action(const QString& id) const { return m_actions.value(id); }

    const QString& documentPath() const { return m_documentPath; }
    bool isModified() const { return isWindowModified(); }
    void setModified(bool modified);
    const QString& documentNotes() const { return m_info.notes; }
    void setDocumentNotes(const QString& notes);

    // Adds a transform of the type where the selection says, or explains
    // what to select. Returns whether it was added.
    bool addTransform(const QString& typeKey);
    // The last message shown to the user by the window (for the log and
    // for tests); message boxes are skipped while quiet.
    const QString& lastMessage() const { return m_lastMessage; }
    void setQuietMessages(bool quiet) { m_quietMessages = quiet; }

    // The start-up choice: the recovery file, the named document, the
    // previous one or the recent list, as the preferences say.
    // Alias assignments of the command line apply to the named document.
    void openAtStart(const QString& documentPath, bool newWindow,
        const QStringList& assignments = QStringList());
    bool loadDocument(const QString& path) { return loadFrom(path); }
    bool saveDocument(const QString& path) { return saveTo(path); }

public slots:
    void refreshMemoryGauge();
    // Shows the gauge for a given use, in GiB.
    void showMemoryGauge(double currentGB);
    void appendLog(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend struct CommandSpec;
    // The commands that look at items' results wait for the run to end:
    // true, with a word in the status bar, while one goes on.
    bool refusedDuringRun();
    // Construction (mainwindowactions.cpp)
    void createActions();
    void createMenus();
    void createToolBar();
    QAction* addCommand(const CommandSpec& spec);
    void updateEditActions();
    void updateUndoTexts();
    void updateTitle();
    // Layout and scene wiring (mainwindow.cpp)
    void createPanes();
    void createStatusBar();
    void wireGraph();
    void restoreLayout();
    void saveLayout();
    void showMessage(const QString& text, bool warning);
    void onSelectionChanged();
    void onNodeDataChanged(Node* node);
    void onMemoryLimitExceeded();
    void onAllowUserInteraction(bool allowed);
    void onGraphEdited();
    void onProgress(int percent);
    // File commands (mainwindowfile.cpp)
    void onNew();
    void onOpen();
    void onOpenRecent();
    void onSave();
    void onSaveAs();
    void onCommandLine();
    void onRunRecord();
    void onCheckColumns();
    void onBatchProcess();
    void onNewWindow();
    void onExit();
    bool saveTo(const QString& path);
    // Opens a document; hold keeps its file open (and locked) while it is
    // the window's document.
    bool loadFrom(const QString& path, bool hold = true);
    void applyDocumentFlags();
    void writeRecoveryFile();
    bool maybeSave();
    void resetDocument();
    void addRecent(const QString& path);
    void rebuildRecentMenu();
    void checkMissingInputs();
    // Asks for the file (or folder) that replaces a missing one of an input.
    void chooseNewInputLocation(Node* input);
    // Edit commands (mainwindowcommands.cpp)
    void onUndo();
    void onRedo();
    void onCut();
    void onCopy();
    void onPaste();
    void onDelete();
    void onDisconnect();
    void onRename();
    void onSelectAll();
    void onFindItems();
    void onNotes();
    void onLocale();
    void onPreferences();
    void onAddNote();
    void onAddInput();
    void onAddOutput();
    void onAddChart();
    void addPastedTextInput(const QString& text);
    void onFilesDropped(const QStringList& paths, const QPointF& at);
    void onContextMenu(const QPoint& globalPos, const QPointF& scenePos);
    // View commands
    void onZoomFit(bool on);
    void onZoomIn();
    void onZoomOut();
    void onZoomSelected();
    void onSnapToGrid(bool on);
    void onShowComments(bool on);
    void onShowWarnings(bool on);
    void onShowRowColChanges(bool on);
    void onTimingProfile(bool on);
    void onTipLevel(QAction* level);
    void onMagnifyCursor(bool on);
    void onToolBarShown(bool on);
    void onLogPaneShown(bool on);
    void onLeftPaneShown(bool on);
    void onRightPaneShown(bool on);
    void onTwoScreenMode(bool on);
    void onToggleTheme();
    void onCompareData();
    void onCompareHeaders();
    void onItemSummary();
    // Explore dialogs (mainwindowexplore.cpp)
    void onColumnFrequencies();
    void onExploreKeys();
    void onExploreDuplicates();
    void addExploreActions(QMenu* menu);
    // Run commands
    void onAutoRun(bool on);
    void onRunUnprocessed();
    void onRunSelected();
    void onStopRun();
    void onRunAll();
    void onAutoRunStoppedTip(const QString& tip, int milliseconds);
    // Help commands
    void onHelpLink();
    void onKeyboardShortcuts();
    void onAbout();

    GraphModel* m_graph = nullptr;
    DriftWatch* m_driftWatch = nullptr;
    GraphPane* m_graphPane = nullptr;
    ActionPane* m_actionPane = nullptr;
    ItemPane* m_itemPane = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QSplitter* m_mainSplitter = nullptr;
    QSplitter* m_centreSplitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_memoryGauge = nullptr;
    QProgressBar* m_progress = nullptr;
    ProgressWindow* m_progressWindow = nullptr;
    QMenu* m_recentMenu = nullptr;
    QActionGroup* m_tipGroup = nullptr;
    QHash<QString, QAction*> m_actions;
    QPointer<QWidget> m_secondScreen;
    std::unique_ptr<MessageBoxPrompt> m_prompt;
    QTimer m_gaugeTimer;
    QString m_documentPath;
    DocumentInfo m_info;
    HeldDocumentFile m_held;
    QString m_lastMessage;
    // Labels of undone changes, newest last, for the Redo command's text.
    QStringList m_redoLabels;
    bool m_quietMessages = false;
    // False while a run pumps the event loop.
    bool m_interactive = true;
    bool m_inUndoRedo = false;
    bool m_darkTheme = false;
};
