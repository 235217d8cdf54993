#include "transforms/catalogue.h"

#include "transforms/transform.h"

#include <QHash>

#include <algorithm>

const TransformTypeInfo* transformTypeInfo(const QString& typeKey)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> map;
        const QVector<TransformTypeInfo>& table = transformTypeTable();
        for (int i = 0; i < table.size(); ++i)
            map.insert(QString::fromLatin1(table.at(i).typeKey), i);
        return map;
    }();
    const int row = index.value(typeKey, -1);
    return row < 0 ? nullptr : &transformTypeTable().at(row);
}

QString retiredTransformHint(const QString& typeKey)
{
    if (typeKey == QLatin1String("Replace"))
        return QStringLiteral(" - use the newer 'Replace' transform.");
    if (typeKey == QLatin1String("Trim"))
        return QStringLiteral(" - use the newer 'Whitespace' transform.");
    if (typeKey == QLatin1String("Rename"))
        return QStringLiteral(" - use the newer 'Rename' transform.");
    return QString();
}

Catalogue& Catalogue::instance()
{
    static Catalogue* catalogue = [] {
        auto* c = new Catalogue;
        registerTransformTypes(*c);
        return c;
    }();
    return *catalogue;
}

Catalogue::~Catalogue()
{
    qDeleteAll(m_prototypes);
}

void Catalogue::add(Transform* prototype)
{
    if (!prototype)
        return;
    for (int i = 0; i < m_prototypes.size(); ++i) {
        if (m_prototypes.at(i)->typeKey() == prototype->typeKey())
            delete m_prototypes.takeAt(i);
    }
    prototype->defineParameters({}, false);
    // Sorted by the lower-case display name, so that "Concat Cols" comes
    // before "Concat Rows" and "DateTime Format" before "Decode".
    const QString name = prototype->displayName().toLower();
    auto at = std::upper_bound(m_prototypes.begin(), m_prototypes.end(), name,
        [](const QString& n, const Transform* t) { return n < t->displayName().toLower(); });
    m_prototypes.insert(at, prototype);
}

Transform* Catalogue::create(const QString& typeKey) const
{
    const Transform* p = prototype(typeKey);
    return p ? p->clone() : nullptr;
}

const Transform* Catalogue::prototype(const QString& typeKey) const
{
    for (const Transform* t : m_prototypes) {
        if (t->typeKey() == typeKey)
            return t;
    }
    return nullptr;
}

QStringList Catalogue::missingTypeKeys() const
{
    QStringList missing;
    for (const TransformTypeInfo& info : transformTypeTable()) {
        const QString key = QString::fromLatin1(info.typeKey);
        if (!prototype(key))
            missing.append(key);
    }
    return missing;
}

QStringList Catalogue::categoryEntries()
{
    return { QStringLiteral("&All"), QStringLiteral("&Merge"), QStringLiteral("&Column"),
        QStringLiteral("&Row"), QStringLiteral("&Format"), QStringLiteral("Anal&ysis"),
        QStringLiteral("&Other") };
}

bool Catalogue::inCategory(const Transform& transform, int entry)
{
    return entry == 0 || transform.category() == entry;
}

QStringList Catalogue::searchWords(const QString& text)
{
    QString cleaned = text.trimmed().toLower();
    cleaned.replace(QLatin1Char(','), QLatin1Char(' '));
    cleaned.replace(QLatin1Char('-'), QLatin1Char(' '));
    return cleaned.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool Catalogue::filtersByKeywords(const QStringList& words)
{
    return !(words.isEmpty() || (words.size() == 1 && words.first().size() < 2));
}

int Catalogue::score(const QStringList& words, const QSet<QString>& keywords)
{
    int matched = 0;
    for (const QString& word : words) {
        for (const QString& keyword : keywords) {
            if (keyword.startsWith(word)) {
                ++matched;
                break;
            }
        }
    }
    return matched;
}

QList<const Transform*> Catalogue::visible(
    int categoryEntry, bool showAdvanced, const QString& searchText) const
{
    QList<const Transform*> shown;
    for (const Transform* t : m_prototypes) {
        if (inCategory(*t, categoryEntry) && (showAdvanced || !t->isAdvanced()))
            shown.append(t);
    }
    const QStringList words = searchWords(searchText);
    if (!filtersByKeywords(words))
        return shown;
    // Only the best-matching types stay; a search matching nothing hides all.
    QVector<int> scores;
    int best = 1;
    for (const Transform* t : shown) {
        scores.append(score(words, t->keywords()));
        best = std::max(best, scores.last());
    }
    QList<const Transform*> result;
    for (int i = 0; i < shown.size(); ++i) {
        if (scores.at(i) >= best)
            result.append(shown.at(i));
    }
    return result;
}
