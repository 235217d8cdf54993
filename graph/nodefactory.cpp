#include "graph/nodefactory.h"

#include "graph/notenode.h"
#include "graph/transformnode.h"

#include <QHash>

namespace {

QHash<int, NodeFactory::Maker>& makers()
{
    static QHash<int, NodeFactory::Maker> map = {
        { TransformNodeType, [] { return static_cast<Node*>(new TransformNode(nullptr)); } },
        { NoteNodeType, [] { return static_cast<Node*>(new NoteNode); } },
    };
    return map;
}

} // namespace

namespace NodeFactory {

void registerKind(int itemType, Maker maker)
{
    makers().insert(itemType, std::move(maker));
}

bool knowsKind(int itemType)
{
    return makers().contains(itemType);
}

Node* create(int itemType)
{
    const auto it = makers().constFind(itemType);
    return it == makers().constEnd() ? nullptr : (*it)();
}

} // namespace NodeFactory
