#pragma once

#include "core/columnuse.h"
#include "transforms/transformparameter.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class Dataset;
class EngineSettings;

// Takes a table's rows in blocks, in row order, for a type that needs every
// row but keeps only what it makes of them (Unique's groups) or can put them
// aside on disk (Sort), and then makes the output and sets the messages as
// process() would have on the whole.
class RowBlockConsumer
{
public:
    virtual ~RowBlockConsumer() = default;
    // False refuses the block: the result could differ from the whole
    // table's (or would take more memory than the table). False with a
    // failure() ends the run in error instead (a full disk).
    virtual bool take(const Dataset& rows) = 0;
    virtual QString failure() const { return QString(); }
    virtual void finish(Dataset& output) = 0;
    // Hands the output over in blocks of about blockRows rows, each put in
    // output and passed on by passOn(), which returns false to stop. False
    // when stopped or failed (failure()). The whole output in one block,
    // unless a type's result is too large for memory.
    virtual bool finishInBlocks(Dataset& output, int blockRows, const std::function<bool()>& passOn)
    {
        Q_UNUSED(blockRows)
        finish(output);
        return passOn();
    }
};
// A two-input type whose top rows may come in blocks while its bottom table
// is whole (a large file joined with a lookup table, in a run without
// windows): the stage makes each block's result, then the rows that follow
// every block's.
class RowBlockStage
{
public:
    virtual ~RowBlockStage() = default;
    // The result of a block of top rows, in output; false refuses the block
    // (the result could differ from the whole table's).
    virtual bool process(const Dataset& top, Dataset& output) = 0;
    // The rows that come after every block's, in output (with the columns of
    // a block's result, and no rows when there are none), with the
    // transform's summary and information for the whole.
    virtual void finish(Dataset& output) = 0;
    // The same rows in blocks of about blockRows rows, each put in output
    // and passed on by passOn(), which returns false to stop. False when
    // stopped or failed (failure()).
    virtual bool finishInBlocks(Dataset& output, int blockRows, const std::function<bool()>& passOn)
    {
        Q_UNUSED(blockRows)
        finish(output);
        return passOn();
    }
    // Why a block or the end failed (a full disk); empty when it did not.
    virtual QString failure() const { return QString(); }
};
class RunContext;
class TableSource;
struct TransformTypeInfo;

enum TransformCategory : int {
    CategoryMerge = 1,
    CategoryColumn = 2,
    CategoryRow = 3,
    CategoryFormat = 4,
    CategoryAnalysis = 5,
    CategoryOther = 6
};

// The common base of every transform type.
//
// A concrete type supplies typeKey(), description(), newInstance(),
// defineParameters() (calling the base first, then addParameter() per
// option) and process(). Display name, type number, category, input range,
// advanced flag, type flag and drilldown flag come from the catalogue's table
// by type key, so a type overrides them only where it must.
//
// process() contract: clear the output; return it empty when the number of
// upstream items is outside the range (hasValidInputCount()); look up the
// parameters (requireParameters() sets "No changes" when one is missing);
// copy the first upstream dataset or build from scratch; call
// reportProgress(row, rowCount) before every row and stop early when it
// returns false; set the summary (setChangeSummary()); on failure set the
// error flag and explain in a warning.
//
// Column options bind to upstream items through bindUpstream(); a type with
// two key inputs overrides reorderInputs() with reorderTwoInputs(), and a
// type that must see every upstream column (Remove Cols) overrides
// bindUpstream() to refill its option when refresh is set. A new type is
// registered with one line in catalogueregistry.cpp.
class Transform : public QObject
{
    Q_OBJECT

public:
    static constexpr int NoLimit = 2147483647;

