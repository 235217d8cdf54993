#pragma once

#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>
#include <QVariantMap>
#include <QVector>

class GraphScene;
class Node;

// Copied items held by the running program: each item's kind, position,
// name, comment and options, and the connections among the copied items.
// Pasting makes new items with fresh ids.
class ItemClipboard
{
public:
    struct Item
    {
        int kind = 0;
        qint32 id = -1;
        QPointF pos;
        QString name;
        QString comment;
        QVariantMap options;
    };

    static ItemClipboard& instance();

    // Copies the selected items; returns how many were copied.
    int copySelection(const GraphScene& scene);
    bool isEmpty() const { return m_items.isEmpty(); }
    int size() const { return m_items.size(); }
    // Adds the copied items as one undoable change, centred on the given
    // point, selects them and returns them.
    QList<Node*> paste(GraphScene& scene, const QPointF& centre);

private:
    QVector<Item> m_items;
    QVector<QPair<qint32, qint32>> m_connections;
};
