#pragma once

#include <QAbstractTableModel>
#include <QVector>

class Dataset;

// How often each character occurs in the values of a dataset: the
// "Characters" tab. Invisible characters (spaces, tabs, line breaks) are the
// usual culprits of dirty data, so they are shown by a visible stand-in.
class CharacterFrequencyModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Entry
    {
        uint codePoint;
        qint64 count;
    };

    explicit CharacterFrequencyModel(QObject* parent = nullptr);

    // Counts every character of every value; most frequent first, ties by
    // code point.
    static QVector<Entry> count(const Dataset& dataset);
    void setDataset(const Dataset& dataset);
    const QVector<Entry>& entries() const { return m_entries; }
    qint64 total() const { return m_total; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVector<Entry> m_entries;
    qint64 m_total = 0;
};