    explicit Transform(QObject* parent = nullptr);
    ~Transform() override;
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    virtual int typeId() const;
    virtual QSet<QString> keywords() const;
    virtual int category() const;
    virtual bool isAdvanced() const;
    virtual bool typeFlag() const;
    virtual bool keepsDrilldown() const;
    virtual bool keepsVerification() const { return false; }
    virtual void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults);
    virtual Transform* clone() const;
    virtual QList<TransformParameter*> parameters() const { return m_parameters; }
    virtual TransformParameter* parameter(const QString& key) const;
    virtual TransformParameter* parameterBoundTo(const TableSource* item) const;
    virtual QList<TransformParameter*> parametersBoundTo(const TableSource* item) const;
    virtual QString displayName() const;
    virtual QString typeKey() const = 0;
    // Why the type leaves out rows of its first upstream table, for the
    // run's row counts; empty for types that never drop rows.
    virtual QString droppedRowsReason() const { return QString(); }
    virtual void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) = 0;
    virtual bool reorderInputs(const QList<TableSource*>& upstream);
    virtual QString description() const;
    virtual QString inputHint() const { return QString(); }
    virtual QString helpImageHtml() const;
    virtual QString helpImage() const { return QString(); }
    virtual QString inputRequirement() const;
    virtual int minInputs() const;
    virtual int maxInputs() const;
    virtual void setParameters(const QList<TransformParameter*>& parameters);
    virtual void bindUpstream(const QList<TableSource*>& upstream, bool refresh);
    virtual bool usesDates() const { return false; }
    virtual bool offersExploreKeys() const { return false; }
    virtual bool offersExploreDuplicates() const { return false; }
    // Keys of the options the "Explore Keys" and "Explore Duplicates"
    // dialogs read; empty when the type offers neither.
    virtual QString keyColumn1Key() const { return QString(); }
    virtual QString keyColumn2Key() const { return QString(); }
    virtual QString caseSensitiveKey() const { return QString(); }
    virtual QString matchColumnsKey() const { return QString(); }
    virtual QString matchTypeKey() const { return QString(); }
    virtual QString fuzzinessKey() const { return QString(); }
    virtual QString ignoreWhitespaceKey() const { return QString(); }
    virtual QString ignorePunctuationKey() const { return QString(); }
    virtual QString ignoreCaseKey() const { return QString(); }
    virtual bool optionLayoutFlag() const { return false; }
    virtual bool reservedFlag() const { return false; }
    virtual QList<QPair<QString, bool>> optionStates() const { return {}; }
    // Lets a type fit the choices of some options to the values of others
    // (the units of a dimension); the option form calls it before it shows
    // the choices and after every edit. Returns whether a choice list changed.
    virtual bool updateChoices() { return false; }
    virtual void validate();

    // Messages of the last run
    const QStringList& warnings() const { return m_warnings; }
    const QStringList& information() const { return m_information; }
    const QString& resultSummary() const { return m_summary; }
    void clearMessages();
    // A warning for each option whose stored value was out of its range.
    void reportOutOfRangeOptions();
    void addWarning(const QString& text) { m_warnings.append(text); }
    void addInformation(const QString& text) { m_information.append(text); }
    void setSummary(const QString& text) { m_summary = text; }

    // A run that keeps no results lets a reader leave out the values of
    // the columns nothing reads after it (see usedColumnsAfter). A type that
    // can tell which upstream columns its output and messages depend on says
    // so here, and answers usedUpstreamColumns() on a copy of itself whose
    // process() has run on the upstream columns and a sample of their rows.
    virtual bool tellsUsedColumns() const { return false; }
    // For each column of input, whether the output columns marked in
    // usedOutput, or any message, can depend on its values.
    virtual QVector<bool> usedUpstreamColumns(
        const Dataset& input, const QVector<bool>& usedOutput) const;
    // For a type that passes on only some of its rows unchanged, tested one
    // by one on the columns usedUpstreamColumns() gives when no output
    // column is used: makes the test. Null (the default) otherwise.
    virtual std::function<RowTest()> rowTest(const Dataset& input) const
    {
        Q_UNUSED(input)
        return {};
    }

    // A run without windows may pass the rows of a file through in blocks,
    // each processed as a table of its own. A type may take part when every
    // output row depends on its input row alone and its messages on its
    // options alone; a summary that counts rows is set through
    // setCountedSummary(), so that the counts of the blocks add up.
    virtual bool streamsRows() const { return false; }
    // The counts of the last process() (see setCountedSummary).
    const QVector<qint64>& summaryCounts() const { return m_summaryCounts; }
    // Sets the summary from counts: a type's own, or the sums over blocks.
    virtual void setSummaryFromCounts(const QVector<qint64>& counts) { Q_UNUSED(counts) }
    // A type that needs every row may still take them in blocks (see
    // RowBlockConsumer): it says whether it may, and makes the consumer for
    // its options and the first block, or none when they do not allow it.
    virtual bool takesBlocks() const { return false; }
    virtual std::unique_ptr<RowBlockConsumer> blockConsumer(const Dataset& firstRows)
    {
        Q_UNUSED(firstRows)
        return nullptr;
    }
    // A consumer that refuses a later block because the rows turned out
    // other than its first block showed (keys that stop repeating) may ask
    // for the blocks again from the start: the run then streams the file
    // once more, and the type's next consumer takes them the way that
    // holds (rows put aside on disk) rather than the whole table in memory.
    void askForBlocksAgain() { m_blocksAgain = true; }
    bool asksForBlocksAgain() const { return m_blocksAgain; }
    // A two-input type may take its top rows in blocks against its whole
    // bottom table (see RowBlockStage): it says whether it may, and makes
    // the stage for its options and its two upstream items (the top one
    // holding the first block), or none when they do not allow it.
    virtual bool takesTopBlocks() const { return false; }
    virtual std::unique_ptr<RowBlockStage> topBlockStage(
        const TableSource& top, const TableSource& bottom)
    {
        Q_UNUSED(top)
        Q_UNUSED(bottom)
        return nullptr;
    }

    // Column parameters against their upstream datasets
    void refreshColumnNames();
    bool convertPendingParameters();
    bool reconnectColumns(QStringList* information, QStringList* warnings);
    // Column options holding a reference into the given upstream item.
    int columnOptionCount(const TableSource* item) const;

    // The run the next process() belongs to: its Stop request ends loops
    // early. Not owned; without one nothing stops a loop.
    void setRunContext(RunContext* context) { m_context = context; }
    // For each upstream item (in the order process() gets them), whether
    // nothing reads its rows after this transform in this run: process() may
    // then take them over (see takeUpstreamTable) rather than build a copy
    // beside them. Empty when none may be taken.
    void setDisposableUpstream(const QVector<bool>& disposable)
    {
        m_disposableUpstream = disposable;
    }
    // Where defineParameters() finds the user's saved defaults when asked to
    // apply them. Not owned; null means none.
    void setUserDefaults(const EngineSettings* settings) { m_userDefaults = settings; }

    // The catalogue's data for this type; null for a type not in the table.
    const TransformTypeInfo* typeInfo() const;

