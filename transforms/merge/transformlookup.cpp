#include "transforms/merge/transformlookup.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/merge/lookupmatch.h"
#include "transforms/support/keyreport.h"
#include "transforms/support/mergeutil.h"

#include <QSet>
#include <QStringList>

namespace {

const QString AutoNewName = QStringLiteral("Auto_New_Name");
const QString NewName = QStringLiteral("New_Name");
const QString TopColumn = QStringLiteral("Top_Lookup_Column");
const QString BottomColumn = QStringLiteral("Bottom_Lookup_Column");
const QString ValueColumn = QStringLiteral("Bottom_Value_Column");
const QString MatchTypeKey = QStringLiteral("Match_Type");
const QString Fuzziness = QStringLiteral("Fuzziness");
const QString ValuesUsed = QStringLiteral("Bottom_Values_Used");
const QString FuzzyValuesUsedKey = QStringLiteral("Fuzzy_Bottom_Values_Used");
const QString EmptyValues = QStringLiteral("Empty_Values");
const QString Delim = QStringLiteral("Delim");
const QString IfNoMatch = QStringLiteral("If_No_Match");
const QString NonMatchingValue = QStringLiteral("Non_Matching_Value");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");

enum NoMatch { UseNoMatchValue = 0, LeaveUnchanged = 1 };

} // namespace

QSet<QString> TransformLookup::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "xlookup", "hlookup", "dictionary", "map", "mapping", "translate",
             "enrich", "fetch", "fuzzy", "regex", "join" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformLookup::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(
        ParameterType::Bool, AutoNewName, QStringLiteral("automatic new column name"), true)
        ->setTooltip(QStringLiteral("Check to name the new column after the bottom value column."));
    addParameter(ParameterType::Text, NewName, QStringLiteral("new column name"), typeKey())
        ->setTooltip(QStringLiteral("The name of the new column."));
    addParameter(ParameterType::SingleColumn, TopColumn, QStringLiteral("Top lookup column"))
        ->setTooltip(QStringLiteral("Select the column of the top upstream dataset whose values "
                                    "are looked up."));
    addParameter(ParameterType::SingleColumn, BottomColumn, QStringLiteral("Bottom lookup column"))
        ->setTooltip(QStringLiteral("Select the column of the bottom upstream dataset in which "
                                    "the values are looked up."));
    addParameter(ParameterType::SingleColumn, ValueColumn, QStringLiteral("Bottom value column"))
        ->setTooltip(QStringLiteral("Select the column of the bottom upstream dataset whose "
                                    "values are added."));
    addParameter(ParameterType::Selection, MatchTypeKey, QStringLiteral("match type"),
        QStringLiteral("Exact"), lookupMatchTypeNames())
        ->setTooltip(QStringLiteral("How a top value matches a bottom value. Exact is by far "
                                    "the fastest; the others compare every pair of values."));
    TransformParameter* fuzziness
        = addParameter(ParameterType::Int, Fuzziness, QStringLiteral("fuzziness"), 80);
    fuzziness->setIntRange(0, 100);
    fuzziness->setSuffix(QStringLiteral("%"));
    fuzziness->setTooltip(QStringLiteral("The least closeness, in percent, of a fuzzy match."));
    addParameter(ParameterType::Selection, ValuesUsed, QStringLiteral("bottom values used"),
        QStringLiteral("First"), QStringList { QStringLiteral("First"), QStringLiteral("All") })
        ->setTooltip(QStringLiteral("For a value matching several bottom rows: the value of the "
                                    "first, or all different values joined by the delimiter."));
    addParameter(ParameterType::Selection, FuzzyValuesUsedKey,
        QStringLiteral("fuzzy bottom values used"), QStringLiteral("First best"),
        QStringList {
            QStringLiteral("First best"), QStringLiteral("All best"), QStringLiteral("All") })
        ->setTooltip(QStringLiteral("For several fuzzy matches: the closest (the first of equally "
                                    "close ones), all equally closest, or all matches."));
    addParameter(ParameterType::Bool, EmptyValues, QStringLiteral("ignore empty values"), false)
        ->setTooltip(QStringLiteral("Check to ignore bottom rows whose value is empty."));
    addParameter(ParameterType::Text, Delim, QStringLiteral("delimiter"), QStringLiteral(","))
        ->setTextRequired(false);
    parameter(Delim)->setTooltip(QStringLiteral("Separates several values in one cell."));
    addParameter(ParameterType::Selection, IfNoMatch, QStringLiteral("if no match"),
        QStringLiteral("Use no match value"),
        QStringList { QStringLiteral("Use no match value"), QStringLiteral("Leave unchanged") })
        ->setTooltip(QStringLiteral("What the new cell holds when nothing matches: the no match "
                                    "value, or the top value itself."));
    addParameter(ParameterType::Text, NonMatchingValue, QStringLiteral("no match value"))
        ->setTextRequired(false);
    parameter(NonMatchingValue)
        ->setTooltip(QStringLiteral("The value when nothing matches.\nYou can use column "
                                    "variables. e.g. $(1) to reference the first column value."));
    addKeyCaseParameter(CaseSensitive);
}

