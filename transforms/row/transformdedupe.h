#pragma once

#include "transforms/transform.h"

struct DuplicateGroups;

// Finds rows that are the same, or close, in chosen columns, and removes the
// duplicates, keeps only them, or labels every row with its group.
class TransformDedupe : public Transform
{
    Q_OBJECT

public:
    enum Mode { RemoveDuplicates, KeepOnlyDuplicates, AddDuplicateInformation };

    QString typeKey() const override { return QStringLiteral("Dedupe"); }
    QString droppedRowsReason() const override { return QStringLiteral("duplicates"); }
    QString description() const override;
    QSet<QString> keywords() const override;
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override;
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override;
    // Removing or keeping the duplicates of exact keys takes a file's rows
    // in blocks, and puts them on disk when they outgrow memory.
    bool takesBlocks() const override { return true; }
    std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows) override;
    QList<QPair<QString, bool>> optionStates() const override;

    bool offersExploreDuplicates() const override { return true; }
    QString matchColumnsKey() const override { return QStringLiteral("Columns"); }
    QString matchTypeKey() const override { return QStringLiteral("Match_Type"); }
    QString fuzzinessKey() const override { return QStringLiteral("Fuzziness"); }
    QString caseSensitiveKey() const override { return QStringLiteral("Case_Sensitive"); }
    QString ignoreWhitespaceKey() const override { return QStringLiteral("Ignore_Spaces"); }
    QString ignorePunctuationKey() const override { return QStringLiteral("Ignore_Punctuation"); }

protected:
    Transform* newInstance() const override { return new TransformDedupe; }

private:
    friend class DedupeBlocks;
    bool hasOptions();
    void dedupeTable(Dataset& output, const Dataset& input, bool& error);
    void setStopped(Dataset& output, const Dataset& columns);
    void setRemovedSummary(Mode mode, qint64 removed);
    bool reportRow(int row, int rowCount, bool fuzzy);
    // Returns the position of the first information column.
    int addInformationColumns(
        Dataset& output, const DuplicateGroups& groups, const QVector<int>& order);
    void addDrilldown(Dataset& output, const DuplicateGroups& groups, const QVector<int>& order,
        const QVector<int>& columns, int groupColumn);
};
