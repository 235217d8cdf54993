#include "ui/drilldowndialog.h"

#include "core/dataset.h"
#include "core/values.h"
#include "ui/datatableview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

DrilldownDialog::DrilldownDialog(
    const QString& itemName, const QString& cellText, const Dataset& rows, QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Drilldown - %1").arg(itemName));
    auto* layout = new QVBoxLayout(this);
    m_caption = new QLabel(
        tr("%1 behind '%2'")
            .arg(countText(rows.rowCount(), tr("row"), tr("rows")), elide(cellText, 60)),
        this);
    layout->addWidget(m_caption);
    m_data = new DataTableView(this);
    m_data->setDataset(rows);
    layout->addWidget(m_data, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(800, 500);
}
