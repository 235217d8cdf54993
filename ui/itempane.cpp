#include "ui/itempane.h"
#include "ui/theme.h"

#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/transformnode.h"
#include "transforms/support/drilldown.h"
#include "transforms/transform.h"
#include "ui/datatablechars.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/drilldowndialog.h"
#include "ui/itempaneoptions.h"
#include "ui/itemtitle.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct ViewButtonText
{
    const char* glyph;
    const char* tip;
    const char* shortcut;
};

const ViewButtonText ViewButtons[3] = {
    { "\u25A4", "Show options and data. (%1)", "Alt+1" },
    { "\u25A1", "Show only options. (%1)", "Alt+2" },
    { "\u25A6", "Show only data. (%1)", "Alt+3" },
};

QPlainTextEdit* makeReadOnlyText(QWidget* parent)
{
    auto* text = new QPlainTextEdit(parent);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return text;
}

} // namespace

ItemPane::ItemPane(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_body = new QWidget(this);
    outer->addWidget(m_body);
    auto* layout = new QVBoxLayout(m_body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(makeHeader());

    m_options = new ItemPaneOptions;
    m_options->setDefaultsBarHost(m_commentRow, 1);
    m_optionsScroll = new QScrollArea;
    m_optionsScroll->setWidgetResizable(true);
    m_optionsScroll->setFrameShape(QFrame::NoFrame);
    m_optionsScroll->setWidget(m_options);
    m_splitter = new QSplitter(Qt::Vertical, m_body);
    m_splitter->addWidget(m_optionsScroll);
    m_splitter->addWidget(makeTabs());
    m_splitter->setStretchFactor(0, 2);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter, 1);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        if (m_node)
            m_userSplit.insert(m_node->type(), m_splitter->sizes().value(0));
    });
    connect(m_options, &ItemPaneOptions::optionsChanged, this, &ItemPane::optionsChanged);
    refresh();
}

ItemPane::~ItemPane()
{
    // The comment field reports losing the focus while the base class
    // destroys it, when this pane is no longer an ItemPane.
    disconnect(m_comment, nullptr, this, nullptr);
    setFullScreen(false);
}

QWidget* ItemPane::makeHeader()
{
    auto* header = new QWidget(m_body);
    auto* grid = new QVBoxLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    m_title = new ItemTitle(header);
    connect(m_title, &ItemTitle::editRequested, this, &ItemPane::startRenaming);
    connect(m_title, &ItemTitle::renamed, this, &ItemPane::onRenamed);
    m_status = new QLabel(header);
    m_status->setObjectName(QStringLiteral("itemStatus"));
    top->addWidget(m_title, 1);
    top->addWidget(m_status);
    auto* group = new QButtonGroup(header);
    for (int mode = 0; mode < 3; ++mode) {
        auto* button = new QToolButton(header);
        const QKeySequence keys(QString::fromLatin1(ViewButtons[mode].shortcut));
        button->setText(QString::fromUtf8(ViewButtons[mode].glyph));
        button->setToolTip(tr(ViewButtons[mode].tip).arg(keys.toString(QKeySequence::NativeText)));
        button->setCheckable(true);
        button->setAutoRaise(true);
        group->addButton(button, mode);
        top->addWidget(button);
        m_viewButtons[mode] = button;
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, mode] { setViewMode(mode); });
        connect(button, &QToolButton::clicked, this, [this, mode] { setViewMode(mode); });
    }
    m_viewButtons[ShowOptionsAndData]->setChecked(true);
    m_fullScreenButton = new QToolButton(header);
    m_fullScreenButton->setObjectName(QStringLiteral("fullScreenButton"));
    m_fullScreenButton->setIcon(Theme::fullScreenIcon(palette().color(QPalette::ButtonText)));
    m_fullScreenButton->setCheckable(true);
    m_fullScreenButton->setAutoRaise(true);
    m_fullScreenButton->setToolTip(tr("'Esc' key also cancels fullscreen."));
    top->addWidget(m_fullScreenButton);
    connect(m_fullScreenButton, &QToolButton::toggled, this, &ItemPane::setFullScreen);
    grid->addLayout(top);

    m_comment = new QLineEdit(header);
    m_comment->setPlaceholderText(tr("Comment"));
    m_comment->setToolTip(tr("Add a useful comment for a colleague or your future self."));
    // The comment shares its row with the item's Defaults menu.
    m_commentRow = new QHBoxLayout;
    m_commentRow->addWidget(m_comment, 1);
    grid->addLayout(m_commentRow);
    connect(m_comment, &QLineEdit::textEdited, this, &ItemPane::onCommentEdited);
    connect(
        m_comment, &QLineEdit::editingFinished, this, [this] { m_commentUndoRecorded = false; });
    return header;
}

