#include "transforms/other/transformclone.h"

#include "core/dataset.h"
#include "core/tablesource.h"

QSet<QString> TransformClone::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("passthrough") << QStringLiteral("pass") << QStringLiteral("through")
          << QStringLiteral("branch") << QStringLiteral("same");
    return words;
}

void TransformClone::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream))
        return;
    // The copy shares all storage with the upstream dataset.
    output = upstream.first()->dataset();
    setSummary(QStringLiteral("Cloned"));
}
