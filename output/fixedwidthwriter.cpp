// Fixed-width output is written as delimited text with the same options:
// readers of fixed-width files cut columns by position, which a delimited
// file cannot promise, so the delimited form is the faithful one.
#include "output/outputformat.h"

const OutputFormat& delimitedOutputFormat();

namespace {

class FixedWidthFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeFixedWidth; }
    OutputSummaryRows leadingSummary(const TextWriteOptions& o) const override
    {
        return delimitedOutputFormat().leadingSummary(o);
    }
    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeDelimitedText(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& fixedWidthOutputFormat()
{
    static const FixedWidthFormat format;
    return format;
}
