#include "transforms/format/transformcase.h"

#include <QChar>
#include <QVector>

namespace {

const QStringList& caseChoices()
{
    static const QStringList choices = { QStringLiteral("Lower case"), QStringLiteral("Upper case"),
        QStringLiteral("Title case"), QStringLiteral("Sentence case"),
        QStringLiteral("Lower camel case"), QStringLiteral("Upper camel case"),
        QStringLiteral("Kebab case"), QStringLiteral("Snake case"),
        QStringLiteral("Inverted case") };
    return choices;
}

// Letters, combining accents and apostrophes keep a word going, so that
// "O'Neil" and "Zoë" written with a combining diaeresis stay one word.
bool continuesWord(QChar c)
{
    return c.isLetter() || c.category() == QChar::Mark_NonSpacing || c == QLatin1Char('\'');
}

} // namespace

QSet<QString> TransformCase::keywords() const
{
    QSet<QString> words = Transform::keywords();
    words << QStringLiteral("capitalise") << QStringLiteral("capitalize")
          << QStringLiteral("capitals") << QStringLiteral("proper");
    return words;
}

void TransformCase::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Selection, QStringLiteral("Case"), QStringLiteral("Change case to"),
        caseChoices().first(), caseChoices())
        ->setTooltip(QStringLiteral("The case to change the values to.\n"
                                    "Camel, kebab and snake case join the words of a value."));
    addParameter(
        ParameterType::Bool, QStringLiteral("Keep_Upper"), QStringLiteral("keep upper case"), false)
        ->setTooltip(QStringLiteral("Leave letters that are already upper case as they are "
                                    "(e.g. for acronyms such as USA)."));
}

QList<QPair<QString, bool>> TransformCase::optionStates() const
{
    const int mode = selectionParameter(QStringLiteral("Case"));
    return { qMakePair(QStringLiteral("Keep_Upper"), mode == TitleCase || mode == SentenceCase) };
}

QStringList TransformCase::requiredKeys() const
{
    return { QStringLiteral("Case"), QStringLiteral("Keep_Upper") };
}

bool TransformCase::prepare(const Dataset& input, const QVector<int>& columns)
{
    Q_UNUSED(input)
    Q_UNUSED(columns)
    m_mode = Mode(selectionParameter(QStringLiteral("Case")));
    m_keepUpper = boolParameter(QStringLiteral("Keep_Upper"));
    return true;
}

QString TransformCase::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    return convert(text, m_mode, m_keepUpper);
}

QString TransformCase::convert(const QString& text, Mode mode, bool keepUpper)
{
    switch (mode) {
    case LowerCase:
        return text.toLower();
    case UpperCase:
        return text.toUpper();
    case TitleCase:
        return titleCase(text, keepUpper);
    case SentenceCase:
        return sentenceCase(text, keepUpper);
    case LowerCamelCase:
        return camelCase(text, false);
    case UpperCamelCase:
        return camelCase(text, true);
    case KebabCase:
        return joinWords(text, QLatin1Char('-'));
    case SnakeCase:
        return joinWords(text, QLatin1Char('_'));
    case InvertedCase:
        return invertedCase(text);
    }
    return text;
}

QString TransformCase::titleCase(const QString& text, bool keepUpper)
{
    QString result = text;
    QChar* out = nullptr; // detached only once a letter actually changes
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isLetter())
            continue;
        QChar changed = c;
        const bool startsWord = i == 0 || !continuesWord(text.at(i - 1));
        if (startsWord) {
            if (c.isLower())
                changed = c.toUpper();
        } else if (!keepUpper && c.isUpper() && text.at(i - 1).isLetter()) {
            changed = c.toLower();
        }
        if (changed != c) {
            if (!out)
                out = result.data();
            out[i] = changed;
        }
    }
    return result;
}

QString TransformCase::sentenceCase(const QString& text, bool keepUpper)
{
    QString result = text;
    bool first = true;
    for (int i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (!c.isLetter())
            continue;
        if (first) {
            first = false;
            if (c.isLower())
                result[i] = c.toUpper();
        } else if (!keepUpper && c.isUpper()) {
            result[i] = c.toLower();
        }
    }
    return result;
}

QString TransformCase::camelCase(const QString& text, bool upperFirst)
{
    QString result;
    result.reserve(text.size());
    bool firstPart = true;
    int i = 0;
    while (i < text.size()) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        int end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        const QString part = text.mid(i, end - i);
        if (firstPart && !upperFirst)
            result += part.toLower();
        else
            result += titleCase(part, false);
        firstPart = false;
        i = end;
    }
    return result;
}

QString TransformCase::joinWords(const QString& text, QChar joiner)
{
    QString result;
    result.reserve(text.size());
    bool inSpace = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            if (!inSpace)
                result += joiner;
            inSpace = true;
        } else {
            result += c;
            inSpace = false;
        }
    }
    return result;
}

QString TransformCase::invertedCase(const QString& text)
{
    QString result = text;
    for (int i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (!c.isLetter())
            continue;
        const QChar swapped = c.isUpper() ? c.toLower() : c.toUpper();
        if (swapped != c)
            result[i] = swapped;
    }
    return result;
}
