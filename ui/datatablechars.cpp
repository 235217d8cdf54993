#include "ui/datatablechars.h"

#include "core/dataset.h"
#include "core/values.h"

#include <QHash>

#include <algorithm>

CharacterFrequencyModel::CharacterFrequencyModel(QObject* parent) : QAbstractTableModel(parent)
{
}

QVector<CharacterFrequencyModel::Entry> CharacterFrequencyModel::count(const Dataset& dataset)
{
    QHash<uint, qint64> counts;
    for (int r = 0; r < dataset.rowCount(); ++r) {
        for (int c = 0; c < dataset.columnCount(); ++c) {
            const QVector<uint> codes = dataset.value(r, c).toUcs4();
            for (uint code : codes)
                ++counts[code];
        }
    }
    QVector<Entry> entries;
    entries.reserve(counts.size());
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        entries.append({ it.key(), it.value() });
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.count != b.count ? a.count > b.count : a.codePoint < b.codePoint;
    });
    return entries;
}

void CharacterFrequencyModel::setDataset(const Dataset& dataset)
{
    beginResetModel();
    m_entries = count(dataset);
    m_total = 0;
    for (const Entry& e : m_entries)
        m_total += e.count;
    endResetModel();
}

int CharacterFrequencyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int CharacterFrequencyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant CharacterFrequencyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const Entry& e = m_entries.at(index.row());
    if (role == Qt::TextAlignmentRole && index.column() >= 2)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case 0:
        return showInvisibles(QString::fromUcs4(&e.codePoint, 1));
    case 1:
        return QStringLiteral("U+%1").arg(e.codePoint, 4, 16, QLatin1Char('0')).toUpper();
    case 2:
        return formatInteger(e.count);
    default:
        return m_total > 0 ? formatPercent(double(e.count) / double(m_total)) : QString();
    }
}

QVariant CharacterFrequencyModel::headerData(
    int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case 0:
        return tr("Character");
    case 1:
        return tr("Code");
    case 2:
        return tr("Count");
    default:
        return tr("Percent");
    }
}
