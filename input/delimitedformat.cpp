// Delimited text as an input format: CSV, TSV and any single-character
// delimiter. The parsing itself is in delimitedreader.cpp.

#include "core/optionmap.h"
#include "input/delimitedreader.h"
#include "input/inputformat.h"

namespace {

using namespace OptionMap;

class DelimitedFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeDelimited; }
    bool usesIgnoredRows() const override { return true; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        DelimitedReadOptions::from(options).store(stored);
    }

    void restoreOptions(const QVariantMap& stored, QVariantMap* options) const override
    {
        DelimitedReadOptions::from(stored, DelimiterComma).store(options);
    }

    SummaryRows optionSummary(const ReadOptions& options) const override
    {
        const DelimitedReadOptions o = DelimitedReadOptions::from(options.formatOptions);
        QString delimiter = delimiterLabel(o.delimiter);
        if (o.delimiter == DelimiterCustom)
            delimiter += QStringLiteral(" (%1)").arg(
                delimiterCharacter(o.delimiter, options.customDelimiter));
        return SummaryRows { qMakePair(QStringLiteral("Delimiter"), delimiter),
            qMakePair(QStringLiteral("Ignore repeated delim"), yesNo(o.ignoreRepeatedDelimiters)),
            qMakePair(QStringLiteral("Quoting"), quotingLabel(o.quoting)) }
        + InputFormat::optionSummary(options);
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
