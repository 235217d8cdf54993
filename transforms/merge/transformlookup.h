#pragma once

#include "transforms/support/keyreport.h"
#include "transforms/transform.h"

#include <QVector>

class ColumnVariables;
class LookupCells;
struct LookupOptions;

// Keeps the top dataset and adds one column whose values are looked up, by
// the top key, in the bottom dataset: by exact key (hashed), by closeness, or
// by one of the text, number, date and regular-expression relations.
class TransformLookup : public Transform
{
    Q_OBJECT

public:
    QString typeKey() const override { return QStringLiteral("Lookup"); }
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    void bindUpstream(const QList<TableSource*>& upstream, bool refresh) override;
    bool reorderInputs(const QList<TableSource*>& upstream) override;
    bool usesDates() const override;
    bool offersExploreKeys() const override { return true; }
    QString keyColumn1Key() const override { return QStringLiteral("Top_Lookup_Column"); }
    QString keyColumn2Key() const override { return QStringLiteral("Bottom_Lookup_Column"); }
    QString caseSensitiveKey() const override { return QStringLiteral("Case_Sensitive"); }
    QList<QPair<QString, bool>> optionStates() const override;
    // A long top table (a file a run without windows streams) is looked up
    // a block at a time against the whole bottom table.
    bool takesTopBlocks() const override { return true; }
    std::unique_ptr<RowBlockStage> topBlockStage(
        const TableSource& top, const TableSource& bottom) override;

protected:
    Transform* newInstance() const override { return new TransformLookup; }

private:
    friend class LookupBlocks;
    friend class LookupCells;
    LookupOptions options() const;
    bool hasOptions();
    // The looked-up column's name.
    QString newColumnName(const Dataset& bottom, int bottomValue) const;
    QString missCell(const Dataset& top, int row, int topKey, const ColumnVariables& noMatch) const;
    // The top table's misses and keys with stray whitespace, tallied as the
    // rows go by (in blocks, when a file streams).
    struct TopTallies
    {
        KeyTally misses;
        KeyTally spaces;
    };
    bool lookUpRows(Dataset& output, const Dataset& top, int topKey, LookupCells& cells,
        const ColumnVariables& noMatch, qint64 firstRow, TopTallies& tallies,
        const std::function<bool(int)>& progress) const;
    void report(const LookupCells& cells, const Dataset& bottom, int bottomKey, qint64 rows,
        const TopTallies& tallies);
};
