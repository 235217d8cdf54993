#include "input/fixedwidthformat.h"

#include "core/optionmap.h"
#include "input/inputformat.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <algorithm>

namespace {

using namespace OptionMap;

const QString KeyAutomatic = QStringLiteral("auto_fixed_widths");
const QString KeyWidths = QStringLiteral("fixed_widths");
constexpr int PreviewLines = 50;
constexpr qint64 ProgressLines = 1000;

bool isBlankLike(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\t':
    case '_':
    case '-':
    case '\'':
    case 0x2019:
        return true;
    default:
        return false;
    }
}

// Which positions are blank-like in every line of a group.
QVector<bool> groupGaps(const QStringList& lines, int from, int to, int length)
{
    QVector<bool> blank(length, true);
    for (int i = from; i < to; ++i) {
        const QString& line = lines.at(i);
        for (int p = 0; p < line.size() && p < length; ++p) {
            if (!isBlankLike(line.at(p)))
                blank[p] = false;
        }
    }
    return blank;
}

QStringList sampleLines(const QStringList& lines)
{
    QStringList sample;
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            sample.append(line);
    }
    if (sample.size() > 20) {
        const int keep = qMin(200, sample.size() * 9 / 10);
        sample.erase(sample.begin() + keep, sample.end());
    }
    return sample;
}

} // namespace

FixedWidthReadOptions FixedWidthReadOptions::from(const QVariantMap& map)
{
    FixedWidthReadOptions o;
    o.automatic = OptionMap::readBool(map, KeyAutomatic, true);
    o.widths = OptionMap::readIntList(map, KeyWidths);
    return o;
}

void FixedWidthReadOptions::store(QVariantMap* map) const
{
    map->insert(KeyAutomatic, int(automatic));
    map->insert(KeyWidths, OptionMap::intListText(widths));
}

QVector<int> detectFixedWidths(const QStringList& lines)
{
    const QStringList sample = sampleLines(lines);
    if (sample.isEmpty())
        return {};
    int length = 0;
    for (const QString& line : sample)
        length = qMax(length, line.size());
    const int n = sample.size();
    const int groups = qMin(n, n <= 10 ? 2 : n <= 50 ? 5 : 10);
    // A position separates columns when more than half of the groups have
    // nothing but blanks there: a value that runs across a gap in a few
    // lines is outvoted by the rest, and a space inside the values of one
    // group does not split a column that the other groups fill.
    QVector<int> votes(length, 0);
    for (int g = 0; g < groups; ++g) {
        const QVector<bool> gaps = groupGaps(sample, g * n / groups, (g + 1) * n / groups, length);
        for (int p = 0; p < length; ++p)
            votes[p] += gaps.at(p) ? 1 : 0;
    }
    const auto isGap = [&](int p) { return votes.at(p) * 2 > groups; };
    QVector<int> boundaries;
    bool seenText = false;
    for (int p = 0; p < length; ++p) {
        if (isGap(p))
            continue;
        if (seenText && isGap(p - 1))
            boundaries.append(p);
        seenText = true;
    }
    QVector<int> widths;
    int start = 0;
    for (int b : qAsConst(boundaries)) {
        if (b > start)
            widths.append(b - start);
        start = qMax(start, b);
    }
    widths.append(qMax(1, length - start));
    return widths;
}

namespace {

QStringList cutLine(QStringView line, const QVector<int>& widths, const ReadOptions& options)
{
    QStringList values;
    qint64 at = 0;
    for (int width : widths) {
        if (at >= line.size())
            break;
        // Widths come from documents as they were written: one below 1 cuts
        // an empty piece and one past the line takes the rest of it, never
        // reading outside the line.
        const int take = int(std::min<qint64>(std::max(width, 0), line.size() - at));
        values.append(cleanValue(line.mid(int(at), take).toString(), options.trimWhitespace,
            options.simplifyWhitespace));
        at += take;
    }
    return values;
}

class FixedWidthFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeFixedWidth; }
    bool usesIgnoredRows() const override { return true; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        FixedWidthReadOptions::from(options).store(stored);
    }
    void restoreOptions(const QVariantMap& stored, QVariantMap* options) const override
    {
        FixedWidthReadOptions::from(stored).store(options);
    }
    void keepWorkedOut(const ReadResult& result, QVariantMap* options) const override
    {
        if (result.fixedWidths.isEmpty())
            return;
        FixedWidthReadOptions own = FixedWidthReadOptions::from(*options);
        own.widths = result.fixedWidths;
        own.store(options);
    }
    SummaryRows optionSummary(const ReadOptions& options) const override
    {
        const bool automatic = FixedWidthReadOptions::from(options.formatOptions).automatic;
        return SummaryRows { qMakePair(QStringLiteral("Columns"),
                   automatic ? QStringLiteral("Automatic") : QStringLiteral("Manual")) }
        + InputFormat::optionSummary(options);
    }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return guardMemory(source, result, [&] {
            const QString text = source.readAll();
            if (source.hasReadError()) {
                result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
                return false;
            }
            addDecodingWarnings(source, result);
            return cutLines(text, options, progress, result);
        });
    }

private:
    bool cutLines(const QString& text, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const;
};

bool FixedWidthFormat::cutLines(const QString& text, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result) const
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    const QStringList used = lines.mid(qMax(0, options.ignoredFirstRows));
    const FixedWidthReadOptions own = FixedWidthReadOptions::from(options.formatOptions);
    QVector<int> widths = own.widths;
    if (own.automatic || widths.isEmpty()) {
        widths = detectFixedWidths(used);
        if (own.automatic)
            result->information.append(
                QStringLiteral("Columns=Automatic guesses %1 columns, set 'Columns' option to "
                               "'%2' to change")
                    .arg(widths.size())
                    .arg(QStringLiteral("Manual")));
    }
    result->fixedWidths = widths;
    Dataset& data = result->dataset;
    data.setColumnCount(widths.size());
    ProgressTracker tracker(progress, used.size(), ProgressLines);
    qint64 emptyRows = 0;
    int rows = 0;
    for (int i = 0; i < used.size(); ++i) {
        if (!tracker.at(i + 1)) {
            result->stopped = true;
            result->fail(QStringLiteral("Stopped by user"));
            return false;
        }
        const QStringList values = cutLine(used.at(i), widths, options);
        const bool empty = std::all_of(
            values.cbegin(), values.cend(), [](const QString& v) { return v.isEmpty(); });
        if (empty && options.ignoreEmptyRows) {
            ++emptyRows;
            continue;
        }
        if (rows++ < PreviewLines)
            result->preview.append(used.at(i));
        data.appendRow(values);
    }
    if (rows > PreviewLines)
        result->preview.append(QStringLiteral("(+%1 more rows)").arg(rows - PreviewLines));
    if (emptyRows > 0)
        result->information.append(QStringLiteral("%1 empty row(s) ignored").arg(emptyRows));
    return true;
}

} // namespace

const InputFormat& fixedWidthInputFormat()
{
    static const FixedWidthFormat format;
    return format;
}
