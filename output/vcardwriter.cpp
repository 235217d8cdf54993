// vCard output: one card of "name:value" lines per row.
#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

namespace {

QString vCardValue(const QString& value)
{
    QString text = value.trimmed();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char(':'), QLatin1String("\\:"));
    return text;
}

const QString& cell(const RowReader& row, int column)
{
    static const QString empty;
    return column < row.size() ? row.at(column) : empty;
}

} // namespace

TextWriteResult writeVCard(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress)
{
    TextWriteResult result;
    TextSink sink(stream, options.lineEnding);
    const QStringList names = outputColumnNames(data);
    RowProgress rowProgress(progress, data.rowCount());
    RowReader row(data);
    for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
        row.setRow(r);
        sink << QLatin1String("BEGIN:VCARD");
        sink.endLine();
        sink << QLatin1String("VERSION:3.0");
        sink.endLine();
        for (int c = 0; c < names.size(); ++c) {
            sink << names.at(c) << QLatin1Char(':') << vCardValue(cell(row, c));
            sink.endLine();
        }
        sink << QLatin1String("END:VCARD");
        sink.endLine();
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

namespace {

class VCardFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeVCard; }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeVCard(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& vCardOutputFormat()
{
    static const VCardFormat format;
    return format;
}
