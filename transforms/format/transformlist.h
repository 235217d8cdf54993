#pragma once

#include "transforms/support/cellrewrite.h"

// Tidies lists held inside cells ("b; a;; b"): splits each selected cell at
// a separator, optionally trims the items, drops empty and repeated ones,
// sorts them, and joins them again with the same or another separator.
class TransformList : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Sort { Unsorted, Alphabetical, ReverseAlphabetical, Numerical, ReverseNumerical };

    struct Options
    {
        QString separator = QStringLiteral(",");
        QString joiner = QStringLiteral(",");
        bool trim = true;
        bool dropEmpty = true;
        bool dropDuplicates = false;
        bool caseSensitive = true;
        Sort sort = Unsorted;
    };

    QString typeKey() const override { return QStringLiteral("List"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    static QString tidy(const QString& text, const Options& options);

protected:
    Transform* newInstance() const override { return new TransformList; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    Options m_options;
};
