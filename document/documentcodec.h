#pragma once

// The attribute encodings of ".transform" documents. Every free text is
// percent-encoded so that the file is plain ASCII whatever it holds; lists
// join their encoded items with the unit separator, which therefore never
// occurs inside an item.

#include <QColor>
#include <QPointF>
#include <QString>
#include <QStringList>

namespace DocumentCodec {

// The separator of list texts, and the one of older releases.
QChar listSeparator();
QChar oldListSeparator();

// Percent-encoding of UTF-8 as for a URL component: letters, digits and
// "-._~" stay, every other byte becomes "%" and two upper-case hex digits.
QString encodeText(const QString& text);
QString decodeText(const QString& encoded);

// Items encoded one by one and joined by U+001F. Reading splits at U+001F,
// or at "^" when the text holds none (documents of older releases).
QString encodeList(const QStringList& items);
QStringList decodeList(const QString& raw);

// A real in the shortest general form with 6 significant digits.
QString encodeReal(double value);
// Decimal text; the fallback for anything that is not a valid integer.
int decodeInt(const QString& text, int fallback);
double decodeReal(const QString& text, double fallback);

// Scene coordinates as a list text of two reals, and the older "x^y" form.
QString encodePosition(const QPointF& pos);
QString encodeOldPosition(const QPointF& pos);
// Either form; anything but exactly two valid reals reads as (0, 0).
QPointF decodePosition(const QString& raw);

// Red, green and blue joined by U+001F, percent-encoded as a whole.
QString encodeColour(const QColor& colour);
QColor decodeColour(const QString& raw, const QColor& fallback);

} // namespace DocumentCodec
