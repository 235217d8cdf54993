#pragma once

#include "transforms/support/cellrewrite.h"

#include <QVector>

// Fills empty cells of the selected columns with the nearest non-empty value
// before them in a direction (down, right, up or left), optionally only
// within rows that share a key value. Unfill (a subclass) does the reverse.
class TransformFill : public CellRewriteTransform
{
    Q_OBJECT

public:
    enum Direction { Down, Right, Up, Left };

    TransformFill() = default;

    QString typeKey() const override { return QStringLiteral("Fill"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    explicit TransformFill(bool unfill) : m_unfill(unfill) { }

    Transform* newInstance() const override { return new TransformFill; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    void startRow(int row, const QStringList& rowValues) override;
    QString rewrite(const QString& text, int row, int column) override;
    bool reverseRows() const override { return m_direction == Up; }
    // A vertical fill compares each row's key with the row before it.
    bool readsOtherRows() const override { return true; }
    bool reverseColumns() const override { return m_direction == Left; }

private:
    bool vertical() const { return m_direction == Down || m_direction == Up; }
    QString fill(const QString& text, int column);
    QString unfill(const QString& text, int row, int column);

    bool m_unfill = false;
    Direction m_direction = Down;
    int m_keyColumn = -1;
    const Dataset* m_input = nullptr;
    // The row before the current one in the walking direction, or -1.
    int m_previousRow = -1;
    // Whether the current row continues the previous one (same key value).
    bool m_sameKey = false;
    // The selected column visited before the current one in this row.
    int m_previousColumn = -1;
    // The value that empty cells take: per column going down or up, for the
    // current row going right or left.
    QVector<QString> m_carry;
    QString m_rowCarry;
};
