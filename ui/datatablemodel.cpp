#include "ui/datatablemodel.h"

#include "core/parallel.h"
#include "core/values.h"
#include "transforms/support/datasetsort.h"
#include "ui/windowsettings.h"

#include <QLocale>

#include <algorithm>

DataTableModel::DataTableModel(QObject* parent) : QAbstractTableModel(parent)
{
}

DataTableModel::~DataTableModel()
{
    stopFiltering();
}

QString DataTableModel::tooBigMessage(int columns, int rows)
{
    if (columns <= MaxColumns && rows <= MaxRows)
        return QString();
    const QLocale locale;
    QString text = tr("%1 cols x %2 rows is too big to display")
                       .arg(locale.toString(columns), locale.toString(rows));
    if (columns > MaxColumns)
        text += tr("\n\nUse a 'Remove Cols' transform to reduce to <=%1 columns")
                    .arg(locale.toString(MaxColumns));
    else
        text += tr("\n\nUse a 'Sample' transform to reduce to <=%1 rows")
                    .arg(locale.toString(MaxRows));
    return text;
}

void DataTableModel::setDataset(const Dataset& dataset)
{
    beginResetModel();
    // A choice of one column's values holds while that column is there.
    if (m_valueColumn >= 0
        && (!dataset.isValidColumn(m_valueColumn)
            || dataset.columnName(m_valueColumn) != m_dataset.columnName(m_valueColumn))) {
        m_valueColumn = -1;
        m_valueTest = nullptr;
    }
    m_dataset = dataset;
    m_tooBig = !tooBigMessage(dataset.columnCount(), dataset.rowCount()).isEmpty();
    const WindowSettings& settings = WindowSettings::instance();
    m_severityColours[0] = settings.verifyFailInfoColor();
    m_severityColours[1] = settings.verifyFailWarningColor();
    m_severityColours[2] = settings.verifyFailErrorColor();
    rebuildFilter();
    endResetModel();
}

void DataTableModel::setFilter(int mode, const QString& text)
{
    if (mode == m_filterMode && text == m_filterText && m_valueColumn < 0)
        return;
    beginResetModel();
    m_filterMode = mode;
    m_filterText = text;
    m_valueColumn = -1;
    m_valueTest = nullptr;
    rebuildFilter();
    endResetModel();
}

void DataTableModel::setValueFilter(int column, const ValueTest& test)
{
    beginResetModel();
    m_valueColumn = test ? column : -1;
    m_valueTest = test;
    m_filterText.clear();
    rebuildFilter();
    endResetModel();
}

void DataTableModel::setShowInvisibles(bool on)
{
    if (on == m_showInvisibles)
        return;
    m_showInvisibles = on;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(
            index(0, 0), index(rowCount() - 1, columnCount() - 1), { Qt::DisplayRole });
}

