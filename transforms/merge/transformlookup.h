#pragma once

#include "transforms/transform.h"

#include <QVector>

class ColumnVariables;
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

protected:
    Transform* newInstance() const override { return new TransformLookup; }

private:
    LookupOptions options() const;
    bool lookUpExact(Dataset& output, const Dataset& top, const Dataset& bottom, int topKey,
        int bottomKey, int bottomValue, QVector<char>& matched);
    bool lookUpByRelation(Dataset& output, const Dataset& top, const Dataset& bottom, int topKey,
        int bottomKey, int bottomValue, QVector<char>& matched);
    QString missCell(const Dataset& top, int row, int topKey, const ColumnVariables& noMatch) const;
    void report(const Dataset& top, const Dataset& bottom, int topKey, int bottomKey,
        const QVector<char>& matched);
};
