#pragma once

#include "transforms/transform.h"

struct VerifyRun;
namespace verify {
class ColumnCheck;
}

// Checks the dataset against dataset rules and each column against typed
// column rules, marks failing cells with the rule's severity, reports the
// fails and can keep or remove rows by the severities they failed with.
class TransformVerify : public Transform
{
    Q_OBJECT

public:
    enum RowFilter { KeepAllRows, KeepRowsWith, RemoveRowsWith };

    QString typeKey() const override { return QStringLiteral("Verify"); }
    QString droppedRowsReason() const override
    {
        return QStringLiteral("by their verification results");
    }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    bool keepsVerification() const override { return true; }
    bool usesDates() const override { return true; }
    QList<QPair<QString, bool>> optionStates() const override;

protected:
    Transform* newInstance() const override { return new TransformVerify; }

private:
    void checkDataset(VerifyRun& run);
    void checkColumn(VerifyRun& run, const VerifyColumnRules& column);
    int checkValues(
        VerifyRun& run, verify::ColumnCheck& check, int index, int severity, const QString& text);
    QString dateFormatFor(VerifyRun& run, const VerifyColumnRules& column, int index);
    QVector<int> rowsToKeep(const VerifyRun& run) const;
    void storeResults(VerifyRun& run, Dataset& output, const QVector<int>& kept);
    void report(const VerifyRun& run, int removed);
};
