#include "transforms/row/transformheader.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

QString TransformHeader::description() const
{
    return QStringLiteral("Move rows to the header.");
}

QSet<QString> TransformHeader::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "headers", "heading", "headings", "names", "column", "columns", "rename",
             "promote", "title", "titles", "first" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformHeader::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    TransformParameter* rows = addParameter(
        ParameterType::Int, QStringLiteral("Num_Rows"), QStringLiteral("Top rows to move"), 1);
    rows->setZeroIsUnset(true);
    rows->setTooltip(
        QStringLiteral("Number of rows to move from the top of the dataset to the header."));
    addParameter(ParameterType::Selection, QStringLiteral("Mode"),
        QStringLiteral("Existing header"), QStringLiteral("Overwrite"),
        QStringList { QStringLiteral("Overwrite"), QStringLiteral("Append") })
        ->setTooltip(QStringLiteral("Whether to overwrite or append to the existing header."));
    TransformParameter* delimiter = addParameter(ParameterType::Text, QStringLiteral("Delimiter"),
        QStringLiteral("Delimiter"), QStringLiteral(" "));
    delimiter->setTextRequired(false);
    delimiter->setTooltip(QStringLiteral("Text to separate elements of each header if moving "
                                         "multiple rows or appending."));
}

void TransformHeader::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream) || !requireParameters({ "Num_Rows", "Mode", "Delimiter" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int moved = qBound(0, intParameter(QStringLiteral("Num_Rows")), input.rowCount());
    if (moved == 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const QString delimiter = textParameter(QStringLiteral("Delimiter"));
    const bool append = selectionParameter(QStringLiteral("Mode")) == 1;
    QStringList names;
    for (int c = 0; c < input.columnCount(); ++c) {
        QStringList parts;
        if (append)
            parts << input.columnName(c);
        for (int r = 0; r < moved; ++r)
            parts << input.value(r, c);
        names << parts.join(delimiter);
    }
    QVector<int> rest;
    rest.reserve(input.rowCount() - moved);
    for (int r = moved; r < input.rowCount(); ++r)
        rest.append(r);
    output.selectRows(rest);
    output.setHeader(names);
    setSummary(QStringLiteral("Header names updated, %1 removed")
                   .arg(countText(moved, QStringLiteral("row"), QStringLiteral("rows"))));
}
