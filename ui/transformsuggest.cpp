#include "ui/transformsuggest.h"

#include "transforms/catalogue.h"
#include "transforms/support/closeness.h"
#include "transforms/transform.h"

#include <algorithm>

namespace TransformSuggest {

namespace {

int distanceTo(const QString& typed, const Transform& t)
{
    const int limit = 100;
    QStringList targets { t.displayName().toLower() };
    targets += t.displayName().toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& keyword : t.keywords())
        targets << keyword.toLower();
    int best = limit;
    for (const QString& target : qAsConst(targets)) {
        best = std::min(best, boundedEditDistance(typed, target, limit));
        // "dedu" is close to "dedupe" although three letters are missing.
        if (target.size() > typed.size())
            best = std::min(best, boundedEditDistance(typed, target.left(typed.size()), limit));
    }
    return best;
}

} // namespace

QStringList closestNames(const QString& typed, int count)
{
    const QString wanted = typed.trimmed().toLower();
    if (wanted.isEmpty())
        return {};
    // Beyond this many edits the names have little in common with the text.
    const int allowed = std::max(2, int(wanted.size()) / 2);
    QList<QPair<int, QString>> scored;
    for (const Transform* t : Catalogue::instance().prototypes()) {
        const int d = distanceTo(wanted, *t);
        if (d <= allowed)
            scored.append({ d, t->displayName() });
    }
    std::stable_sort(scored.begin(), scored.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    for (const auto& s : qAsConst(scored)) {
        if (names.size() == count)
            break;
        if (!names.contains(s.second))
            names << s.second;
    }
    return names;
}

QString noMatchText(const QString& typed)
{
    QString text = QStringLiteral("No transform matches '%1'.").arg(typed.trimmed());
    const QStringList names = closestNames(typed);
    if (!names.isEmpty())
        text += QStringLiteral(" Did you mean %1?").arg(names.join(QStringLiteral(", ")));
    return text;
}

} // namespace TransformSuggest
