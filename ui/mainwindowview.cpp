// View commands of the main window: zoom, the centre pane's markers, the
// panes, two screen mode and the theme.

#include "graph/graphmodel.h"
#include "ui/actionpane.h"
#include "ui/comparedialog.h"
#include "ui/graphpane.h"
#include "ui/itempane.h"
#include "ui/mainwindow.h"
#include "ui/theme.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

void MainWindow::onZoomFit(bool on)
{
    m_graphPane->setAutoFit(on);
}

void MainWindow::onZoomIn()
{
    m_actions.value(QStringLiteral("Zoom &Fit"))->setChecked(false);
    m_graphPane->zoomIn();
}

void MainWindow::onZoomOut()
{
    m_actions.value(QStringLiteral("Zoom &Fit"))->setChecked(false);
    m_graphPane->zoomOut();
}

void MainWindow::onZoomSelected()
{
    m_actions.value(QStringLiteral("Zoom &Fit"))->setChecked(false);
    m_graphPane->zoomSelected();
}

void MainWindow::onSnapToGrid(bool on)
{
    m_graphPane->setSnapToGrid(on);
    m_graphPane->viewport()->update();
    setModified(true);
}

void MainWindow::onShowComments(bool on)
{
    WindowSettings::instance().setShowComments(on);
    m_graphPane->paintOptions().showComments = on;
    m_graphPane->viewport()->update();
}

void MainWindow::onShowWarnings(bool on)
{
    WindowSettings::instance().setShowWarnings(on);
    m_graphPane->paintOptions().showWarnings = on;
    m_graphPane->viewport()->update();
}

void MainWindow::onShowRowColChanges(bool on)
{
    WindowSettings::instance().setShowChanges(on);
    m_graphPane->paintOptions().showRowColChanges = on;
    m_graphPane->viewport()->update();
}

void MainWindow::onTimingProfile(bool on)
{
    m_graphPane->paintOptions().timingProfile = on;
    m_graphPane->viewport()->update();
}

void MainWindow::onTipLevel(QAction* level)
{
    WindowSettings::instance().setShowCenterPaneTips(level->data().toInt());
    m_graphPane->setTipLevel(level->data().toInt());
}

void MainWindow::onMagnifyCursor(bool on)
{
    m_graphPane->setMagnifyCursor(on);
}

void MainWindow::onToolBarShown(bool on)
{
    m_toolBar->setVisible(on);
}

void MainWindow::onLogPaneShown(bool on)
{
    m_log->setVisible(on);
}

void MainWindow::onLeftPaneShown(bool on)
{
    m_actionPane->setVisible(on);
    QAction* a = m_actions.value(QStringLiteral("L&eft Pane"));
    const QSignalBlocker block(a);
    a->setChecked(on);
}

void MainWindow::onRightPaneShown(bool on)
{
    if (m_secondScreen)
        m_secondScreen->setVisible(on);
    else
        m_itemPane->setVisible(on);
    QAction* a = m_actions.value(QStringLiteral("Ri&ght Pane"));
    const QSignalBlocker block(a);
    a->setChecked(on);
}

void MainWindow::onTwoScreenMode(bool on)
{
    if (on && !m_secondScreen) {
        // The right pane moves into a window of its own, on another screen
        // when there is one.
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setWindowTitle(tr("Right pane - Varnix"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_itemPane);
        m_itemPane->show();
        QScreen* here = screen();
        QScreen* other = here;
        for (QScreen* s : QGuiApplication::screens()) {
            if (s != here)
                other = s;
        }
        const QRect area = other->availableGeometry();
        window->resize(qMin(700, area.width()), qMin(900, area.height()));
        window->move(area.center() - window->rect().center());
        window->show();
        m_secondScreen = window;
    } else if (!on && m_secondScreen) {
        m_mainSplitter->addWidget(m_itemPane);
        m_itemPane->show();
        delete m_secondScreen;
    }
}

void MainWindow::onToggleTheme()
{
    m_darkTheme = !m_darkTheme;
    Theme::apply(m_darkTheme, this);
    if (m_secondScreen)
        Theme::apply(m_darkTheme, m_secondScreen);
    m_graphPane->paintOptions().darkBackground = m_darkTheme;
    m_graphPane->viewport()->update();
    // The toggle is the user's choice from now on, as the preference is.
    WindowSettings::instance().setUiTheme(
        m_darkTheme ? WindowSettings::UiThemeDark : WindowSettings::UiThemeLight);
}

void MainWindow::onCompareData()
{
    if (refusedDuringRun())
        return;
    const QList<Node*> selected = m_graph->nodes(true);
    if (selected.size() != 2)
        return;
    auto* dialog = new CompareDialog(m_graph->nodes(false), selected.at(0), selected.at(1), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::onCompareHeaders()
{
    if (refusedDuringRun())
        return;
    const QList<Node*> selected = m_graph->nodes(true);
    if (selected.size() < 2)
        return;
    if (selected.size() > 2) {
        // Beyond two items only the names side by side make sense.
        CompareHeadersDialog dialog(selected, this);
        dialog.exec();
        return;
    }
    auto* dialog = new CompareDialog(m_graph->nodes(false), selected.at(0), selected.at(1), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::onItemSummary()
{
    if (refusedDuringRun())
        return;
    ItemSummaryDialog dialog(m_graph, this);
    connect(&dialog, &ItemSummaryDialog::itemChosen, this, [this](Node* node) {
        m_graph->clearSelection();
        node->setSelected(true);
        m_graphPane->zoomTo({ node });
    });
    dialog.exec();
}
