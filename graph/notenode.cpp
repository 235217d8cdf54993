#include "graph/notenode.h"

QString NoteNode::displayName() const
{
    return name().isEmpty() ? QStringLiteral("Note") : name();
}

void NoteNode::process(bool processDownstream, bool force)
{
    Q_UNUSED(processDownstream)
    Q_UNUSED(force)
}
