#include "graph/notenode.h"

const QColor NoteNode::DefaultColour(0xff, 0xf4, 0xb8);

QString NoteNode::displayName() const
{
    return name().isEmpty() ? QStringLiteral("Note") : name();
}

void NoteNode::process(bool processDownstream, bool force)
{
    Q_UNUSED(processDownstream)
    Q_UNUSED(force)
}

void NoteNode::setColour(const QColor& colour)
{
    if (colour.isValid())
        m_colour = colour;
    update();
}

QVariantMap NoteNode::saveOptions() const
{
    return { { QStringLiteral("color"), m_colour }, { QStringLiteral("arrow"), m_arrow } };
}

void NoteNode::restoreOptions(const QVariantMap& options)
{
    setColour(options.value(QStringLiteral("color"), DefaultColour).value<QColor>());
    m_arrow = options.value(QStringLiteral("arrow"), 0).toInt();
}
