#pragma once

// Shared by the output tests: building small Datasets and rendering a writer's
// output to text in memory.

#include "core/dataset.h"
#include "output/writer.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QTextStream>

inline Dataset makeDataset(const QStringList& header, const QVector<QStringList>& rows)
{
    Dataset data;
    int columns = header.size();
    for (const QStringList& row : rows)
        columns = qMax(columns, row.size());
    data.setColumnCount(columns);
    if (!header.isEmpty())
        data.setHeader(header);
    for (const QStringList& row : rows)
        data.appendRow(row);
    return data;
}

inline QString renderText(const Dataset& data, const TextWriteOptions& options,
    TextWriteResult* result = nullptr, const WriteProgress& progress = WriteProgress())
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    stream.setCodec("UTF-8");
    const TextWriteResult written = writeText(stream, data, options, progress);
    if (result)
        *result = written;
    return QString::fromUtf8(bytes);
}
