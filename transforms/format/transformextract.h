#pragma once

#include "transforms/support/cellrewrite.h"

#include <QRegularExpression>

// Keeps part of each value of the selected columns: a run of characters at
// an offset from the start or the end, or what a regular expression matches
// (its first captured group when it has groups).
class TransformExtract : public CellRewriteTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Extract"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The characters kept by the text form: Length characters from Offset
    // (from the start), or ending Offset characters before the end.
    static QString extractText(const QString& text, int length, bool fromStart, int offset);
    // The regular expression form; no match (or an invalid pattern) gives an
    // empty text.
    static QString extractMatch(const QString& text, const QRegularExpression& re);

protected:
    Transform* newInstance() const override { return new TransformExtract; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    bool usesRegex() const;

    bool m_regex = false;
    int m_length = 0;
    bool m_fromStart = true;
    int m_offset = 0;
    QRegularExpression m_pattern;
};
