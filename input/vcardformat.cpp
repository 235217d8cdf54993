// vCard input: one row per card, one column per property name. The name
// keeps its parameters (TEL;TYPE=CELL and TEL;TYPE=WORK are two columns), so
// that no value is lost when a card has several of a kind.

#include "input/inputformat.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <QHash>
#include <QRegularExpression>

namespace {

constexpr qint64 ProgressLines = 100;

struct Cards
{
    QStringList names;
    QHash<QString, int> columns;
    QVector<QStringList> rows;
    int begins = 0;
    int ends = 0;
};

bool isLine(QStringView line, QLatin1String text)
{
    return line.trimmed().compare(text, Qt::CaseInsensitive) == 0;
}

// A finished card becomes a row; its new property names become columns
// only now, so that a card without an end adds none.
void addCard(
    const QVector<QPair<QString, QString>>& properties, const ReadOptions& options, Cards* cards)
{
    QStringList row;
    for (const auto& property : properties) {
        auto it = cards->columns.constFind(property.first);
        if (it == cards->columns.constEnd()) {
            it = cards->columns.insert(property.first, cards->names.size());
            cards->names.append(property.first);
        }
        while (row.size() <= *it)
            row.append(QString());
        row[*it] = property.second;
    }
    const bool empty
        = std::all_of(row.cbegin(), row.cend(), [](const QString& v) { return v.isEmpty(); });
    if (!(empty && options.ignoreEmptyRows))
        cards->rows.append(row);
}

// False when stopped.
bool readCards(
    const QString& unfolded, const ReadOptions& options, const ReadProgress& progress, Cards* cards)
{
    const QVector<QStringRef> lines = unfolded.splitRef(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ProgressTracker tracker(progress, lines.size(), ProgressLines);
    bool inCard = false;
    QVector<QPair<QString, QString>> properties;
    qint64 lineNumber = 0;
    for (const QStringRef& ref : lines) {
        if (!tracker.at(++lineNumber))
            return false;
        const QStringView line(ref.constData(), ref.size());
        if (isLine(line, QLatin1String("BEGIN:VCARD"))) {
            ++cards->begins;
            inCard = true;
            properties.clear();
            continue;
        }
        if (isLine(line, QLatin1String("END:VCARD"))) {
            ++cards->ends;
            if (inCard)
                addCard(properties, options, cards);
            inCard = false;
            continue;
        }
        const int colon = line.indexOf(QLatin1Char(':'));
        if (!inCard || colon < 0)
            continue;
        const QString name = line.left(colon).trimmed().toString();
        if (name.compare(QLatin1String("VERSION"), Qt::CaseInsensitive) == 0)
            continue;
        properties.append(qMakePair(name,
            cleanValue(line.mid(colon + 1).toString(), options.trimWhitespace,
                options.simplifyWhitespace)));
    }
    return true;
}

class VCardFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeVCard; }
    bool namesColumns() const override { return true; }
    bool recognises(QStringView start) const override
    {
        return start.startsWith(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive);
    }
    bool usesIgnoredRows() const override { return true; }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return guardMemory(source, result, [&] {
            QString text = source.readAll();
            if (source.hasReadError()) {
                result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
                return false;
            }
            addDecodingWarnings(source, result);
            // A line break (CR LF, LF or a lone CR) followed by a space or a
            // tab continues the line.
            static const QRegularExpression fold(QStringLiteral("(?:\\r\\n|\\r|\\n)[ \\t]"));
            text.remove(fold);
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            Cards cards;
            if (!readCards(text, options, progress, &cards)) {
                result->stopped = true;
                result->fail(QStringLiteral("Stopped by user"));
                return false;
            }
            if (cards.begins != cards.ends)
                result->warnings.append(
                    QStringLiteral("vCard parsing error: %1 'BEGIN:VCARD' and %2 'END:VCARD'")
                        .arg(cards.begins)
                        .arg(cards.ends));
            if (cards.rows.isEmpty())
                return true;
            Dataset& data = result->dataset;
            data.setColumnCount(cards.names.size());
            data.appendRow(cards.names);
            for (const QStringList& row : qAsConst(cards.rows))
                data.appendRow(row);
            return true;
        });
    }
};

} // namespace

const InputFormat& vCardInputFormat()
{
    static const VCardFormat format;
    return format;
}
