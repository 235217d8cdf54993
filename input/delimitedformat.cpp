// Delimited text as an input format: CSV, TSV and any single-character
// delimiter. The parsing itself is in delimitedreader.cpp.

#include "graph/optionmap.h"
#include "input/delimitedreader.h"
#include "input/inputformat.h"

namespace {

using namespace OptionMap;

const QString KeyDelimiter = QStringLiteral("delimiter");
const QString KeyQuote = QStringLiteral("quote");
const QString KeyRepeatedDelim = QStringLiteral("ignore_repeated_delim");

class DelimitedFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeDelimited; }
    bool usesIgnoredRows() const override { return true; }

    void saveOptions(const ReadOptions& o, QVariantMap* map) const override
    {
        map->insert(KeyDelimiter, o.delimiter);
        map->insert(KeyQuote, o.quoting);
        map->insert(KeyRepeatedDelim, int(o.ignoreRepeatedDelimiters));
    }

    void restoreOptions(const QVariantMap& map, ReadOptions* o) const override
    {
        o->delimiter = readInt(
            map, KeyDelimiter, DelimiterComma, DelimiterAutomatic, DelimiterUnitSeparator);
        o->quoting = readInt(map, KeyQuote, QuotingAutomatic, QuotingAutomatic, QuotingUnquoted);
        o->ignoreRepeatedDelimiters = readBool(map, KeyRepeatedDelim, false);
    }

    SummaryRows optionSummary(const ReadOptions& o) const override
    {
        QString delimiter = delimiterLabel(o.delimiter);
        if (o.delimiter == DelimiterCustom)
            delimiter
                += QStringLiteral(" (%1)").arg(delimiterCharacter(o.delimiter, o.customDelimiter));
        return SummaryRows { qMakePair(QStringLiteral("Delimiter"), delimiter),
            qMakePair(QStringLiteral("Ignore repeated delim"), yesNo(o.ignoreRepeatedDelimiters)),
            qMakePair(QStringLiteral("Quoting"), quotingLabel(o.quoting)) }
        + InputFormat::optionSummary(o);
    }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return parseDelimitedText(source, options, progress, result);
    }
};

} // namespace

const InputFormat& delimitedInputFormat()
{
    static const DelimitedFormat format;
    return format;
}
