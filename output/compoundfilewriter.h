#pragma once

// Writes one stream as an OLE2 compound file, the container of .xls
// workbooks. Written here because no Debian library writes the container on
// its own; one stream in 512-byte sectors is all a workbook needs, with the
// extra allocation-table index sectors that files over about 7 MB require.

#include <QByteArray>
#include <QString>

// The file bytes holding the stream under the given name. Streams shorter
// than 4096 bytes are padded, so that they never go to the small-stream area.
QByteArray compoundFile(const QString& streamName, QByteArray stream);
