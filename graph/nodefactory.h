#pragma once

#include <functional>

class Node;

// Makes an empty Node of a kind from its item type code, for rebuilding a
// graph from a snapshot. The kinds of graph/ are known from the start; every
// other kind registers its maker once at start-up.
namespace NodeFactory {

using Maker = std::function<Node*()>;

void registerKind(int itemType, Maker maker);
bool knowsKind(int itemType);
// A new Node of the kind, or null for an unknown kind.
Node* create(int itemType);

} // namespace NodeFactory
