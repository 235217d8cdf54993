#include "ui/comparedialog.h"

#include "core/values.h"
#include "graph/node.h"
#include "transforms/support/headercomparison.h"
#include "ui/exploreprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor AddedColour(0xd8, 0xf5, 0xd0);
const QColor RemovedColour(0xf8, 0xd4, 0xd4);
const QColor ChangedColour(0xff, 0xd8, 0x90);
const QColor MovedColour(0xff, 0xf0, 0xb0);

const char* const KindTexts[] = { "unchanged", "added", "removed", "changed" };
const char* const HeaderTexts[] = { "same", "moved", "renamed", "top only", "bottom only" };

} // namespace

void DifferenceModel::setDifferences(const Dataset& top, const Dataset& bottom,
    const RowComparison& comparison, const RowDifferences& differences)
{
    beginResetModel();
    m_top = top;
    m_bottom = bottom;
    m_comparison = comparison;
    m_differences = differences;
    m_shown.clear();
    for (int i = 0; i < m_differences.rows.size(); ++i) {
        if (m_differences.rows.at(i).kind != RowDifference::Unchanged)
            m_shown.append(i);
    }
    endResetModel();
}

const RowDifference& DifferenceModel::differenceAt(int row) const
{
    return m_differences.rows.at(m_shown.at(row));
}

int DifferenceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int DifferenceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3 + m_comparison.columns.size();
}

QString DifferenceModel::cellText(const RowDifference& d, int pair) const
{
    const QPair<int, int> columns = m_comparison.columns.at(pair);
    if (d.kind == RowDifference::Added)
        return m_bottom.value(d.bottomRow, columns.second);
    const QString& before = m_top.value(d.topRow, columns.first);
    if (d.kind == RowDifference::Changed && d.changedPairs.contains(pair))
        return QStringLiteral("%1 \u2192 %2")
            .arg(before, m_bottom.value(d.bottomRow, columns.second));
    return before;
}

QVariant DifferenceModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const RowDifference& d = differenceAt(index.row());
    const int pair = index.column() - 3;
    const bool changedCell = pair >= 0 && d.changedPairs.contains(pair);
    if (role == Qt::DisplayRole) {
        if (index.column() == 0)
            return d.topRow >= 0 ? QVariant(d.topRow + 1) : QVariant();
        if (index.column() == 1)
            return d.bottomRow >= 0 ? QVariant(d.bottomRow + 1) : QVariant();
        if (index.column() == 2)
            return tr(KindTexts[d.kind]);
        return cellText(d, pair);
    }
    if (role == ChangedRole)
        return changedCell;
    if (role == Qt::BackgroundRole) {
        if (changedCell)
            return ChangedColour;
        if (d.kind == RowDifference::Added)
            return AddedColour;
        if (d.kind == RowDifference::Removed)
            return RemovedColour;
    }
    return QVariant();
}

QVariant DifferenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation == Qt::Vertical)
        return QVariant();
    if (section == 0)
        return tr("Top row");
    if (section == 1)
        return tr("Bottom row");
    if (section == 2)
        return tr("Status");
    return m_top.columnName(m_comparison.columns.value(section - 3).first);
}

CompareDialog::CompareDialog(const QList<Node*>& items, Node* top, Node* bottom, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Compare Data And Headers"));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QGridLayout;
    m_topItem = new QComboBox(this);
    m_bottomItem = new QComboBox(this);
    for (Node* item : items) {
        m_items.append(item);
        m_topItem->addItem(item->displayName());
        m_bottomItem->addItem(item->displayName());
    }
    m_topItem->setCurrentIndex(qMax(0, items.indexOf(top)));
    m_bottomItem->setCurrentIndex(qMax(0, items.indexOf(bottom)));
    m_key = new QComboBox(this);
    m_caseSensitive = new QCheckBox(tr("Case sensitive"), this);
    m_caseSensitive->setChecked(true);
    choices->addWidget(new QLabel(tr("Top:"), this), 0, 0);
    choices->addWidget(m_topItem, 0, 1);
    choices->addWidget(new QLabel(tr("Bottom:"), this), 0, 2);
    choices->addWidget(m_bottomItem, 0, 3);
    choices->addWidget(new QLabel(tr("Match rows by:"), this), 1, 0);
    choices->addWidget(m_key, 1, 1);
    choices->addWidget(m_caseSensitive, 1, 3);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(3, 1);
    layout->addLayout(choices);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* headerPane = new QWidget(splitter);
    auto* headerLayout = new QVBoxLayout(headerPane);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    m_headerSummary = new QLabel(headerPane);
    m_headers = new QTableWidget(0, 3, headerPane);
    m_headers->setHorizontalHeaderLabels({ tr("Top column"), tr("Bottom column"), tr("Status") });
    m_headers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_headers->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    headerLayout->addWidget(m_headerSummary);
    headerLayout->addWidget(m_headers, 1);
    auto* rowPane = new QWidget(splitter);
    auto* rowLayout = new QVBoxLayout(rowPane);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    m_progress = new ExploreProgress(rowPane);
    m_rowSummary = new QLabel(rowPane);
    m_model = new DifferenceModel(this);
    m_rows = new QTableView(rowPane);
    m_rows->setModel(m_model);
    m_rows->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    rowLayout->addWidget(m_progress);
    rowLayout->addWidget(m_rowSummary);
    rowLayout->addWidget(m_rows, 1);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    onItemsChanged();
    connect(m_topItem, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &CompareDialog::onItemsChanged);
    connect(m_bottomItem, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &CompareDialog::onItemsChanged);
    connect(
        m_key, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CompareDialog::compare);
    connect(m_caseSensitive, &QCheckBox::toggled, this, &CompareDialog::compare);
    resize(1000, 680);
    QTimer::singleShot(0, this, &CompareDialog::compare);
}

