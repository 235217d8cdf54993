#pragma once

#include <QHashFunctions>
#include <QVariant>
#include <QVariantList>

// The stable identity of a column: the Node that first produced it and a
// serial within that Node. Column references in transform options resolve by
// identity first, so they survive renaming, moving and re-reading upstream.
struct ColumnId
{
    qint32 node = -1;
    quint32 serial = 0;

    constexpr ColumnId() = default;
    constexpr ColumnId(qint32 nodeId, quint32 serialNumber) : node(nodeId), serial(serialNumber) { }

    bool isValid() const { return !(node == -1 && serial == 0); }
    bool operator==(const ColumnId& other) const
    {
        return node == other.node && serial == other.serial;
    }
    bool operator!=(const ColumnId& other) const { return !(*this == other); }

    // Stored in documents and variants as the list [node, serial]; anything
    // else reads as the invalid identity.
    QVariant toVariant() const { return QVariantList { node, serial }; }
    static ColumnId fromVariant(const QVariant& value)
    {
        if (value.isNull())
            return ColumnId();
        const QVariantList list = value.toList();
        if (list.size() != 2)
            return ColumnId();
        return ColumnId(list.at(0).toInt(), list.at(1).toUInt());
    }
};

inline uint qHash(const ColumnId& id, uint seed = 0)
{
    return ::qHash(id.serial, seed);
}

Q_DECLARE_TYPEINFO(ColumnId, Q_PRIMITIVE_TYPE);
Q_DECLARE_METATYPE(ColumnId)
