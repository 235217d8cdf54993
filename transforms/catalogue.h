#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class Transform;

// What the catalogue knows of a transform type without an instance: one row
// of the type table. Every type, implemented or not, has its row.
struct TransformTypeInfo
{
    int typeNumber;
    const char* displayName;
    const char* typeKey;
    int category;
    int minInputs;
    int maxInputs;
    bool advanced;
    bool typeFlag;
    bool keepsDrilldown;
    const char* keywords; // the type's own search words, space separated
    const char* description; // empty where the type supplies its own
};

// The table of all transform types, in type-number order.
const QVector<TransformTypeInfo>& transformTypeTable();
const TransformTypeInfo* transformTypeInfo(const QString& typeKey);

// Keys of retired types that documents may still name, with the hint shown
// when one is skipped on loading; empty for any other key.
QString retiredTransformHint(const QString& typeKey);

// Every transform type as one prototype, sorted by lower-case display name.
// New transforms are clones of a prototype.
class Catalogue
{
public:
    // The application's catalogue, holding every implemented type.
    static Catalogue& instance();

    Catalogue() = default;
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Takes ownership; defines the prototype's parameters and keeps the list
    // sorted. A second prototype with the same type key replaces the first.
    void add(Transform* prototype);
    Transform* create(const QString& typeKey) const;
    const QList<Transform*>& prototypes() const { return m_prototypes; }
    const Transform* prototype(const QString& typeKey) const;
    // Type keys of the table that have no prototype yet.
    QStringList missingTypeKeys() const;

    // Filter entries: 0 "&All", then the six categories by number.
    static QStringList categoryEntries();
    static bool inCategory(const Transform& transform, int entry);

    // Keyword search: the words typed (lower case, "," and "-" count as
    // spaces); no filtering for no words or a single one-letter word.
    static QStringList searchWords(const QString& text);
    static bool filtersByKeywords(const QStringList& words);
    // How many of the words start at least one of the keywords.
    static int score(const QStringList& words, const QSet<QString>& keywords);
    // The prototypes shown for a category entry, the advanced switch and the
    // search text, in catalogue order.
    QList<const Transform*> visible(
        int categoryEntry, bool showAdvanced, const QString& searchText) const;

private:
    QList<Transform*> m_prototypes;
};

// Adds one prototype of every implemented type (catalogueregistry.cpp).
void registerTransformTypes(Catalogue& catalogue);
