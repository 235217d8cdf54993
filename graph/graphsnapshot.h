#pragma once

#include <QPair>
#include <QPointF>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <memory>

class GraphModel;

// One entry of the undo history: the graph without data, able to rebuild
// itself into a scene. The document layer may supply its own form (its
// element tree) through GraphModel::setSnapshotMaker().
class UndoSnapshot
{
public:
    explicit UndoSnapshot(const QString& label) : m_label(label) { }
    virtual ~UndoSnapshot() = default;
    const QString& label() const { return m_label; }
    // Replaces the scene's items with the recorded ones; every rebuilt item
    // starts empty and "Needs updating".
    virtual bool restore(GraphModel& scene) const = 0;

private:
    QString m_label;
};

using SnapshotMaker
    = std::function<std::unique_ptr<UndoSnapshot>(const GraphModel& scene, const QString& label)>;

// The in-memory form: per item its kind, id, position, name, comment and
// options (a transform's parameters as stored texts), and the connections as
// pairs of ids.
class MemorySnapshot : public UndoSnapshot
{
public:
    struct NodeRecord
    {
        int kind = 0;
        qint32 id = -1;
        QPointF pos;
        QString name;
        QString comment;
        QVariantMap options;
    };

    static std::unique_ptr<UndoSnapshot> capture(const GraphModel& scene, const QString& label);
    bool restore(GraphModel& scene) const override;

    const QVector<NodeRecord>& nodes() const { return m_nodes; }
    const QVector<QPair<qint32, qint32>>& connections() const { return m_connections; }

private:
    using UndoSnapshot::UndoSnapshot;

    QVector<NodeRecord> m_nodes;
    QVector<QPair<qint32, qint32>> m_connections;
};