void CompareDialog::onItemsChanged()
{
    // The datasets are taken once per choice of items: copies share the
    // items' rows, and stay valid while an item re-runs or is deleted.
    const Node* top = m_items.value(m_topItem->currentIndex());
    const Node* bottom = m_items.value(m_bottomItem->currentIndex());
    // An item a run is writing shows nothing until it is done.
    m_top = top && !isBeingUpdated(top) ? top->dataset() : Dataset();
    m_bottom = bottom && !isBeingUpdated(bottom) ? bottom->dataset() : Dataset();
    showHeaders();
    const QSignalBlocker block(m_key);
    m_key->clear();
    m_key->addItem(tr("Row number"), -1);
    const QVector<QPair<int, int>> pairs = columnsByName(m_top, m_bottom);
    for (int i = 0; i < pairs.size(); ++i)
        m_key->addItem(tr("Column '%1'").arg(m_top.columnName(pairs.at(i).first)), i);
    if (sender())
        compare();
}

void CompareDialog::showHeaders()
{
    const QVector<HeaderDifference> differences = compareHeaders(m_top, m_bottom);
    int counts[5] = { 0, 0, 0, 0, 0 };
    m_headers->setRowCount(differences.size());
    for (int i = 0; i < differences.size(); ++i) {
        const HeaderDifference& d = differences.at(i);
        ++counts[d.kind];
        const QString topName = d.topColumn >= 0
            ? QStringLiteral("%1. %2").arg(d.topColumn + 1).arg(m_top.columnName(d.topColumn))
            : QString();
        const QString bottomName = d.bottomColumn >= 0
            ? QStringLiteral("%1. %2")
                  .arg(d.bottomColumn + 1)
                  .arg(m_bottom.columnName(d.bottomColumn))
            : QString();
        const QColor colours[]
            = { QColor(), MovedColour, ChangedColour, RemovedColour, AddedColour };
        const QStringList texts { topName, bottomName, tr(HeaderTexts[d.kind]) };
        for (int c = 0; c < 3; ++c) {
            auto* cell = new QTableWidgetItem(texts.at(c));
            if (d.kind != HeaderDifference::Same)
                cell->setBackground(colours[d.kind]);
            m_headers->setItem(i, c, cell);
        }
    }
    m_headerSummary->setText(
        tr("Headers: %1 same, %2 moved, %3 renamed, %4 top only, %5 bottom only")
            .arg(counts[0])
            .arg(counts[1])
            .arg(counts[2])
            .arg(counts[3])
            .arg(counts[4]));
}

void CompareDialog::compare()
{
    RowComparison comparison;
    comparison.caseSensitive = m_caseSensitive->isChecked();
    comparison.columns = columnsByName(m_top, m_bottom);
    const int pair = m_key->currentData().toInt();
    if (pair >= 0 && pair < comparison.columns.size()) {
        comparison.topKeys = { comparison.columns.at(pair).first };
        comparison.bottomKeys = { comparison.columns.at(pair).second };
    }
    m_rowSummary->setText(tr("Comparing..."));
    m_progress->run([this, comparison](const std::function<bool(int, int)>& progress) {
        const RowDifferences differences = compareRows(m_top, m_bottom, comparison, progress);
        if (!differences.complete) {
            m_rowSummary->setText(tr("Stopped before the end."));
            return;
        }
        m_model->setDifferences(m_top, m_bottom, comparison, differences);
        m_rowSummary->setText(tr("Rows: %1 added, %2 removed, %3 changed, %4 unchanged")
                                  .arg(formatInteger(differences.counts[RowDifference::Added]),
                                      formatInteger(differences.counts[RowDifference::Removed]),
                                      formatInteger(differences.counts[RowDifference::Changed]),
                                      formatInteger(differences.counts[RowDifference::Unchanged])));
    });
}

void CompareDialog::done(int result)
{
    m_progress->stop();
    QDialog::done(result);
}
