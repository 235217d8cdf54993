// HTML output: one table.
#include "core/dataset.h"
#include "core/optionmap.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

namespace {

const QLatin1String HtmlStyleSheet(
    "table,td,th{border:1px solid black;text-align:left;vertical-align:top;border-spacing:0px;"
    "border-color:gray;font-family:Verdana,sans-serif;}th{background-color:#E0E0E0;}"
    "td,th{padding:5px;}");

template <class Row>
void writeHtmlRow(TextSink& sink, const Row& values, QLatin1String cell, bool escape)
{
    sink.indent(4);
    sink << QLatin1String("<tr>");
    sink.endLine();
    for (int i = 0; i < values.size(); ++i) {
        const QString& value = values.at(i);
        sink.indent(5);
        sink << QLatin1Char('<') << cell << QLatin1Char('>')
             << (escape ? htmlEscaped(value) : value) << QLatin1String("</") << cell
             << QLatin1Char('>');
        sink.endLine();
    }
    sink.indent(4);
    sink << QLatin1String("</tr>");
    sink.endLine();
}

void writeHtmlHead(TextSink& sink, const TextWriteOptions& options)
{
    if (!options.comment.isEmpty()) {
        sink << QLatin1String("<!--") << htmlEscaped(options.comment) << QLatin1String("-->");
        sink.endLine();
    }
    const auto line = [&sink](int depth, const QString& text) {
        sink.indent(depth);
        sink << text;
        sink.endLine();
    };
    line(0, QStringLiteral("<!DOCTYPE html>"));
    line(0, QStringLiteral("<html>"));
    line(1, QStringLiteral("<head>"));
    line(2, QStringLiteral("<meta charset=\"%1\"/>").arg(options.encoding));
    sink.indent(2);
    sink << QLatin1String("<title>") << htmlEscaped(options.title) << QLatin1String("</title>");
    sink.endLine();
    sink.indent(2);
    sink << QLatin1String("<style>") << HtmlStyleSheet << QLatin1String("</style>");
    sink.endLine();
    line(1, QStringLiteral("</head>"));
    line(1, QStringLiteral("<body>"));
    line(2, QStringLiteral("<table>"));
    line(3, QStringLiteral("<tbody>"));
}

} // namespace

TextWriteResult writeHtml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress)
{
    TextWriteResult result;
    const bool escape = HtmlWriteOptions::from(options.formatOptions).escapeSpecial;
    TextSink sink(stream, options.lineEnding);
    writeHtmlHead(sink, options);
    if (options.writeHeader)
        writeHtmlRow(sink, data.columnNames(), QLatin1String("th"), escape);

    RowProgress rowProgress(progress, data.rowCount());
    RowReader row(data);
    for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
        row.setRow(r);
        writeHtmlRow(sink, row, QLatin1String("td"), escape);
    }

    const QStringList tail = { QStringLiteral("      </tbody>"), QStringLiteral("    </table>"),
        QStringLiteral("  </body>"), QStringLiteral("</html>") };
    for (const QString& line : tail) {
        sink << line;
        sink.endLine();
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

HtmlWriteOptions HtmlWriteOptions::from(const QVariantMap& map)
{
    HtmlWriteOptions o;
    o.escapeSpecial = OptionMap::readBool(map, QStringLiteral("html_encode"), true);
    return o;
}

void HtmlWriteOptions::store(QVariantMap* map) const
{
    map->insert(QStringLiteral("html_encode"), int(escapeSpecial));
}

namespace {

class HtmlFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeHtml; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        HtmlWriteOptions::from(options).store(stored);
    }
    void restoreOptions(
        const QVariantMap& stored, const QString&, QVariantMap* options) const override
    {
        HtmlWriteOptions::from(stored).store(options);
    }
    OutputSummaryRows trailingSummary(const TextWriteOptions& options) const override
    {
        return { qMakePair(QStringLiteral("Escape special"),
            OptionMap::yesNo(HtmlWriteOptions::from(options.formatOptions).escapeSpecial)) };
    }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeHtml(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& htmlOutputFormat()
{
    static const HtmlFormat format;
    return format;
}
