#pragma once

#include "transforms/support/cellrewrite.h"

// Pads values of the selected columns that are shorter than a minimum
// length with a character, on the left or the right.
class TransformPad : public CellRewriteTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Pad"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

protected:
    Transform* newInstance() const override { return new TransformPad; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool rewritesTextAlone() const override { return true; }

private:
    int m_length = 0;
    bool m_left = true;
    QChar m_padWith;
};
