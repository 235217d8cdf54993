#pragma once

#include "transforms/support/cellrewrite.h"

// Moves the values of each row across the selected columns, in place:
// closes the gaps left by empty cells towards the left or the right, or
// shifts every value by a number of places (values shifted past the last
// selected column are lost and counted).
class TransformSlide : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Mode { CloseGapsLeft, CloseGapsRight, ShiftRight, ShiftLeft };

    QString typeKey() const override { return QStringLiteral("Slide"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The values of the selected cells of one row after the move; lost
    // receives the number of non-empty values shifted out.
    static QStringList slide(const QStringList& values, Mode mode, int places, int* lost = nullptr);

protected:
    Transform* newInstance() const override { return new TransformSlide; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    void startRow(int row, const QStringList& rowValues) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    QVector<int> m_columns;
    QVector<int> m_slot; // per input column: its place among the selected, or -1
    QStringList m_moved;
    Mode m_mode = CloseGapsLeft;
    int m_places = 1;
    qint64 m_lost = 0;
};
