#pragma once

// Small helpers the input, output, document, batch and chart tests share.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTest>

// One row of a data-driven test in one call, so that a table of cases reads
// as a table: addRow("tag", input, expected) instead of a chain of <<.
// Values are taken by value so that string literals decay to const char*,
// which QTest stores as QString like the << chain does.
template <class... Values> void addRow(const char* tag, Values... values)
{
    (QTest::newRow(tag) << ... << values);
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// The whole file, or "<missing>" so that a missing file never equals an
// expected empty one.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A path as messages show it: absolute, with the system's separators.
inline QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}
