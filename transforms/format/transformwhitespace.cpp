#include "transforms/format/transformwhitespace.h"

#include <QChar>

namespace {

struct SwitchDef
{
    const char* key;
    const char* label;
    const char* tooltip;
};

const SwitchDef kSwitches[] = {
    { "Trim", "trim leading and trailing whitespace",
        "Remove Spaces, Tabs, Line Feeds and other whitespace at the start and end of values." },
    { "Line_Feed", "replace Line Feeds with Spaces",
        "Replace each Line Feed (new line) with a Space." },
    { "Tab", "replace Tabs with Spaces", "Replace each Tab with a Space." },
    { "Non_Standard_Spaces", "replace non-standard Spaces with Spaces",
        "Replace other whitespace characters, such as non-breaking Spaces, with a Space." },
    { "Carriage_Return", "remove Carriage Returns", "Remove each Carriage Return." },
    { "Consecutive_Spaces", "convert consecutive Spaces to one Space",
        "Replace each run of two or more Spaces with a single Space." },
    { "Non_Printable", "remove non-printable characters",
        "Remove non-printable characters such as Tab, Line Feed, Carriage Return, Bell and "
        "Backspace.\nNon-printable characters are of Unicode type Other_* and include ASCII codes "
        "0 "
        "to 31." },
};

// Plain printable ASCII with single inner spaces is left alone by every
// switch; most values are like that, so they skip the work.
bool isAlreadyClean(const QString& text)
{
    const int n = text.size();
    if (n == 0)
        return true;
    if (text.at(0) == QLatin1Char(' ') || text.at(n - 1) == QLatin1Char(' '))
        return false;
    bool previousSpace = false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == ' ') {
            if (previousSpace)
                return false;
            previousSpace = true;
            continue;
        }
        if (u < 0x21 || u > 0x7E)
            return false;
        previousSpace = false;
    }
    return true;
}

bool isOtherCategory(uint codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return true;
    default:
        return false;
    }
}

QString removeNonPrintable(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (!isOtherCategory(QChar::surrogateToUcs4(c, text.at(i + 1)))) {
                result += c;
                result += text.at(i + 1);
            }
            ++i;
        } else if (!isOtherCategory(c.unicode())) {
            result += c;
        }
    }
    return result;
}

QString collapseSpaces(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') && result.endsWith(QLatin1Char(' ')))
            continue;
        result += c;
    }
    return result;
}

QString replaceNonStandardSpaces(QString text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (u != ' ' && u != '\t' && u != '\n' && u != '\r' && c.isSpace())
            text[i] = QLatin1Char(' ');
    }
    return text;
}

} // namespace

QString TransformWhitespace::description() const
{
    return QStringLiteral("Trim and clean whitespace in selected columns.");
}

QSet<QString> TransformWhitespace::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("blank") << QStringLiteral("strip") << QStringLiteral("newline")
          << QStringLiteral("printable") << QStringLiteral("tidy");
    return words;
}

void TransformWhitespace::defineParameters(
    const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    for (const SwitchDef& s : kSwitches) {
        addParameter(
            ParameterType::Bool, QString::fromLatin1(s.key), QString::fromLatin1(s.label), true)
            ->setTooltip(QString::fromLatin1(s.tooltip));
    }
}

QStringList TransformWhitespace::requiredKeys() const
{
    QStringList keys;
    for (const SwitchDef& s : kSwitches)
        keys << QString::fromLatin1(s.key);
    return keys;
}

bool TransformWhitespace::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_options.trim = boolParameter(QStringLiteral("Trim"));
    m_options.lineFeed = boolParameter(QStringLiteral("Line_Feed"));
    m_options.tab = boolParameter(QStringLiteral("Tab"));
    m_options.nonStandardSpaces = boolParameter(QStringLiteral("Non_Standard_Spaces"));
    m_options.carriageReturn = boolParameter(QStringLiteral("Carriage_Return"));
    m_options.consecutiveSpaces = boolParameter(QStringLiteral("Consecutive_Spaces"));
    m_options.nonPrintable = boolParameter(QStringLiteral("Non_Printable"));
    return true;
}

QString TransformWhitespace::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return clean(text, m_options);
}

// The switches act one after another in a fixed order; later ones see the
// result of earlier ones (a tab turned into a space is then collapsed).
QString TransformWhitespace::clean(const QString& text, const Options& options)
{
    if (isAlreadyClean(text))
        return text;
    QString result = options.trim ? text.trimmed() : text;
    if (options.lineFeed)
        result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (options.tab)
        result.replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (options.nonStandardSpaces)
        result = replaceNonStandardSpaces(result);
    if (options.carriageReturn)
        result.remove(QLatin1Char('\r'));
    if (options.consecutiveSpaces && result.contains(QLatin1String("  ")))
        result = collapseSpaces(result);
    if (options.nonPrintable)
        result = removeNonPrintable(result);
    return result;
}
