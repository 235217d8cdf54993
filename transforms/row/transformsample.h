#pragma once

#include "transforms/transform.h"

#include <QVector>

#include <functional>

// Keeps a number of rows: the first, the last, evenly spread or at random.
//
// The random modes draw from std::mt19937, whose sequence for a seed is fixed
// by the C++ standard, and map its 32-bit outputs to numbers themselves
// (std::uniform_*_distribution differ between standard libraries), so one
// seed picks the same rows on every run and platform.
class TransformSample : public Transform
{
    Q_OBJECT

public:
    enum Spread { Evenly, Top, Bottom, RandomQuality, RandomSpeed };
    static constexpr int MaximumSeed = 999999;

    QString typeKey() const override { return QStringLiteral("Sample"); }
    QString droppedRowsReason() const override { return QStringLiteral("not in the sample"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    QList<QPair<QString, bool>> optionStates() const override;

    // The rows (ascending) that a spread keeps of rowCount rows; progress is
    // asked every 10000 rows and a false answer stops early.
    static QVector<int> choose(Spread spread, int wanted, int rowCount, quint32 seed,
        const std::function<bool(int, int)>& progress = nullptr);

protected:
    Transform* newInstance() const override { return new TransformSample; }
};