QWidget* ItemPane::makeTabs()
{
    m_tabs = new QTabWidget;
    m_data = new DataTableView;
    m_tabs->addTab(m_data, tr("Data"));
    connect(m_data->tableView(), &QTableView::doubleClicked, this, &ItemPane::onDataDoubleClicked);
    auto* characters = new QTableView;
    m_characters = new CharacterFrequencyModel(characters);
    characters->setModel(m_characters);
    characters->verticalHeader()->setVisible(false);
    characters->horizontalHeader()->setStretchLastSection(true);
    m_tabs->addTab(characters, tr("Characters"));
    m_tabs->setTabToolTip(CharactersTab, tr("How often each character occurs in the data."));
    m_warnings = makeReadOnlyText(m_tabs);
    m_tabs->addTab(m_warnings, tr("Warnings"));
    m_tabs->setTabToolTip(WarningsTab, tr("Warnings from the most recent processing."));
    m_information = makeReadOnlyText(m_tabs);
    m_tabs->addTab(m_information, tr("Info"));
    m_tabs->setTabToolTip(InfoTab, tr("Information from the most recent processing."));
    m_details = new QTextBrowser(m_tabs);
    m_tabs->addTab(m_details, tr("Details"));
    m_tabs->setTabToolTip(DetailsTab, tr("Details of the most recent processing."));
    connect(m_tabs, &QTabWidget::currentChanged, this, &ItemPane::onTabChanged);
    return m_tabs;
}

void ItemPane::setNode(Node* node)
{
    // Compared by address: while the item shown is being destroyed (the
    // scene changes its selection from there) the guard still holds it, and
    // reading it as a Node then is undefined.
    if (node != m_nodeAddress) {
        m_commentUndoRecorded = false;
        m_data->clearFilter();
    }
    if (m_node)
        disconnect(m_node, nullptr, this, nullptr);
    m_node = node;
    m_nodeAddress = node;
    if (node) {
        connect(node, &Node::processed, this, &ItemPane::onNodeProgress);
        connect(node, &Node::firstRowsRead, this, &ItemPane::refresh);
    }
    watchScene();
    m_formPending = node && !isSettled(node);
    m_options->setNode(m_formPending ? nullptr : node);
    refresh();
    fitSplitter();
}

void ItemPane::watchScene()
{
    // The pane follows its item's processing by itself, so the window only
    // has to tell it which item is selected.
    auto* scene = m_node ? m_node->graph() : nullptr;
    if (scene == m_watchedScene)
        return;
    if (m_watchedScene)
        disconnect(m_watchedScene, nullptr, this, nullptr);
    m_watchedScene = scene;
    if (!scene)
        return;
    connect(scene, &GraphModel::nodeProcessed, this, &ItemPane::onSceneNodeChanged);
    connect(scene, &GraphModel::nodesDeleted, this, &ItemPane::refresh);
    // An undo or redo deletes the items and then reports the rebuilt ones.
    connect(scene, &GraphModel::nodesAdded, this, &ItemPane::refresh);
}

// Whether the window may read the item: its result, and the upstream
// tables its options list, are not being written by a run.
bool ItemPane::isSettled(const Node* node)
{
    const QList<Node*> upstream = node->upstreamNodes(false);
    return !isBeingUpdated(node)
        && std::none_of(
            upstream.begin(), upstream.end(), [](const Node* u) { return isBeingUpdated(u); });
}

void ItemPane::onSceneNodeChanged(Node* node)
{
    if (node != m_node && !m_formPending)
        return;
    refresh();
    // An item that failed says why on its Warnings tab; an empty data grid
    // would say nothing.
    if (node->status() == StatusError && !node->warnings().isEmpty())
        m_tabs->setCurrentIndex(WarningsTab);
}

