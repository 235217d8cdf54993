#pragma once

// Shared by the delimited-text reader tests: options from a compact text,
// rows of a table, and reading in chunks on a given number of threads.

#include "input/delimitedreader.h"
#include "input/textsource.h"

#include <QString>
#include <QStringList>
#include <QVector>

using Rows = QVector<QStringList>;
Q_DECLARE_METATYPE(Rows)

// Options from a compact text, e.g. "delim=4 quote=1 rep=1 skip=2 trim=0".
// Rows come back without a header unless "header=" says otherwise.
inline ReadOptions options(const QString& opts)
{
    ReadOptions o;
    DelimitedReadOptions d;
    o.hasHeader = HeaderNo;
    const QStringList items = opts.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& item : items) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QString value = item.section(QLatin1Char('='), 1);
        const int n = value.toInt();
        if (key == QLatin1String("delim"))
            d.delimiter = n;
        else if (key == QLatin1String("custom"))
            o.customDelimiter = value;
        else if (key == QLatin1String("quote"))
            d.quoting = n;
        else if (key == QLatin1String("rep"))
            d.ignoreRepeatedDelimiters = n != 0;
        else if (key == QLatin1String("skip"))
            o.ignoredFirstRows = n;
        else if (key == QLatin1String("trim"))
            o.trimWhitespace = n != 0;
        else if (key == QLatin1String("simp"))
            o.simplifyWhitespace = n != 0;
        else if (key == QLatin1String("empty"))
            o.ignoreEmptyRows = n != 0;
        else if (key == QLatin1String("plain"))
            o.fileType = n ? FileTypePlainText : FileTypeDelimited;
        else if (key == QLatin1String("header"))
            o.hasHeader = n;
        else if (key == QLatin1String("enc"))
            o.encoding = value;
        else if (key == QLatin1String("pool"))
            o.pooling = n != 0;
        else
            qFatal("unknown option %s", qPrintable(key));
    }
    d.store(&o.formatOptions);
    return o;
}

inline Rows rowsOf(const Dataset& dataset)
{
    return dataset.rowLists();
}

// Parses the source on the given threads in chunks of the given size.
inline ReadResult readInChunks(
    TextSource& source, const ReadOptions& o, int threads, int chunkChars)
{
    ReadResult result;
    parseDelimitedText(source, o, ReadProgress(), &result, ParseThreads { threads, chunkChars });
    return result;
}

inline ReadResult readFileInChunks(
    const QString& path, const ReadOptions& o, int threads, int chunkChars)
{
    TextSource source;
    if (!source.open(path, QStringLiteral("Automatic")))
        qFatal("cannot open %s", qPrintable(path));
    return readInChunks(source, o, threads, chunkChars);
}