signals:
    void processed(qreal fractionProcessed);

protected:
    // True once after askForBlocksAgain(), for the consumer made then.
    bool takeBlocksAgain() { return std::exchange(m_blocksAgain, false); }
    // The run this process() belongs to; null outside a run.
    RunContext* runContext() const { return m_context; }
    // The file of the document being run; empty while it is unsaved and
    // outside a run.
    QString documentPath() const;
    // A fresh instance of the concrete type without parameters.
    virtual Transform* newInstance() const = 0;

    // Adds an option during defineParameters(), taking the user's saved
    // default for it when asked to.
    TransformParameter* addParameter(ParameterType type, const QString& key, const QString& label,
        const QVariant& defaultValue = QVariant(), const QVariant& choices = QVariant());
    void deleteParameters();

    // Typed parameter lookup; the fallback is returned when the key is not
    // defined.
    bool boolParameter(const QString& key, bool fallback = false) const;
    int intParameter(const QString& key, int fallback = 0) const;
    double realParameter(const QString& key, double fallback = 0.0) const;
    QString textParameter(const QString& key, const QString& fallback = QString()) const;
    int selectionParameter(const QString& key, int fallback = 0) const;
    QChar charParameter(const QString& key, QChar fallback = QChar()) const;
    // True when every key is defined; otherwise the summary becomes
    // "No changes" and the caller returns.
    bool requireParameters(std::initializer_list<const char*> keys);
    bool hasValidInputCount(const QList<TableSource*>& upstream) const;
    // Makes output the single upstream item's table. When nothing reads the
    // upstream rows after this transform they are taken over: output holds
    // them alone, so a row changed is changed in place instead of copied
    // first. Returns whether they were taken; the upstream table then has no
    // rows (its columns stay), so the rest of process() reads output only.
    bool takeUpstreamTable(Dataset& output, const QList<TableSource*>& upstream);
    // The current column index of a SingleColumn option, or -1.
    int columnIndex(const QString& key) const;
    // Current indices of a column-list option, unresolved ones dropped.
    QVector<int> columnIndexes(const QString& key, bool sortedAscending = false) const;
    static int resolveColumn(const ColumnRef& ref, const Dataset& dataset);
    // The usual answer of usedUpstreamColumns() for a type whose output
    // keeps the upstream columns where they are (and may add some after
    // them): the columns used after it, and every column its options name.
    QVector<bool> usedInPlace(const Dataset& input, const QVector<bool>& usedOutput) const;

    // Before every row: emits processed() at row 0, 1000, 2000 ...; returns
    // false once the user asked to stop, so loops can end early.
    bool reportProgress(int row, int rowCount);
    // True once the user (or the memory limit) asked the run to stop.
    bool stopRequested() const;
    // Keeps the counts and sets the summary from them.
    void setCountedSummary(const QVector<qint64>& counts)
    {
        m_summaryCounts = counts;
        setSummaryFromCounts(counts);
    }
    // "%1 changed, %2 unchanged" or "No changes".
    void setChangeSummary(qint64 changed, qint64 unchanged);
    // The shared input ordering of the two-input key types: the option
    // bound to the upper item is the first.
    bool reorderTwoInputs(
        const QList<TableSource*>& upstream, const QString& firstKey, const QString& secondKey);
    // The two key column options of the two-input key types, top then
    // bottom, and their case option.
    void addKeyColumnParameters(const QString& topKey, const QString& bottomKey);
    void addKeyCaseParameter(const QString& key);
    // Binds a column option to the item another option reads (Lookup's
    // value column, Interpolate's Y columns), after the base binding.
    void bindToSourceOf(const QString& key, const QString& sourceKey);

private:
    QList<TransformParameter*> m_parameters;
    QStringList m_warnings;
    QStringList m_information;
    QString m_summary;
    QVector<qint64> m_summaryCounts;
    bool m_applyUserDefaults = false;
    const EngineSettings* m_userDefaults = nullptr;
    RunContext* m_context = nullptr;
    QVector<bool> m_disposableUpstream;
    mutable const TransformTypeInfo* m_typeInfo = nullptr;
    mutable bool m_typeInfoLooked = false;
    bool m_blocksAgain = false;
};
