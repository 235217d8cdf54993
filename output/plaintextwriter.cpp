// Plain text output: the values of each row run together on one line.
#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

TextWriteResult writePlainText(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress)
{
    TextWriteResult result;
    TextSink sink(stream, options.lineEnding);
    if (options.writeHeader) {
        for (const QString& name : data.columnNames())
            sink << name;
        sink.endLine();
    }
    RowProgress rowProgress(progress, data.rowCount());
    RowReader row(data);
    for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
        row.setRow(r);
        for (int c = 0; c < row.size(); ++c)
            sink << row.at(c);
        sink.endLine();
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

namespace {

class PlainTextFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypePlainText; }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writePlainText(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& plainTextOutputFormat()
{
    static const PlainTextFormat format;
    return format;
}
