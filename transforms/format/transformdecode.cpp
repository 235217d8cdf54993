#include "transforms/format/transformdecode.h"

#include <QByteArray>
#include <QTextDocumentFragment>

QString TransformDecode::description() const
{
    return QStringLiteral("Encode or decode values in selected columns, e.g. from Base64 or URL "
                          "encoding.");
}

QSet<QString> TransformDecode::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("encoding") << QStringLiteral("escape") << QStringLiteral("xml")
          << QStringLiteral("entity") << QStringLiteral("urlencode") << QStringLiteral("urldecode");
    return words;
}

void TransformDecode::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    const QStringList choices = { QStringLiteral("<select>"),
        QStringLiteral("From Base64 encoding"), QStringLiteral("To Base64 encoding"),
        QStringLiteral("From URL encoding"), QStringLiteral("To URL encoding"),
        QStringLiteral("From escaped HTML"), QStringLiteral("To escaped HTML"),
        QStringLiteral("From escaped XML"), QStringLiteral("To escaped XML") };
    TransformParameter* p = addParameter(ParameterType::Selection, QStringLiteral("Decode"),
        QStringLiteral("Change"), choices.first(), choices);
    p->setFirstChoiceIsUnset(true);
    p->setTooltip(
        QStringLiteral("How to change the values. Text is encoded and decoded as UTF-8."));
}

QStringList TransformDecode::requiredKeys() const
{
    return { QStringLiteral("Decode") };
}

bool TransformDecode::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_choice = Choice(selectionParameter(QStringLiteral("Decode")));
    return m_choice != NotSelected;
}

QString TransformDecode::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return convert(text, m_choice);
}

QString TransformDecode::convert(const QString& text, Choice choice)
{
    switch (choice) {
    case FromBase64:
        return QString::fromUtf8(QByteArray::fromBase64(text.toUtf8()));
    case ToBase64:
        return QString::fromLatin1(text.toUtf8().toBase64());
    case FromUrl:
        return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
    // Everything but the unreserved characters (letters, digits, "-._~").
    case ToUrl:
        return QString::fromLatin1(text.toUtf8().toPercentEncoding());
    case FromHtml:
        return fromEscapedHtml(text);
    case ToHtml:
        return text.toHtmlEscaped();
    case FromXml:
        return fromEscapedXml(text);
    case ToXml:
        return toEscapedXml(text);
    case NotSelected:
        break;
    }
    return text;
}

QString TransformDecode::fromEscapedHtml(const QString& text)
{
    // Without markup or entities there is nothing to decode; parsing would
    // only fold the white space of a plain value.
    if (!text.contains(QLatin1Char('<')) && !text.contains(QLatin1Char('&')))
        return text;
    return QTextDocumentFragment::fromHtml(text).toPlainText();
}

QString TransformDecode::toEscapedXml(const QString& text)
{
    QString result = text;
    // The ampersand first, so that the entities added next stay intact.
    result.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    result.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    result.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return result;
}

QString TransformDecode::fromEscapedXml(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString result = text;
    result.replace(QLatin1String("&quot;"), QLatin1String("\""));
    result.replace(QLatin1String("&apos;"), QLatin1String("'"));
    result.replace(QLatin1String("&lt;"), QLatin1String("<"));
    result.replace(QLatin1String("&gt;"), QLatin1String(">"));
    // Last, so that "&amp;lt;" becomes "&lt;" and not "<".
    result.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return result;
}