QList<QPair<QString, bool>> TransformLookup::optionStates() const
{
    const bool fuzzy = selectionParameter(MatchTypeKey) == MatchFuzzy;
    const bool severalValues = fuzzy ? selectionParameter(FuzzyValuesUsedKey) != FuzzyFirstBest
                                     : selectionParameter(ValuesUsed) == 1;
    return { qMakePair(NewName, !boolParameter(AutoNewName, true)), qMakePair(Fuzziness, fuzzy),
        qMakePair(ValuesUsed, !fuzzy), qMakePair(FuzzyValuesUsedKey, fuzzy),
        qMakePair(Delim, severalValues),
        qMakePair(NonMatchingValue, selectionParameter(IfNoMatch) == UseNoMatchValue) };
}

bool TransformLookup::usesDates() const
{
    switch (selectionParameter(MatchTypeKey)) {
    case MatchEqual:
    case MatchNotEqual:
    case MatchBottomGreaterThanTop:
    case MatchBottomGreaterEqualTop:
    case MatchTopGreaterThanBottom:
    case MatchTopGreaterEqualBottom:
        return true;
    default:
        return false;
    }
}

// Both bottom options read the bottom item; the base binding would hand the
// value column a third item that does not exist.
void TransformLookup::bindUpstream(const QList<TableSource*>& upstream, bool refresh)
{
    Transform::bindUpstream(upstream, refresh);
    bindToSourceOf(ValueColumn, BottomColumn);
}

// The two key options change places with their items; the value column goes
// with the bottom role. It cannot keep its column, which belongs to the item
// that is now on top, so it takes the column of the same name in the new
// bottom item, or none.
bool TransformLookup::reorderInputs(const QList<TableSource*>& upstream)
{
    if (!reorderTwoInputs(upstream, TopColumn, BottomColumn))
        return false;
    TransformParameter* value = parameter(ValueColumn);
    const TransformParameter* key = parameter(BottomColumn);
    if (value && key) {
        const QString name = value->columnRef().name;
        value->setSourceItem(key->sourceItem());
        const int c = name.isEmpty() ? -1 : value->sourceDataset().columnIndexByName(name);
        value->setValue(QVariant::fromValue(c >= 0 ? value->referenceAt(c) : ColumnRef()));
    }
    return true;
}

LookupOptions TransformLookup::options() const
{
    LookupOptions o;
    o.matchType = selectionParameter(MatchTypeKey);
    o.caseSensitive = boolParameter(CaseSensitive, true);
    o.allValues = selectionParameter(ValuesUsed) == 1;
    o.fuzzyValuesUsed = selectionParameter(FuzzyValuesUsedKey);
    o.fuzziness = intParameter(Fuzziness, 80);
    o.ignoreEmptyValues = boolParameter(EmptyValues);
    o.delimiter = textParameter(Delim);
    return o;
}

bool TransformLookup::hasOptions()
{
    return requireParameters({ "Auto_New_Name", "New_Name", "Top_Lookup_Column",
        "Bottom_Lookup_Column", "Bottom_Value_Column", "Match_Type", "Fuzziness",
        "Bottom_Values_Used", "Fuzzy_Bottom_Values_Used", "Empty_Values", "Delim", "If_No_Match",
        "Non_Matching_Value", "Case_Sensitive" });
}

QString TransformLookup::newColumnName(const Dataset& bottom, int bottomValue) const
{
    return boolParameter(AutoNewName, true)
        ? QStringLiteral("%1 %2").arg(displayName(), bottom.columnName(bottomValue))
        : textParameter(NewName);
}

