#include "graph/missingupstream.h"

#include "graph/node.h"

#include <QVariant>

namespace {

// Kept as a property so that every kind of item can carry the notes
// without a field of its own; few documents ever have any.
const char* const NotesProperty = "varnixMissingUpstream";

} // namespace

namespace MissingUpstream {

void add(Node* node, const QString& note)
{
    QStringList list = notes(node);
    if (!list.contains(note)) {
        list << note;
        node->setProperty(NotesProperty, list);
    }
}

QStringList notes(const Node* node)
{
    return node ? node->property(NotesProperty).toStringList() : QStringList();
}

void clear(Node* node)
{
    if (node && node->property(NotesProperty).isValid())
        node->setProperty(NotesProperty, QVariant());
}

} // namespace MissingUpstream
