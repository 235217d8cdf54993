#pragma once

// Reading an item's stored options (the attribute map of its document
// element, also used by undo snapshots). A missing value, a value of the
// wrong kind or one out of range reads as the default, exactly as a document
// reader treats a malformed attribute, so a hand-edited document never
// breaks an item.

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <climits>

namespace OptionMap {

bool isCompound(const QVariant& value);
int readInt(const QVariantMap& map, const QString& key, int fallback, int low = INT_MIN,
    int high = INT_MAX);
bool readBool(const QVariantMap& map, const QString& key, bool fallback);
QString readText(const QVariantMap& map, const QString& key, const QString& fallback = QString());
// A list value, or a text holding the items joined by U+001F.
QStringList readList(const QVariantMap& map, const QString& key);
// The whole numbers of a list value; other items are skipped.
QVector<int> readIntList(const QVariantMap& map, const QString& key);
QStringList intListText(const QVector<int>& values);
QString yesNo(bool on);

} // namespace OptionMap
