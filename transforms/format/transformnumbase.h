#pragma once

#include "transforms/support/cellrewrite.h"
#include "transforms/support/valueexamples.h"

#include <QHash>

// Rewrites whole numbers of the selected columns from one base (2 to 32, or
// guessed per column) into another, in lower-case digits.
class TransformNumBase : public CellRewriteTransform
{
    Q_OBJECT

public:
    static constexpr int Guess = 1;

    QString typeKey() const override { return QStringLiteral("Num_Base"); }
    QString description() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;

    // Reads a whole number in a base; texts above the signed range read as
    // their unsigned 64-bit value, so that converted negatives come back.
    static bool readInteger(const QString& text, int base, quint64* bits, bool* negative);
    // The base most of the sample reads in, smallest first on a tie; "0x"
    // values vote for 16.
    static int guessBase(const QStringList& sample);

protected:
    Transform* newInstance() const override { return new TransformNumBase; }
    QStringList requiredKeys() const override;
    bool prepare(const Dataset& input, const QVector<int>& columns) override;
    QString rewrite(const QString& text, int row, int column) override;
    void setRewriteSummary(qint64 changed, qint64 unchanged) override;

private:
    QHash<int, int> m_fromBase;
    QStringList m_columnNames;
    ValueExamples m_nonIntegers;
    UnreadableAction m_action = UnreadableAction::Leave;
    int m_toBase = 16;
    bool m_negativeWarned = false;
};
