#pragma once

#include "transforms/support/cellrewrite.h"

// Changes the letter case of the selected columns (lower, upper, title,
// sentence, camel, kebab, snake or inverted).
class TransformCase : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Mode {
        LowerCase,
        UpperCase,
        TitleCase,
        SentenceCase,
        LowerCamelCase,
        UpperCamelCase,
        KebabCase,
        SnakeCase,
        InvertedCase
    };

    QString typeKey() const override { return QStringLiteral("Case"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The conversions, usable on their own.
    static QString convert(const QString& text, Mode mode, bool keepUpper);
    static QString titleCase(const QString& text, bool keepUpper);
    static QString sentenceCase(const QString& text, bool keepUpper);
    static QString camelCase(const QString& text, bool upperFirst);
    static QString joinWords(const QString& text, QChar joiner);
    static QString invertedCase(const QString& text);

protected:
    Transform* newInstance() const override { return new TransformCase; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    Mode m_mode = LowerCase;
    bool m_keepUpper = false;
};