namespace {

// Positions of the rows that keeps() takes, the table split between the two
// threads (each part in order, so the rows stay in order).
template <class Keeps>
QVector<int> rowsWhere(int rows, const Keeps& keeps, const std::atomic<bool>& cancel)
{
    auto part = [&](int begin, int end) {
        QVector<int> found;
        for (int r = begin; r < end; ++r) {
            if ((r & 0xFFF) == 0 && cancel)
                break;
            if (keeps(r))
                found.append(r);
        }
        return found;
    };
    QVector<int> first;
    QVector<int> later;
    Parallel::both(
        Parallel::worthSplitting(rows), [&] { first = part(0, rows / 2); },
        [&] { later = part(rows / 2, rows); });
    return first + later;
}

bool columnContains(
    const Dataset& data, int column, const QString& text, const std::atomic<bool>& cancel)
{
    for (int r = 0; r < data.rowCount(); ++r) {
        if ((r & 0xFFF) == 0 && cancel)
            return false;
        if (data.value(r, column).contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

DataTableModel::Shown DataTableModel::shownBy(
    const Dataset& data, int mode, const QString& text, const std::atomic<bool>& cancel)
{
    Shown shown;
    if (mode == FilterRowData) {
        shown.rows = rowsWhere(
            data.rowCount(), [&](int r) { return data.rowContains(r, text, Qt::CaseInsensitive); },
            cancel);
        return shown;
    }
    for (int c = 0; c < data.columnCount(); ++c) {
        const bool match = mode == FilterColumnData
            ? columnContains(data, c, text, cancel)
            : data.columnName(c).contains(text, Qt::CaseInsensitive);
        if (match)
            shown.columns.append(c);
    }
    return shown;
}

DataTableModel::Shown DataTableModel::arrange(
    const Dataset& data, const Arrangement& arrangement, const std::atomic<bool>& cancel)
{
    Shown shown;
    if (data.isValidColumn(arrangement.valueColumn)) {
        const int column = arrangement.valueColumn;
        shown.rows = rowsWhere(
            data.rowCount(), [&](int r) { return arrangement.test(data.value(r, column)); },
            cancel);
        shown.rowsMapped = true;
    } else if (!arrangement.text.isEmpty()) {
        shown = shownBy(data, arrangement.mode, arrangement.text, cancel);
        shown.rowsMapped = arrangement.mode == FilterRowData;
        shown.columnsMapped = !shown.rowsMapped;
    }
    if (!data.isValidColumn(arrangement.sortColumn))
        return shown;
    const int key = arrangement.sortColumn + 1;
    DatasetSorter sorter(data, { arrangement.descending ? -key : key });
    if (!sorter.sort([&cancel](int, int) { return !cancel; }))
        return shown;
    QVector<int> order = sorter.order();
    if (shown.rowsMapped) {
        // Sorted, then only the rows the filter kept, in their sorted places.
        QVector<char> kept(data.rowCount(), 0);
        for (int r : qAsConst(shown.rows))
            kept[r] = 1;
        order.erase(std::remove_if(order.begin(), order.end(), [&kept](int r) { return !kept[r]; }),
            order.end());
    }
    shown.rows = std::move(order);
    shown.rowsMapped = true;
    return shown;
}

DataTableModel::Arrangement DataTableModel::arrangement() const
{
    return { m_filterMode, m_filterText, m_sortColumn, m_sortOrder == Qt::DescendingOrder,
        m_valueColumn, m_valueTest };
}

void DataTableModel::show(Shown&& shown)
{
    m_rowsFiltered = shown.rowsMapped;
    m_columnsFiltered = shown.columnsMapped;
    m_rows = std::move(shown.rows);
    m_columns = std::move(shown.columns);
}

void DataTableModel::sort(int column, Qt::SortOrder order)
{
    const int source = column < 0 ? -1 : sourceColumn(column);
    if (source == m_sortColumn && order == m_sortOrder)
        return;
    beginResetModel();
    m_sortColumn = source;
    m_sortOrder = order;
    rebuildFilter();
    endResetModel();
}

void DataTableModel::rebuildFilter()
{
    stopFiltering();
    show(Shown());
    if (m_tooBig || (m_filterText.isEmpty() && m_sortColumn < 0 && m_valueColumn < 0))
        return;
    const qint64 cells = qint64(m_dataset.rowCount()) * m_dataset.columnCount();
    const bool readsValues = m_sortColumn >= 0 || m_valueColumn >= 0
        || (!m_filterText.isEmpty() && m_filterMode != FilterColumnName);
    if (readsValues && cells > BackgroundCells) {
        filterInBackground();
        return;
    }
    show(arrange(m_dataset, arrangement(), m_cancel));
}

void DataTableModel::filterInBackground()
{
    // The worker keeps its own shared copy of the dataset: a new run may
    // replace the grid's while it reads.
    m_worker = std::thread(
        [this, generation = m_filterGeneration, data = m_dataset, arrangement = arrangement()] {
            Shown shown = arrange(data, arrangement, m_cancel);
            if (m_cancel)
                return;
            // Posted to the grid's thread; dropped with the model if it is gone.
            QMetaObject::invokeMethod(
                this,
                [this, generation, shown = std::move(shown)]() mutable {
                    if (generation != m_filterGeneration)
                        return;
                    m_worker.join();
                    beginResetModel();
                    show(std::move(shown));
                    endResetModel();
                    emit filterApplied();
                },
                Qt::QueuedConnection);
        });
}

void DataTableModel::stopFiltering()
{
    // A result still on its way belongs to an older filter from now on.
    ++m_filterGeneration;
    if (!m_worker.joinable())
        return;
    m_cancel = true;
    m_worker.join();
    m_cancel = false;
}

int DataTableModel::sourceRow(int row) const
{
    return m_rowsFiltered ? m_rows.value(row, -1) : row;
}

int DataTableModel::sourceColumn(int column) const
{
    return m_columnsFiltered ? m_columns.value(column, -1) : column;
}

int DataTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_tooBig)
        return 0;
    return m_rowsFiltered ? m_rows.size() : m_dataset.rowCount();
}

int DataTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_tooBig)
        return 0;
    return m_columnsFiltered ? m_columns.size() : m_dataset.columnCount();
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = sourceRow(index.row());
    const int column = sourceColumn(index.column());
    if (!m_dataset.isValidRow(row) || !m_dataset.isValidColumn(column))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QString& value = m_dataset.value(row, column);
        return m_showInvisibles ? ::showInvisibles(value) : QVariant(value);
    }
    case Qt::TextAlignmentRole: {
        // Numbers line up by their last digit, as in a spreadsheet.
        bool number = false;
        toNumber(m_dataset.value(row, column), false, false, &number);
        return int(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::ToolTipRole: {
        const QVariant verified = verification(row, column, role);
        if (verified.isValid())
            return verified;
        // The column may be too narrow for a long value: the tip shows it whole.
        const QString& value = m_dataset.value(row, column);
        return value.size() > LongValue ? QVariant(value) : QVariant();
    }
    case Qt::BackgroundRole:
        return verification(row, column, role);
    default:
        return QVariant();
    }
}

QVariant DataTableModel::verification(int row, int column, int role) const
{
    const VerificationResults& results = m_dataset.verification();
    if (results.cellStatus.isEmpty())
        return QVariant();
    const CellPos cell { row, column };
    const auto found = results.cellStatus.constFind(cell);
    if (found == results.cellStatus.constEnd())
        return QVariant();
    if (role == Qt::BackgroundRole)
        return m_severityColours[qBound(0, found.value(), 2)];
    return results.cellMessages.value(cell).join(QLatin1Char('\n'));
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    if (orientation == Qt::Vertical) {
        const int row = sourceRow(section);
        return row >= 0 ? QVariant(row + 1) : QVariant();
    }
    const int column = sourceColumn(section);
    if (!m_dataset.isValidColumn(column))
        return QVariant();
    const QString name = m_dataset.columnName(column);
    if (role == Qt::ToolTipRole)
        return tr("Column %1: %2").arg(column + 1).arg(name);
    return m_showInvisibles ? ::showInvisibles(name) : name;
}