// The new cell of a top key: for an exact match one hash from key to the
// finished cell (for "First" the value of the key's first usable row, for
// "All" its different values joined once per key rather than once per top
// row); for the other matches the relation, against the bottom rows.
class LookupCells
{
public:
    // progress(row) as the bottom rows are hashed; false from it stops
    // (ready() is then false).
    LookupCells(const TransformLookup& transform, const Dataset& bottom, int bottomKey,
        int bottomValue, const std::function<bool(int)>& progress)
        : m_options(transform.options())
    {
        if (m_options.matchType != MatchExact) {
            m_relation
                = std::make_unique<RelationLookup>(bottom, bottomKey, bottomValue, m_options);
            return;
        }
        QHash<QString, QStringList> values;
        QSet<QPair<QString, QString>> pairs;
        for (int r = 0; r < bottom.rowCount(); ++r) {
            if (!progress(r)) {
                m_ready = false;
                return;
            }
            const QString& value = bottom.value(r, bottomValue);
            if (m_options.ignoreEmptyValues && value.isEmpty())
                continue;
            const QString key = keyText(bottom.value(r, bottomKey), m_options.caseSensitive);
            if (!m_options.allValues) {
                if (!m_cells.contains(key))
                    m_cells.insert(key, value);
            } else if (!pairs.contains(qMakePair(key, value))) {
                pairs.insert(qMakePair(key, value));
                values[key].append(value);
            }
        }
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            m_cells.insert(it.key(), it.value().join(m_options.delimiter));
    }

    bool ready() const { return m_ready; }
    // False when nothing matches.
    bool lookUp(const QString& topKey, QString& cell)
    {
        if (m_relation)
            return m_relation->lookUp(topKey, cell);
        const auto it = m_cells.constFind(keyText(topKey, m_options.caseSensitive));
        if (it == m_cells.constEnd())
            return false;
        cell = it.value();
        return true;
    }
    QString invalidPattern() const { return m_relation ? m_relation->invalidPattern() : QString(); }

private:
    LookupOptions m_options;
    QHash<QString, QString> m_cells;
    std::unique_ptr<RelationLookup> m_relation;
    bool m_ready = true;
};

// Looks up a block of top rows at a time, tallying the top table's misses
// and stray whitespace as the rows go by, in row order, for the reports at
// the end.
class LookupBlocks : public RowBlockStage
{
public:
    LookupBlocks(TransformLookup* transform, const Dataset& firstTop, const Dataset& bottom,
        int topKey, int bottomKey, int bottomValue)
        : m_transform(transform),
          m_bottom(bottom),
          m_topKey(topKey),
          m_bottomKey(bottomKey),
          m_cells(*transform, bottom, bottomKey, bottomValue, [](int) { return true; }),
          m_noMatch(transform->textParameter(NonMatchingValue), firstTop),
          m_shape(firstTop)
    {
        m_shape.releaseRows();
        m_shape.appendColumn();
        m_shape.setColumnName(m_shape.lastColumn(), transform->newColumnName(bottom, bottomValue));
    }

    bool process(const Dataset& top, Dataset& output) override
    {
        if (top.columnCount() + 1 != m_shape.columnCount())
            return false;
        output = top;
        output.appendColumn();
        const int newColumn = output.lastColumn();
        output.setColumnName(newColumn, m_shape.columnName(newColumn));
        m_transform->lookUpRows(
            output, top, m_topKey, m_cells, m_noMatch, m_rows, m_tallies, [](int) { return true; });
        m_rows += top.rowCount();
        return true;
    }

    void finish(Dataset& output) override
    {
        output = m_shape;
        m_transform->report(m_cells, m_bottom, m_bottomKey, m_rows, m_tallies);
    }

private:
    TransformLookup* m_transform;
    const Dataset m_bottom;
    int m_topKey;
    int m_bottomKey;
    LookupCells m_cells;
    ColumnVariables m_noMatch;
    // The columns of a block's result.
    Dataset m_shape;
    TransformLookup::TopTallies m_tallies;
    qint64 m_rows = 0;
};