void ItemPane::fitSplitter()
{
    // Where the user dragged the split for this kind of item, it stays
    // there. Otherwise the options get what they ask for, between a third and
    // half of the pane: a form that has not laid itself out yet asks for
    // too little, and two rows of options hide their buttons.
    const int total = m_splitter->height() - m_splitter->handleWidth();
    if (total <= 0)
        return;
    int options = m_node ? m_userSplit.value(m_node->type(), -1) : -1;
    if (options < 0) {
        const int wanted = m_options->sizeHint().height() + 2 * m_optionsScroll->frameWidth() + 4;
        options = qBound(total / 3, wanted, total / 2);
    }
    options = qBound(40, options, qMax(40, total - 80));
    m_splitter->setSizes({ options, total - options });
}

void ItemPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitSplitter();
}

void ItemPane::refresh()
{
    // The item may be gone without a word (an undo rebuilds every item):
    // drop its editors, which point into its options.
    if (m_node.isNull())
        m_options->setNode(nullptr);
    if (m_formPending && m_node && isSettled(m_node)) {
        m_formPending = false;
        m_options->setNode(m_node);
    }
    const bool shown = !m_node.isNull();
    m_comment->setEnabled(shown);
    m_splitter->setVisible(shown);
    if (!shown) {
        m_title->setText(tr("No item selected"));
        m_status->clear();
        m_comment->clear();
        m_data->setDataset(Dataset());
        m_dataOf = nullptr;
        refreshTabs();
        return;
    }
    m_title->setText(m_node->displayName());
    m_status->setText(statusName(m_node->status()));
    if (!m_comment->hasFocus())
        m_comment->setText(m_node->comment());
    m_optionsScroll->setVisible(m_options->hasForm() && m_viewMode != ShowDataOnly);
    if (!isSettled(m_node)) {
        // The run is writing the result: the grid keeps the copy it has of
        // this item's last one (or shows the first rows of a long read), and
        // the rest waits for the run to finish.
        if (m_node->firstRows().hasColumns())
            showFirstRows();
        else if (m_dataOf != m_nodeAddress)
            m_data->setDataset(Dataset());
        m_dataOf = m_nodeAddress;
        return;
    }
    m_options->refresh();
    m_data->setDataset(m_node->dataset());
    m_dataOf = m_nodeAddress;
    refreshTabs();
}

void ItemPane::showFirstRows()
{
    const Dataset& rows = m_node->firstRows();
    if (!m_data->model()->dataset().sharesStorageWith(rows)
        || m_data->model()->dataset().rowCount() != rows.rowCount())
        m_data->setDataset(rows);
    onNodeProgress(m_node, m_node->progress());
}

void ItemPane::onNodeProgress(Node* node, qreal fraction)
{
    if (node != m_node || !isBeingUpdated(node) || !node->firstRows().hasColumns())
        return;
    QString text = tr("Reading: the first %1 rows are shown")
                       .arg(formatInteger(node->firstRows().rowCount()));
    if (fraction > 0.01 && fraction < 1.0) {
        const qint64 left = qint64(double(node->processingFor()) * (1.0 - fraction) / fraction);
        text += tr(", %1% read, about %2 left").arg(int(fraction * 100)).arg(formatDuration(left));
    }
    m_status->setText(text);
}

void ItemPane::refreshTabs()
{
    const QStringList warnings = m_node ? m_node->warnings() : QStringList();
    const QStringList information = m_node ? m_node->information() : QStringList();
    m_warnings->setPlainText(warnings.join(QLatin1Char('\n')));
    m_information->setPlainText(information.join(QLatin1Char('\n')));
    m_tabs->setTabText(WarningsTab,
        warnings.isEmpty() ? tr("Warnings")
                           : tr("Warnings") + QStringLiteral(" (%1)").arg(warnings.size()));
    QString details;
    if (m_node) {
        details = m_node->summary();
        if (m_node->lastProcessed().isValid())
            details += QStringLiteral("<p>") + m_node->logLine(true).toHtmlEscaped()
                + QStringLiteral("</p>");
    }
    m_details->setHtml(details);
    m_charactersStale = true;
    if (m_tabs->currentIndex() == CharactersTab)
        refreshCharacters();
}

void ItemPane::refreshCharacters()
{
    if (m_node && isBeingUpdated(m_node))
        return;
    // Counting reads every value, so it waits until the tab is looked at.
    m_characters->setDataset(m_node ? m_node->dataset() : Dataset());
    m_charactersStale = false;
}

void ItemPane::onTabChanged(int index)
{
    if (index == CharactersTab && m_charactersStale)
        refreshCharacters();
}

