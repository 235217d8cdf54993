// vCard and YAML: one block of "name: value" lines per row.
#include "core/dataset.h"
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

const QString& cell(const Dataset::Row& row, int column)
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
    const QVector<Dataset::Row>& rows = data.rows();
    for (int r = 0; r < rows.size() && rowProgress.report(r); ++r) {
        prefetchAhead(rows, r);
        sink << QLatin1String("BEGIN:VCARD");
        sink.endLine();
        sink << QLatin1String("VERSION:3.0");
        sink.endLine();
        for (int c = 0; c < names.size(); ++c) {
            sink << names.at(c) << QLatin1Char(':') << vCardValue(cell(rows.at(r), c));
            sink.endLine();
        }
        sink << QLatin1String("END:VCARD");
        sink.endLine();
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}

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
    const QVector<Dataset::Row>& rows = data.rows();
    for (int r = 0; r < rows.size() && rowProgress.report(r); ++r) {
        prefetchAhead(rows, r);
        sink << QLatin1Char('-');
        sink.endLine();
        for (int c = 0; c < names.size(); ++c) {
            sink.indent(1);
            sink << names.at(c) << QLatin1String(": ") << yamlValue(cell(rows.at(r), c));
            sink.endLine();
        }
    }
    sink.finish();
    rowProgress.apply(result);
    return result;
}
