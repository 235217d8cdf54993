#include "ui/columnfrequenciesdialog.h"

#include "core/values.h"
#include "ui/exploreprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Paints the bar column as a bar as long as the count's share of the
// largest count.
class BarDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const double fraction = index.data(FrequencyModel::BarRole).toDouble();
        QRectF bar = QRectF(option.rect).adjusted(2, 3, -2, -3);
        bar.setWidth(bar.width() * fraction);
        painter->fillRect(bar, option.palette.color(QPalette::Highlight));
    }
};

} // namespace

void FrequencyModel::setFrequencies(const ValueFrequencies& frequencies)
{
    m_frequencies = frequencies;
    m_maxCount = 0;
    for (const ValueFrequency& f : qAsConst(m_frequencies.values))
        m_maxCount = qMax(m_maxCount, f.count);
    sort(m_sortColumn, m_sortOrder);
}

void FrequencyModel::setFilter(const QString& text)
{
    m_filter = text;
    rebuild();
}

const ValueFrequency& FrequencyModel::frequencyAt(int row) const
{
    return m_frequencies.values.at(m_shown.at(row));
}

void FrequencyModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    m_sorted = m_frequencies.order(column != ValueColumn, order == Qt::DescendingOrder);
    rebuild();
}

void FrequencyModel::rebuild()
{
    beginResetModel();
    if (m_filter.isEmpty()) {
        m_shown = m_sorted;
    } else {
        m_shown.clear();
        for (int position : qAsConst(m_sorted)) {
            if (m_frequencies.values.at(position).value.contains(m_filter, Qt::CaseInsensitive))
                m_shown.append(position);
        }
    }
    endResetModel();
}

int FrequencyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int FrequencyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant FrequencyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const ValueFrequency& f = frequencyAt(index.row());
    const int rows = qMax(1, m_frequencies.rows);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ValueColumn:
            return f.value.isEmpty() ? tr("(empty)") : f.value;
        case CountColumn:
            return formatInteger(f.count);
        case PercentColumn: {
            // A value among hundreds of thousands is a tiny share, not none.
            const double share = double(f.count) / rows;
            return formatPercent(share, 0.01, share < 0.001 ? 2 : 1);
        }
        default:
            return QVariant();
        }
    }
    if (role == BarRole)
        return m_maxCount > 0 ? double(f.count) / m_maxCount : 0.0;
    if (role == Qt::TextAlignmentRole && index.column() != ValueColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::FontRole && index.column() == ValueColumn && f.value.isEmpty()) {
        QFont italic;
        italic.setItalic(true);
        return italic;
    }
    return QVariant();
}

QVariant FrequencyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const names[] = { "Value", "Count", "Percent", "" };
    return tr(names[qBound(0, section, 3)]);
}

ColumnFrequenciesDialog::ColumnFrequenciesDialog(
    const QString& itemName, const Dataset& data, int column, QWidget* parent)
    : QDialog(parent), m_data(data)
{
    setWindowTitle(tr("Column Frequencies - %1").arg(itemName));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    m_column = new QComboBox(this);
    m_column->addItems(m_data.columnNames());
    m_column->setCurrentIndex(qBound(0, column, qMax(0, m_data.columnCount() - 1)));
    m_caseSensitive = new QCheckBox(tr("Case sensitive"), this);
    m_caseSensitive->setChecked(true);
    m_whitespaceSensitive = new QCheckBox(tr("Whitespace sensitive"), this);
    m_whitespaceSensitive->setChecked(true);
    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(tr("Filter values"));
    m_filter->setClearButtonEnabled(true);
    choices->addWidget(new QLabel(tr("Column:"), this));
    choices->addWidget(m_column, 1);
    choices->addWidget(m_caseSensitive);
    choices->addWidget(m_whitespaceSensitive);
    choices->addWidget(m_filter, 1);
    layout->addLayout(choices);
    m_progress = new ExploreProgress(this);
    layout->addWidget(m_progress);
    m_summary = new QLabel(this);
    layout->addWidget(m_summary);
    m_model = new FrequencyModel(this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setItemDelegateForColumn(FrequencyModel::BarColumn, new BarDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(FrequencyModel::CountColumn, Qt::DescendingOrder);
    m_table->horizontalHeader()->setSectionResizeMode(
        FrequencyModel::ValueColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->resizeSection(FrequencyModel::BarColumn, 160);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setToolTip(tr("Double-click a value to filter the data table to its rows."));
    layout->addWidget(m_table, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_column, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ColumnFrequenciesDialog::recount);
    connect(m_caseSensitive, &QCheckBox::toggled, this, &ColumnFrequenciesDialog::recount);
    connect(m_whitespaceSensitive, &QCheckBox::toggled, this, &ColumnFrequenciesDialog::recount);
    connect(m_filter, &QLineEdit::textChanged, m_model, &FrequencyModel::setFilter);
    connect(m_table, &QTableView::doubleClicked, this, &ColumnFrequenciesDialog::onActivated);
    resize(760, 560);
    QTimer::singleShot(0, this, &ColumnFrequenciesDialog::recount);
}

void ColumnFrequenciesDialog::recount()
{
    const int column = m_column->currentIndex();
    FrequencyOptions options;
    options.caseSensitive = m_caseSensitive->isChecked();
    options.whitespaceSensitive = m_whitespaceSensitive->isChecked();
    m_summary->setText(tr("Counting..."));
    m_progress->run([this, column, options](const std::function<bool(int, int)>& progress) {
        const ValueFrequencies counted = countValues(m_data, column, options, progress);
        if (!counted.complete) {
            m_summary->setText(tr("Stopped before the end."));
            return;
        }
        m_model->setFrequencies(counted);
        m_summary->setText(
            tr("%1 rows, %2 distinct values, %3 empty")
                .arg(formatInteger(counted.rows), formatInteger(counted.distinctCount()),
                    formatInteger(counted.emptyCells)));
    });
}

void ColumnFrequenciesDialog::onActivated(const QModelIndex& index)
{
    if (index.isValid())
        emit valueChosen(m_column->currentIndex(), m_model->frequencyAt(index.row()).value);
}

void ColumnFrequenciesDialog::done(int result)
{
    m_progress->stop();
    QDialog::done(result);
}
