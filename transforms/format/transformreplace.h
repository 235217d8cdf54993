#pragma once

#include "transforms/format/replacematcher.h"
#include "transforms/support/cellrewrite.h"

#include <memory>

// Applies a list of find and replace terms, in order, to the values of the
// selected columns. Terms match text, exact values, regular expressions,
// empty values or classes of characters, and may use column variables.
class TransformReplace : public CellRewriteTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Replace_Multi"); }
    // Reads the current row (its column variables) and no other.
    bool streamsRows() const override { return true; }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

protected:
    Transform* newInstance() const override { return new TransformReplace; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    void startRow(int row, const QStringList& rowValues) override;
    QString rewrite(const QString& text, int row, int column) override;

private:
    std::unique_ptr<ReplaceMatcherList> m_terms;
};
