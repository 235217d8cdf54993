#include "transforms/column/transformsplitname.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/examples.h"

#include <QSet>

// Name rules are written out here rather than taken from a library: Debian
// offers none for C++, and the rules users expect (which words are titles,
// suffixes and particles) are short lists.

namespace {

const QString Column = QStringLiteral("Column");
const char* const PartKeys[] = { "Title", "First", "Middle", "Last", "Suffix" };
const char* const PartLabels[] = { "title", "first name", "middle name", "last name", "suffix" };
const char* const PartNames[] = { "Title", "First name", "Middle name", "Last name", "Suffix" };

// Compared in lower case without a trailing full stop.
QString bare(const QString& word)
{
    QString w = word.toLower();
    while (w.endsWith(QLatin1Char('.')) || w.endsWith(QLatin1Char(',')))
        w.chop(1);
    return w;
}

bool isTitle(const QString& word)
{
    static const QSet<QString> titles = { "mr", "mrs", "ms", "miss", "mx", "dr", "prof",
        "professor", "sir", "dame", "lord", "lady", "rev", "revd", "fr", "capt", "col", "gen", "lt",
        "sgt", "hon", "judge", "mme", "mlle", "herr", "frau" };
    return titles.contains(bare(word));
}

bool isSuffix(const QString& word)
{
    static const QSet<QString> suffixes
        = { "jr", "sr", "ii", "iii", "iv", "v", "phd", "md", "dds", "esq", "mba", "cpa", "obe",
              "mbe", "cbe", "kbe", "qc", "kc", "jnr", "snr", "ph.d", "m.d", "rn", "dvm" };
    return suffixes.contains(bare(word));
}

bool isParticle(const QString& word)
{
    static const QSet<QString> particles = { "van", "von", "de", "da", "del", "della", "di", "le",
        "la", "der", "den", "du", "dos", "das", "do", "ter", "ten", "st", "st.", "bin", "ibn", "al",
        "mac", "af", "mc", "o'", "d'", "l'" };
    return particles.contains(word.toLower());
}

// Letters, spaces, full stops, commas, hyphens and apostrophes only.
bool looksLikeName(const QString& text)
{
    for (const QChar c : text) {
        if (!(c.isLetter() || c.isSpace() || c.isMark() || c == QLatin1Char('.')
                || c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('\'')
                || c == QChar(0x2019)))
            return false;
    }
    return true;
}

QStringList words(const QString& text)
{
    return text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Titles from the front and suffixes from the back of the words.
void takeTitlesAndSuffixes(QStringList& w, TransformSplitName::Name& name)
{
    QStringList titles;
    while (w.size() > 1 && isTitle(w.first()))
        titles << w.takeFirst();
    QStringList suffixes;
    while (w.size() > 1 && isSuffix(w.last()))
        suffixes.prepend(w.takeLast());
    name.parts[TransformSplitName::Title] = titles.join(QLatin1Char(' '));
    name.parts[TransformSplitName::Suffix] = suffixes.join(QLatin1Char(' '));
}

void firstMiddleLast(const QStringList& w, TransformSplitName::Name& name)
{
    if (w.isEmpty())
        return;
    if (w.size() == 1) {
        // "Dr Smith" is addressed by the last name; "Cher" is a first name.
        const bool titled = !name.parts[TransformSplitName::Title].isEmpty();
        name.parts[titled ? TransformSplitName::Last : TransformSplitName::First] = w.first();
        return;
    }
    // The last name starts at the first particle after the first name, or
    // is the last word.
    int last = w.size() - 1;
    for (int i = 1; i < w.size() - 1; ++i) {
        if (isParticle(w.at(i))) {
            last = i;
            break;
        }
    }
    name.parts[TransformSplitName::First] = w.first();
    name.parts[TransformSplitName::Middle] = w.mid(1, last - 1).join(QLatin1Char(' '));
    name.parts[TransformSplitName::Last] = w.mid(last).join(QLatin1Char(' '));
}

} // namespace

TransformSplitName::Name TransformSplitName::parse(const QString& text)
{
    Name name;
    const QString trimmed = text.simplified();
    if (trimmed.isEmpty())
        return name;
    if (!looksLikeName(trimmed) || trimmed.count(QLatin1Char(',')) > 2) {
        name.readable = false;
        return name;
    }
    QStringList pieces = trimmed.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& p : pieces)
        p = p.trimmed();
    // "John Smith, Jr." and "John Smith, PhD": the comma sets off a suffix.
    QString commaSuffix;
    if (pieces.size() >= 2) {
        const QStringList tail = words(pieces.last());
        bool allSuffixes = !tail.isEmpty();
        for (const QString& w : tail)
            allSuffixes = allSuffixes && isSuffix(w);
        if (allSuffixes)
            commaSuffix = pieces.takeLast();
    }
    if (pieces.size() > 2 || pieces.isEmpty()) {
        name.readable = false;
        return name;
    }
    if (pieces.size() == 2) {
        // "Last, First Middle"
        QStringList rest = words(pieces.at(1));
        takeTitlesAndSuffixes(rest, name);
        QStringList lastWords = words(pieces.at(0));
        QStringList lastSuffixes;
        while (lastWords.size() > 1 && isSuffix(lastWords.last()))
            lastSuffixes.prepend(lastWords.takeLast());
        name.parts[Last] = lastWords.join(QLatin1Char(' '));
        name.parts[First] = rest.value(0);
        name.parts[Middle] = rest.mid(1).join(QLatin1Char(' '));
        QStringList suffixes = lastSuffixes;
        if (!name.parts[Suffix].isEmpty())
            suffixes << name.parts[Suffix];
        name.parts[Suffix] = suffixes.join(QLatin1Char(' '));
    } else {
        QStringList w = words(pieces.first());
        takeTitlesAndSuffixes(w, name);
        firstMiddleLast(w, name);
    }
    if (!commaSuffix.isEmpty())
        name.parts[Suffix] = name.parts[Suffix].isEmpty()
            ? commaSuffix
            : name.parts[Suffix] + QLatin1Char(' ') + commaSuffix;
    if (name.parts[First].isEmpty() && name.parts[Last].isEmpty())
        name.readable = false;
    return name;
}

