#include "transforms/format/transformunfill.h"

QString TransformUnfill::description() const
{
    return QStringLiteral("Empty values in selected columns that repeat the value above, below, "
                          "left or right of them.");
}

QSet<QString> TransformUnfill::keywords() const
{
    // Not Fill's words: searching "fill" should not offer both as equals.
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("duplicates") << QStringLiteral("repeats") << QStringLiteral("empty")
          << QStringLiteral("remove") << QStringLiteral("sparse");
    return words;
}
