#include "document/documentcodec.h"

#include <QByteArray>
#include <QUrl>

namespace DocumentCodec {

QChar listSeparator()
{
    return QChar(0x1F);
}

QChar oldListSeparator()
{
    return QLatin1Char('^');
}

QString encodeText(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString decodeText(const QString& encoded)
{
    return QUrl::fromPercentEncoding(encoded.toUtf8());
}

QString encodeList(const QStringList& items)
{
    QStringList encoded;
    encoded.reserve(items.size());
    for (const QString& item : items)
        encoded << encodeText(item);
    return encoded.join(listSeparator());
}

QStringList decodeList(const QString& raw)
{
    if (raw.isEmpty())
        return QStringList();
    const QChar separator = raw.contains(listSeparator()) ? listSeparator() : oldListSeparator();
    QStringList items = raw.split(separator);
    for (QString& item : items)
        item = decodeText(item);
    return items;
}

QString encodeReal(double value)
{
    return QString::number(value, 'g', 6);
}

int decodeInt(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

double decodeReal(const QString& text, double fallback)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? value : fallback;
}

QString encodePosition(const QPointF& pos)
{
    return encodeList({ encodeReal(pos.x()), encodeReal(pos.y()) });
}

QString encodeOldPosition(const QPointF& pos)
{
    return encodeReal(pos.x()) + oldListSeparator() + encodeReal(pos.y());
}

QPointF decodePosition(const QString& raw)
{
    const QStringList parts = decodeList(raw);
    if (parts.size() != 2)
        return QPointF();
    bool okX = false;
    bool okY = false;
    const double x = parts.at(0).toDouble(&okX);
    const double y = parts.at(1).toDouble(&okY);
    return okX && okY ? QPointF(x, y) : QPointF();
}

QString encodeColour(const QColor& colour)
{
    const QString joined = QString::number(colour.red()) + listSeparator()
        + QString::number(colour.green()) + listSeparator() + QString::number(colour.blue());
    return encodeText(joined);
}

QColor decodeColour(const QString& raw, const QColor& fallback)
{
    const QStringList parts = decodeText(raw).split(listSeparator());
    if (parts.size() != 3)
        return fallback;
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts.at(i).toInt(&ok);
        if (!ok || rgb[i] < 0 || rgb[i] > 255)
            return fallback;
    }
    return QColor(rgb[0], rgb[1], rgb[2]);
}

} // namespace DocumentCodec
