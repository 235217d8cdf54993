#pragma once

// Small helpers the input, output, document, batch and chart tests share.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// Rows of a data-driven test from a JSON file of cases: an array of objects,
// each with a "tag" and a member for every column named. Arrays become
// QStringList, booleans bool, numbers int and strings QString, so the
// columns must be declared with those types.
inline void addJsonRows(const QString& path, const QStringList& columns)
{
    const QJsonArray cases = QJsonDocument::fromJson(readFile(path)).array();
    QVERIFY2(!cases.isEmpty(), qPrintable(path));
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        QTestData& row = QTest::newRow(qPrintable(c.value(QStringLiteral("tag")).toString()));
        for (const QString& column : columns) {
            const QJsonValue v = c.value(column);
            QVERIFY2(!v.isUndefined(), qPrintable(column));
            if (v.isArray())
                row << v.toVariant().toStringList();
            else if (v.isBool())
                row << v.toBool();
            else if (v.isDouble())
                row << v.toInt();
            else
                row << v.toString();
        }
    }
}
