// YAML output: one block of "name: value" lines per row.
#include "core/dataset.h"
#include "output/outputformat.h"
#include "output/writer.h"
#include "output/writerutil.h"

namespace {

QString yamlValue(const QString& value)
{
    QString text = value.trimmed();
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    if (text.contains(QLatin1Char('\n')))
        return QLatin1Char('"') + text + QLatin1Char('"');
    if (text.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    return text;
}

const QString& cell(const RowReader& row, int column)
{
    static const QString empty;
    return column < row.size() ? row.at(column) : empty;
}

} // namespace

TextWriteResult writeYaml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress)
{
    TextWriteResult result;
    TextSink sink(stream, options.lineEnding);
    if (!options.comment.isEmpty()) {
        sink << QLatin1Char('#') << options.comment;
        sink.endLine();
    }
    QStringList names = outputColumnNames(data);
    for (QString& name : names) {
        if (name.contains(QLatin1Char(':')))
            name = QLatin1Char('"') + name + QLatin1Char('"');
    }
    sink << QLatin1String("---");
    sink.endLine();

    RowProgress rowProgress(progress, data.rowCount());
    RowReader row(data);
    for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r) {
        row.setRow(r);
        sink << QLatin1Char('-');
        sink.endLine();
        for (int c = 0; c < names.size(); ++c) {
            sink.indent(1);
            sink << names.at(c) << QLatin1String(": ") << yamlValue(cell(row, c));
            sink.endLine();
        }
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

namespace {

class YamlFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeYaml; }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeYaml(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& yamlOutputFormat()
{
    static const YamlFormat format;
    return format;
}