std::unique_ptr<RowBlockStage> TransformLookup::topBlockStage(
    const TableSource& top, const TableSource& bottom)
{
    const Dataset& firstTop = top.dataset();
    const Dataset& bottomRows = bottom.dataset();
    if (!hasOptions())
        return nullptr;
    const int topKey = columnIn(*this, TopColumn, firstTop);
    const int bottomKey = columnIn(*this, BottomColumn, bottomRows);
    const int bottomValue = columnIn(*this, ValueColumn, bottomRows);
    if (topKey < 0 || bottomKey < 0 || bottomValue < 0)
        return nullptr;
    return std::make_unique<LookupBlocks>(
        this, firstTop, bottomRows, topKey, bottomKey, bottomValue);
}

void TransformLookup::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasValidInputCount(upstream) || !hasOptions())
        return;
    const Dataset& top = upstream.at(0)->dataset();
    const Dataset& bottom = upstream.at(1)->dataset();
    const int topKey = columnIn(*this, TopColumn, top);
    const int bottomKey = columnIn(*this, BottomColumn, bottom);
    const int bottomValue = columnIn(*this, ValueColumn, bottom);
    output = top;
    if (topKey < 0 || bottomKey < 0 || bottomValue < 0) {
        setSummary(QStringLiteral("No changes"));
        return;
    }
    const int newColumn = output.columnCount();
    output.appendColumn();
    output.setColumnName(newColumn, newColumnName(bottom, bottomValue));
    // Progress runs over the bottom rows while they are hashed, then over
    // the top rows.
    const bool exact = selectionParameter(MatchTypeKey) == MatchExact;
    const int bottomRows = exact ? bottom.rowCount() : 0;
    const int work = bottomRows + top.rowCount();
    LookupCells cells(
        *this, bottom, bottomKey, bottomValue, [&](int r) { return reportProgress(r, work); });
    if (!cells.ready())
        return;
    const ColumnVariables noMatch(textParameter(NonMatchingValue), top);
    TopTallies tallies;
    if (lookUpRows(output, top, topKey, cells, noMatch, 0, tallies,
            [&](int r) { return reportProgress(bottomRows + r, work); }))
        report(cells, bottom, bottomKey, top.rowCount(), tallies);
}

// The new column's cell of each top row (row numbers counted from
// firstRow), the misses and stray whitespace tallied; false when
// progress(row) stops it.
bool TransformLookup::lookUpRows(Dataset& output, const Dataset& top, int topKey,
    LookupCells& cells, const ColumnVariables& noMatch, qint64 firstRow, TopTallies& tallies,
    const std::function<bool(int)>& progress) const
{
    const int newColumn = output.lastColumn();
    QString cell;
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!progress(r))
            return false;
        const QString& key = top.value(r, topKey);
        if (cells.lookUp(key, cell)) {
            output.setValue(r, newColumn, cell);
        } else {
            tallies.misses.add(key, firstRow + r);
            output.setValue(r, newColumn, missCell(top, r, topKey, noMatch));
        }
        if (KeyReport::hasOuterWhitespace(key))
            tallies.spaces.add(key, firstRow + r);
    }
    return true;
}

QString TransformLookup::missCell(
    const Dataset& top, int row, int topKey, const ColumnVariables& noMatch) const
{
    if (selectionParameter(IfNoMatch) == LeaveUnchanged)
        return top.value(row, topKey);
    return noMatch.expand(top.row(row));
}

// The reports in their order: a broken pattern, the bottom table's
// duplicated keys, the top table's misses and stray whitespace, the bottom
// table's stray whitespace; then the summary.
void TransformLookup::report(const LookupCells& cells, const Dataset& bottom, int bottomKey,
    qint64 rows, const TopTallies& tallies)
{
    if (!cells.invalidPattern().isEmpty())
        addWarning(QStringLiteral("Invalid regular expression '%1'").arg(cells.invalidPattern()));
    const LookupOptions o = options();
    if (!o.allValues) {
        KeyReport::duplicates(
            *this, bottom, bottomKey, parameter(BottomColumn)->label(), o.caseSensitive);
    }
    const QString topLabel = parameter(TopColumn)->label();
    KeyReport::misses(*this, tallies.misses, topLabel);
    KeyReport::whitespace(*this, tallies.spaces, topLabel);
    KeyReport::whitespace(*this, bottom, bottomKey, parameter(BottomColumn)->label());
    const qint64 misses = tallies.misses.count;
    setSummary(QStringLiteral("%1 matched, %2 unmatched")
                   .arg(formatInteger(rows - misses, true), formatInteger(misses, true)));
}
