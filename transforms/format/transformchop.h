#pragma once

#include "transforms/support/cellrewrite.h"

// Removes a number of characters from the start or the end of the values of
// the selected columns.
class TransformChop : public CellRewriteTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Chop"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

protected:
    Transform* newInstance() const override { return new TransformChop; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    int m_length = 0;
    bool m_fromStart = true;
};
