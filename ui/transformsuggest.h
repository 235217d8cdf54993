#pragma once

#include <QString>
#include <QStringList>

// Names of transforms close to what was typed, for a search that matched
// nothing: the best few by edit distance to the name, a word of the name or
// a keyword, best first.
namespace TransformSuggest {

QStringList closestNames(const QString& typed, int count = 3);
// "No transform matches 'x'", with "Did you mean ...?" when there are
// close names.
QString noMatchText(const QString& typed);

} // namespace TransformSuggest
