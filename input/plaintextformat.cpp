// Plain text as an input format: one value per line. The line parser of
// delimited text reads it without splitting (delimitedreader.cpp).

#include "input/delimitedreader.h"
#include "input/inputformat.h"

namespace {

class PlainTextFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypePlainText; }
    bool usesIgnoredRows() const override { return true; }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return parseDelimitedText(source, options, progress, result);
    }
};

} // namespace

const InputFormat& plainTextInputFormat()
{
    static const PlainTextFormat format;
    return format;
}
