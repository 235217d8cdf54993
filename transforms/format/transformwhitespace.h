#pragma once

#include "transforms/support/cellrewrite.h"

// Cleans white space in the selected columns: trimming, line feeds, tabs,
// unusual spaces, carriage returns, runs of spaces and non-printable
// characters, each by its own switch.
class TransformWhitespace : public CellRewriteTransform
{
    Q_OBJECT

public:
    struct Options
    {
        bool trim = true;
        bool lineFeed = true;
        bool tab = true;
        bool nonStandardSpaces = true;
        bool carriageReturn = true;
        bool consecutiveSpaces = true;
        bool nonPrintable = true;
    };

    QString typeKey() const override { return QStringLiteral("Whitespace"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

    static QString clean(const QString& text, const Options& options);

protected:
    Transform* newInstance() const override { return new TransformWhitespace; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    Options m_options;
};