void ItemPane::onCommentEdited(const QString& text)
{
    if (!m_node)
        return;
    auto* scene = m_node->graph();
    if (scene && !m_commentUndoRecorded) {
        scene->recordSnapshot(tr("change comment"));
        m_commentUndoRecorded = true;
    }
    m_node->setComment(text);
    m_node->update();
    emit commentChanged(m_node);
}

void ItemPane::startRenaming()
{
    if (m_node && m_editingAllowed)
        m_title->startEditing(m_node->name());
}

void ItemPane::onRenamed(const QString& name)
{
    auto* graph = m_node ? m_node->graph() : nullptr;
    if (!m_node)
        return;
    auto rename = [this, node = m_node, name] {
        if (!node)
            return;
        if (auto* g = node->graph())
            g->recordSnapshot(tr("rename item"));
        node->setName(name);
        node->update();
        if (node == m_node)
            refresh();
        emit nameChanged(node);
    };
    // A run may be reading the name (stamps, the log): it changes after.
    if (graph)
        graph->whenIdle(this, rename);
    else
        rename();
}

void ItemPane::setEditingAllowed(bool allowed)
{
    m_editingAllowed = allowed;
    m_options->setEnabled(allowed);
    m_comment->setReadOnly(!allowed);
}

void ItemPane::applyPreferences()
{
    m_data->applyPreferences();
    refresh();
}

void ItemPane::setViewMode(int mode)
{
    m_viewMode = qBound(0, mode, 2);
    m_viewButtons[m_viewMode]->setChecked(true);
    m_optionsScroll->setVisible(m_options->hasForm() && m_viewMode != ShowDataOnly);
    m_tabs->setVisible(m_viewMode != ShowOptionsOnly);
}

void ItemPane::setFullScreen(bool on)
{
    if (on == isFullScreen())
        return;
    if (on) {
        // The pane's content moves into a window of its own; the pane keeps
        // its place in the main window and gets the content back on exit.
        m_fullScreenWindow = new QWidget(nullptr, Qt::Window);
        m_fullScreenWindow->setWindowTitle(m_title->text());
        auto* layout = new QVBoxLayout(m_fullScreenWindow);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_body);
        m_fullScreenWindow->installEventFilter(this);
        // Escape is caught before any editor in the window sees it.
        qApp->installEventFilter(this);
        m_fullScreenWindow->showFullScreen();
    } else {
        QWidget* window = m_fullScreenWindow;
        m_fullScreenWindow = nullptr;
        layout()->addWidget(m_body);
        m_body->show();
        window->removeEventFilter(this);
        qApp->removeEventFilter(this);
        window->hide();
        window->deleteLater();
    }
    QSignalBlocker block(m_fullScreenButton);
    m_fullScreenButton->setChecked(on);
}

bool ItemPane::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the full screen window puts the content back rather than
    // destroying it with the window.
    if (!m_fullScreenWindow)
        return QWidget::eventFilter(watched, event);
    if (watched == m_fullScreenWindow && event->type() == QEvent::Close) {
        setFullScreen(false);
        return true;
    }
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == m_fullScreenWindow) {
            setFullScreen(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ItemPane::onDataDoubleClicked(const QModelIndex& index)
{
    // Only results that keep a drilldown map lead back to their input.
    auto* node = qobject_cast<TransformNode*>(m_node.data());
    if (!node || !node->transform() || !node->transform()->keepsDrilldown())
        return;
    const QList<Node*> upstream = node->upstreamNodes(true);
    if (upstream.isEmpty() || isBeingUpdated(node) || isBeingUpdated(upstream.first()))
        return;
    const Dataset& result = node->dataset();
    if (result.drilldown().isEmpty())
        return;
    const int row = m_data->model()->sourceRow(index.row());
    const int column = m_data->model()->sourceColumn(index.column());
    // Every cell of a pivot table stands for rows of its own; elsewhere a
    // result row stands for its rows, whichever cell is clicked.
    const bool cellsOnly = node->transform()->typeKey() == QLatin1String("Pivot");
    const Dataset rows
        = drilldownDataset(result, upstream.first()->dataset(), row, column, cellsOnly);
    if (!rows.hasRows())
        return;
    auto* dialog = new DrilldownDialog(node->displayName(),
        result.isValidRow(row) ? result.row(row).value(column) : QString(), rows, this);
    dialog->show();
}
