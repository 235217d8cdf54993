// The "Batch Process" command: the batch window over this window's document.

#include "ui/batchdialog.h"
#include "ui/mainwindow.h"

void MainWindow::onBatchProcess()
{
    auto* dialog = new BatchDialog(*m_graph, m_info, m_documentPath, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &BatchDialog::documentChanged, this, [this] { setModified(true); });
    dialog->open();
}
