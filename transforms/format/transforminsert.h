#pragma once

#include "transforms/support/cellrewrite.h"
#include "transforms/support/columnvariables.h"

// Puts a text, which may hold column variables, before or after the values
// of the selected columns.
class TransformInsert : public CellRewriteTransform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Insert"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

protected:
    Transform* newInstance() const override { return new TransformInsert; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    void startRow(int row, const QStringList& rowValues) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    ColumnVariables m_insert;
    QString m_rowText;
    bool m_atStart = true;
};