QSet<QString> TransformSplitName::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w :
        { "names", "person", "people", "title", "suffix", "middle", "given", "family", "parse" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSplitName::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::SingleColumn, Column, QStringLiteral("Column"))
        ->setTooltip(QStringLiteral("The column holding the names, as \"Dr John A. Smith Jr\" or "
                                    "\"Smith, John A.\"."));
    for (int p = 0; p < PartCount; ++p)
        addParameter(ParameterType::Bool, QString::fromLatin1(PartKeys[p]),
            QString::fromLatin1(PartLabels[p]), true)
            ->setTooltip(QStringLiteral("Check to add a column \"%1\" after the name column.")
                             .arg(QString::fromLatin1(PartNames[p])));
}

void TransformSplitName::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Column", "Title", "First", "Middle", "Last", "Suffix" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int column = columnIndex(Column);
    QVector<int> parts;
    for (int p = 0; p < PartCount; ++p) {
        if (boolParameter(QString::fromLatin1(PartKeys[p])))
            parts << p;
    }
    if (!input.isValidColumn(column) || parts.isEmpty()) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // The new columns need names, so a table without a header gets one.
    if (!output.hasHeader())
        output.setHeader(output.columnNames());
    for (int i = parts.size() - 1; i >= 0; --i)
        output.insertColumn(column + 1, QString::fromLatin1(PartNames[parts.at(i)]));

    ExampleList unreadable;
    int split = 0;
    for (int r = 0; r < input.rowCount(); ++r) {
        if (!reportProgress(r, input.rowCount()))
            return;
        const Name name = parse(input.value(r, column));
        if (!name.readable) {
            unreadable.add(input.value(r, column));
            continue;
        }
        for (int i = 0; i < parts.size(); ++i)
            output.setValue(r, column + 1 + i, name.parts[parts.at(i)]);
        if (!name.parts[First].isEmpty() || !name.parts[Last].isEmpty())
            ++split;
    }
    setSummary(countText(split, QStringLiteral("name"), QStringLiteral("names"))
        + QStringLiteral(" split"));
    if (!unreadable.isEmpty())
        addWarning(QStringLiteral("%1 not read as a person's name: %2")
                       .arg(countText(unreadable.count(), QStringLiteral("value"),
                                QStringLiteral("values")),
                           unreadable.text()));
}
