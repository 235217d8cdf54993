// The main window's explore commands: column frequencies, explore keys and
// explore duplicates for the selected item.

#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "ui/columncheck.h"
#include "ui/columnfrequenciesdialog.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/exploreduplicatesdialog.h"
#include "ui/explorekeysdialog.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTableView>

namespace {

// The transform of the only selected item, or null.
Transform* selectedTransform(const QList<Node*>& selected)
{
    auto* node = selected.size() == 1 ? dynamic_cast<TransformNode*>(selected.first()) : nullptr;
    return node ? node->transform() : nullptr;
}

void showDialog(QDialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

} // namespace

// With a menu, adds the explore commands that apply to the selection to it;
// without one, enables the commands that apply.
void MainWindow::addExploreActions(QMenu* menu)
{
    const QList<Node*> selected = m_graph->nodes(true);
    const Transform* transform = selectedTransform(selected);
    const bool frequencies = selected.size() == 1 && !isBeingUpdated(selected.first())
        && selected.first()->columnCount() > 0;
    const bool keys = transform && transform->offersExploreKeys();
    const bool duplicates = transform && transform->offersExploreDuplicates();
    const bool input = frequencies && qobject_cast<const InputNode*>(selected.first());
    const QPair<const char*, bool> commands[] = { { "Column &Frequencies...", frequencies },
        { "C&heck Columns...", input }, { "Explore &Keys...", keys },
        { "Explore D&uplicates...", duplicates }, { "Compare &Data...", selected.size() == 2 } };
    for (const auto& command : commands) {
        QAction* action = m_actions.value(QString::fromUtf8(command.first));
        if (!action)
            continue;
        if (!menu)
            action->setEnabled(command.second);
        else if (command.second)
            menu->addAction(action);
    }
}

bool MainWindow::refusedDuringRun()
{
    if (!m_graph->isProcessing())
        return false;
    statusBar()->showMessage(
        tr("The items are being processed: try again when the run has finished."), 4000);
    return true;
}

void MainWindow::onColumnFrequencies()
{
    const QList<Node*> selected = m_graph->nodes(true);
    if (selected.size() != 1 || refusedDuringRun())
        return;
    Node* node = selected.first();
    // Start from the column the user is looking at in the data table.
    const bool shown = m_itemPane->node() == node;
    const QModelIndex current = m_itemPane->dataTable()->tableView()->currentIndex();
    const int column = shown && current.isValid()
        ? m_itemPane->dataTable()->model()->sourceColumn(current.column())
        : 0;
    auto* dialog = new ColumnFrequenciesDialog(node->displayName(), node->dataset(), column, this);
    connect(dialog, &ColumnFrequenciesDialog::valueChosen, this,
        [this, node = QPointer<Node>(node)](int, const QString& value) {
            if (!node)
                return;
            m_itemPane->setNode(node);
            DataTableView* table = m_itemPane->dataTable();
            table->filterModeCombo()->setCurrentIndex(DataTableModel::FilterRowData);
            table->filterEdit()->setText(value);
        });
    showDialog(dialog);
}

void MainWindow::onCheckColumns()
{
    const QList<Node*> selected = m_graph->nodes(true);
    auto* input = selected.size() == 1 ? qobject_cast<InputNode*>(selected.first()) : nullptr;
    if (!input || refusedDuringRun())
        return;
    const QString name = input->displayName();
    statusBar()->showMessage(tr("Checking the columns of '%1'...").arg(name));
    auto* check = new ColumnCheck(
        input->dataset(), DateFormatList(WindowSettings::instance().dateFormatList()), this);
    connect(check, &ColumnCheck::finished, this,
        [this, check, name, node = QPointer<InputNode>(input)](const QStringList& traps) {
            check->deleteLater();
            // A run since the check began has read the table again.
            if (!node || isBeingUpdated(node))
                return;
            node->setColumnTraps(traps);
            appendLog(QStringLiteral("Columns of '%1':").arg(name));
            for (const QString& trap : traps)
                appendLog(QStringLiteral("  ") + trap);
            statusBar()->showMessage(traps.isEmpty()
                    ? tr("No traps found in the columns of '%1'").arg(name)
                    : tr("%n trap(s) found in the columns of '%1'", nullptr, traps.size())
                          .arg(name),
                5000);
            if (m_itemPane->node() == node)
                m_itemPane->setNode(node);
        });
}

void MainWindow::onExploreKeys()
{
    if (refusedDuringRun())
        return;
    const QList<Node*> selected = m_graph->nodes(true);
    const Transform* transform = selectedTransform(selected);
    if (transform && transform->offersExploreKeys())
        showDialog(new ExploreKeysDialog(selected.first()->displayName(), *transform, this));
}

void MainWindow::onExploreDuplicates()
{
    if (refusedDuringRun())
        return;
    const QList<Node*> selected = m_graph->nodes(true);
    const Transform* transform = selectedTransform(selected);
    if (transform && transform->offersExploreDuplicates())
        showDialog(new ExploreDuplicatesDialog(selected.first()->displayName(), *transform, this));
}
