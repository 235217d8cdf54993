#include "core/optionmap.h"

namespace OptionMap {

bool isCompound(const QVariant& value)
{
    const int t = value.userType();
    return t == QMetaType::QStringList || t == QMetaType::QVariantList
        || t == QMetaType::QVariantMap || t == QMetaType::QVariantHash;
}

int readInt(const QVariantMap& map, const QString& key, int fallback, int low, int high)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || isCompound(*it))
        return fallback;
    bool ok = false;
    const int value = it->toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

bool readBool(const QVariantMap& map, const QString& key, bool fallback)
{
    return readInt(map, key, fallback ? 1 : 0) != 0;
}

QString readText(const QVariantMap& map, const QString& key, const QString& fallback)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd() || isCompound(*it))
        return fallback;
    return it->toString();
}

QStringList readList(const QVariantMap& map, const QString& key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd())
        return {};
    if (it->userType() == QMetaType::QString)
        return it->toString().isEmpty() ? QStringList() : it->toString().split(QChar(0x1F));
    return isCompound(*it) ? it->toStringList() : QStringList();
}

QVector<int> readIntList(const QVariantMap& map, const QString& key)
{
    QVector<int> values;
    const QStringList items = readList(map, key);
    for (const QString& item : items) {
        bool ok = false;
        const int v = item.trimmed().toInt(&ok);
        if (ok)
            values << v;
    }
    return values;
}

QStringList intListText(const QVector<int>& values)
{
    QStringList items;
    for (int v : values)
        items << QString::number(v);
    return items;
}

QString yesNo(bool on)
{
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace OptionMap
