// The dialogs that look at items and their data: item summary, compare
// headers, compare data.

#include "core/values.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "ui/nodepainter.h"
#include "ui/windowdialogs.h"
#include "ui/windowsettings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A cell that sorts by a number rather than by its text.
class NumberItem : public QTableWidgetItem
{
public:
    NumberItem(const QString& text, double value) : QTableWidgetItem(text)
    {
        setData(Qt::UserRole, value);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override
    {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

QString kindText(const Node& node)
{
    if (const auto* t = qobject_cast<const TransformNode*>(&node)) {
        if (t->transform())
            return t->transform()->displayName();
    }
    return node.typeName();
}

void addButtons(QDialog* dialog, QVBoxLayout* layout)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace

// Item summary

ItemSummaryDialog::ItemSummaryDialog(GraphModel* scene, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Item Summary"));
    auto* layout = new QVBoxLayout(this);
    m_nodes = scene->nodes();
    const QStringList headers = { tr("Name"), tr("Item"), tr("Type"), tr("Status"), tr("Columns"),
        tr("Rows"), tr("Time"), tr("Warnings"), tr("Id") };
    m_table = new QTableWidget(m_nodes.size(), headers.size(), this);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAlternatingRowColors(true);
    for (int row = 0; row < m_nodes.size(); ++row) {
        const Node* n = m_nodes.at(row);
        auto* name = new QTableWidgetItem(n->displayName());
        name->setData(Qt::UserRole + 1, row);
        name->setToolTip(n->warnings().join(QLatin1Char('\n')));
        m_table->setItem(row, 0, name);
        m_table->setItem(row, 1, new QTableWidgetItem(n->typeName()));
        m_table->setItem(row, 2, new QTableWidgetItem(kindText(*n)));
        auto* status = new QTableWidgetItem(statusName(n->status()));
        status->setForeground(NodePainter::statusColour(n->status()).darker(130));
        m_table->setItem(row, 3, status);
        m_table->setItem(row, 4, new NumberItem(formatInteger(n->columnCount()), n->columnCount()));
        m_table->setItem(row, 5, new NumberItem(formatInteger(n->rowCount()), n->rowCount()));
        m_table->setItem(row, 6,
            new NumberItem(formatDuration(n->processingTime()), double(n->processingTime())));
        m_table->setItem(
            row, 7, new NumberItem(QString::number(n->warningCount()), n->warningCount()));
        m_table->setItem(row, 8, new NumberItem(QString::number(n->id()), n->id()));
    }
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    m_table->resizeColumnsToContents();
    header->setStretchLastSection(true);
    const WindowSettings& s = WindowSettings::instance();
    if (!s.itemSummaryColWidths().isEmpty())
        header->restoreState(s.itemSummaryColWidths());
    m_table->setSortingEnabled(true);
    m_table->sortItems(qBound(0, s.itemSummarySortCol(), headers.size() - 1),
        s.itemSummarySortOrder() == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
    layout->addWidget(m_table);
    auto* hint = new QLabel(tr("Double-click an item to select it in the Center pane."), this);
    hint->setStyleSheet(QStringLiteral("color: #707070;"));
    layout->addWidget(hint);
    addButtons(this, layout);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const int index = m_table->item(row, 0)->data(Qt::UserRole + 1).toInt();
        emit itemChosen(m_nodes.at(index));
        accept();
    });
    resize(860, 480);
}

void ItemSummaryDialog::done(int result)
{
    WindowSettings& s = WindowSettings::instance();
    QHeaderView* header = m_table->horizontalHeader();
    s.setItemSummaryColWidths(header->saveState());
    s.setItemSummarySortCol(header->sortIndicatorSection());
    s.setItemSummarySortOrder(header->sortIndicatorOrder() == Qt::AscendingOrder ? 1 : 0);
    QDialog::done(result);
}

// Compare headers

CompareHeadersDialog::CompareHeadersDialog(const QList<Node*>& nodes, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Compare Headers"));
    auto* layout = new QVBoxLayout(this);
    int rows = 0;
    QStringList headers;
    for (const Node* n : nodes) {
        rows = qMax(rows, n->columnCount());
        headers << n->displayName();
    }
    m_table = new QTableWidget(rows, nodes.size(), this);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QColor differs(0xff, 0xe0, 0xa0);
    int differences = 0;
    for (int row = 0; row < rows; ++row) {
        const QString first = nodes.first()->columnNames().value(row);
        bool same = true;
        for (const Node* n : nodes)
            same = same && row < n->columnCount() && n->columnNames().value(row) == first;
        differences += same ? 0 : 1;
        for (int col = 0; col < nodes.size(); ++col) {
            const QStringList names = nodes.at(col)->columnNames();
            auto* item = new QTableWidgetItem(row < names.size() ? names.at(row) : QString());
            if (!same)
                item->setBackground(differs);
            m_table->setItem(row, col, item);
        }
    }
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(
        new QLabel(differences == 0 ? tr("The headers are the same.")
                                    : tr("%1 column position(s) differ.").arg(differences),
            this));
    layout->addWidget(m_table);
    addButtons(this, layout);
    resize(qMin(1100, 200 + 180 * nodes.size()), 480);
}

// Compare data

CompareDataDialog::CompareDataDialog(Node* first, Node* second, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Compare Data"));
    auto* layout = new QVBoxLayout(this);
    const Dataset& a = first->dataset();
    const Dataset& b = second->dataset();
    const int rows = qMin(MaxRows, qMax(a.rowCount(), b.rowCount()));
    const int cols = qMax(a.columnCount(), b.columnCount());
    auto* table = new QTableWidget(rows, cols * 2, this);
    QStringList headers;
    for (int c = 0; c < cols; ++c) {
        headers << QStringLiteral("%1: %2").arg(first->displayName(), a.columnNames().value(c))
                << QStringLiteral("%1: %2").arg(second->displayName(), b.columnNames().value(c));
    }
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QColor differs(0xff, 0xd0, 0xc0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QString va = r < a.rowCount() ? a.row(r).value(c) : QString();
            const QString vb = r < b.rowCount() ? b.row(r).value(c) : QString();
            auto* ia = new QTableWidgetItem(va);
            auto* ib = new QTableWidgetItem(vb);
            if (va != vb) {
                ++m_differences;
                ia->setBackground(differs);
                ib->setBackground(differs);
            }
            table->setItem(r, c * 2, ia);
            table->setItem(r, c * 2 + 1, ib);
        }
    }
    QString summary = m_differences == 0
        ? tr("No differences.")
        : tr("%1 differing value(s).").arg(formatInteger(m_differences));
    if (qMax(a.rowCount(), b.rowCount()) > MaxRows)
        summary += tr(" Only the first %1 rows are compared.").arg(formatInteger(MaxRows));
    layout->addWidget(new QLabel(summary, this));
    layout->addWidget(table);
    addButtons(this, layout);
    resize(1000, 560);
}
