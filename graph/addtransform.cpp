// Placing a new Transform item into the graph from the user's selection.

#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"

namespace {

struct SelectionCounts
{
    int inputs = 0;
    int transforms = 0;
    int outputs = 0;
    int charts = 0;
    int notes = 0;
    int connections = 0;
};

QString countWord(int count, const QString& singular, const QString& plural)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? singular : plural);
}

QString selectionSummary(const SelectionCounts& c)
{
    QStringList parts;
    const QList<QPair<int, QPair<QString, QString>>> kinds
        = { { c.inputs, { QStringLiteral("Input"), QStringLiteral("Inputs") } },
              { c.transforms, { QStringLiteral("Transform"), QStringLiteral("Transforms") } },
              { c.outputs, { QStringLiteral("Output"), QStringLiteral("Outputs") } },
              { c.charts, { QStringLiteral("Chart"), QStringLiteral("Charts") } },
              { c.notes, { QStringLiteral("Note"), QStringLiteral("Notes") } },
              { c.connections, { QStringLiteral("Connection"), QStringLiteral("Connections") } } };
    for (const auto& kind : kinds) {
        if (kind.first > 0)
            parts << countWord(kind.first, kind.second.first, kind.second.second);
    }
    if (parts.isEmpty())
        return QStringLiteral("No items selected.");
    return QStringLiteral("Selected: ") + parts.join(QStringLiteral(", "));
}

QString requirementPhrase(const Transform& t, bool sceneHasTransforms)
{
    const int minimum = t.minInputs();
    const int maximum = t.maxInputs();
    const QString kinds
        = sceneHasTransforms ? QStringLiteral("Input or Transform") : QStringLiteral("Input");
    if (minimum == maximum) {
        return QStringLiteral("just %1 %2 %3")
            .arg(minimum)
            .arg(minimum == 1 ? QStringLiteral("Input, Transform or Connection") : kinds,
                minimum == 1 ? QStringLiteral("item") : QStringLiteral("items"));
    }
    if (maximum == Transform::NoLimit) {
        return QStringLiteral("at least %1 %2 %3")
            .arg(minimum)
            .arg(kinds, minimum == 1 ? QStringLiteral("item") : QStringLiteral("items"));
    }
    return QStringLiteral("%1 to %2 %3 items").arg(minimum).arg(maximum).arg(kinds);
}

} // namespace

QString GraphModel::addTransformProblem(const Transform& transform) const
{
    SelectionCounts c;
    bool sceneHasTransforms = false;
    const QList<Node*> all = nodes();
    for (const Node* n : all) {
        sceneHasTransforms = sceneHasTransforms || n->type() == TransformNodeType;
        if (!n->isSelected())
            continue;
        switch (n->type()) {
        case InputNodeType:
            ++c.inputs;
            break;
        case TransformNodeType:
            ++c.transforms;
            break;
        case OutputNodeType:
            ++c.outputs;
            break;
        case ChartNodeType:
            ++c.charts;
            break;
        case NoteNodeType:
            ++c.notes;
            break;
        default:
            break;
        }
    }
    c.connections = connections(true).size();
    const int upstream = c.inputs + c.transforms;
    bool acceptable = false;
    if (c.notes == 0 && c.outputs == 0 && c.charts == 0) {
        if (c.connections == 1 && upstream == 0)
            acceptable = transform.maxInputs() >= 1;
        else
            acceptable = upstream >= transform.minInputs() && upstream <= transform.maxInputs();
    }
    if (acceptable)
        return QString();
    return selectionSummary(c)
        + QStringLiteral("\nTo add a '%1' transform you need to first select %2 in the Center "
                         "pane.")
              .arg(transform.displayName(), requirementPhrase(transform, sceneHasTransforms));
}

QPointF GraphModel::placeFor(const QList<Node*>& upstream, const Connection* into) const
{
    if (into)
        return (into->startNode()->centre() + into->endNode()->centre()) / 2.0;
    if (upstream.isEmpty())
        return itemsBoundingRect().isEmpty() ? QPointF(0, 0) : itemsBoundingRect().center();
    // Below the lowest upstream item, centred under them all.
    qreal x = 0.0;
    qreal y = upstream.first()->centre().y();
    for (const Node* n : upstream) {
        x += n->centre().x();
        y = std::max(y, n->centre().y());
    }
    return QPointF(x / upstream.size(), y + 100.0);
}

TransformNode* GraphModel::addTransform(Transform* transform)
{
    if (!transform || m_processing || !addTransformProblem(*transform).isEmpty()) {
        delete transform;
        return nullptr;
    }
    QList<Node*> upstream;
    for (Node* n : nodes(true)) {
        if (n->type() == InputNodeType || n->type() == TransformNodeType)
            upstream.append(n);
    }
    const QList<Connection*> selectedConnections = connections(true);
    Connection* into = upstream.isEmpty() && selectedConnections.size() == 1
        ? selectedConnections.first()
        : nullptr;
    const QString name = transform->displayName();
    TransformNode* node = nullptr;
    {
        UndoScope scope(*this, QStringLiteral("add '%1'").arg(name));
        const QPointF place = placeFor(upstream, into);
        clearSelection();
        transform->setUserDefaults(&m_runContext.settings());
        transform->defineParameters(tablesOf(upstream), true);
        node = new TransformNode(transform);
        insertNode(node);
        node->setCentre(place);
        if (into) {
            Node* start = into->startNode();
            Node* end = into->endNode();
            end->setStatus(StatusNeedsUpdating, true);
            delete into;
            insertConnection(start, node);
            insertConnection(node, end);
            if (auto* t = qobject_cast<TransformNode*>(end))
                t->upstreamChanged();
        } else {
            for (Node* n : qAsConst(upstream))
                insertConnection(n, node);
        }
        node->upstreamChanged();
        node->setSelected(true);
    }
    emit nodesAdded();
    emit transformNodeAddedByUser(name);
    if (m_autoRun)
        process(RunUnprocessed, false);
    return node;
}
