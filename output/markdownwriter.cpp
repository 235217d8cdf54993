// Markdown output: a pipe table.
#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

namespace {

// Pads to the width with spaces on the right.
template <class Row>
void appendMarkdownLine(TextSink& sink, const Row& values, const QVector<int>& widths)
{
    for (int c = 0; c < widths.size(); ++c) {
        const QString value = c < values.size() ? values.at(c) : QString();
        sink << QLatin1String("| ") << value.leftJustified(widths.at(c), QLatin1Char(' '))
             << QLatin1Char(' ');
    }
    sink << QLatin1Char('|');
    sink.endLine();
}

QVector<int> markdownWidths(const Dataset& data, const QStringList& names, bool withHeader)
{
    QVector<int> widths(data.columnCount(), 3);
    if (withHeader) {
        for (int c = 0; c < widths.size(); ++c)
            widths[c] = qMax(widths.at(c), names.at(c).size());
    }
    const int n = qMin(data.columnCount(), widths.size());
    for (int c = 0; c < n; ++c) {
        const TextColumn& column = data.column(c);
        for (int r = 0; r < data.rowCount(); ++r)
            widths[c] = qMax(widths.at(c), column.length(r));
    }
    return widths;
}

} // namespace

TextWriteResult writeMarkdown(QTextStream& stream, const Dataset& data,
    const TextWriteOptions& options, const WriteProgress& progress)
{
    TextWriteResult result;
    TextSink sink(stream, options.lineEnding);
    if (!options.comment.isEmpty()) {
        sink << QLatin1String("<!--") << htmlEscaped(options.comment) << QLatin1String("-->");
        sink.endLine();
        sink.endLine();
    }
    const QStringList names = outputColumnNames(data);
    const QVector<int> widths = markdownWidths(data, names, options.writeHeader);
    if (options.writeHeader) {
        appendMarkdownLine(sink, names, widths);
        for (const int width : widths)
            sink << QLatin1Char('|') << QString(width + 2, QLatin1Char('-'));
        sink << QLatin1Char('|');
        sink.endLine();
    }
    RowProgress rowProgress(progress, data.rowCount());
    RowReader row(data);
    for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
        row.setRow(r);
        appendMarkdownLine(sink, row, widths);
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

namespace {

class MarkdownFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeMarkdown; }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeMarkdown(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& markdownOutputFormat()
{
    static const MarkdownFormat format;
    return format;
}
