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

void TransformLookup::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.size() == 1) {
        output = upstream.first()->dataset();
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Auto_New_Name", "New_Name", "Top_Lookup_Column",
            "Bottom_Lookup_Column", "Bottom_Value_Column", "Match_Type", "Fuzziness",
            "Bottom_Values_Used", "Fuzzy_Bottom_Values_Used", "Empty_Values", "Delim",
            "If_No_Match", "Non_Matching_Value", "Case_Sensitive" }))
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
    output.setColumnName(newColumn,
        boolParameter(AutoNewName, true)
            ? QStringLiteral("%1 %2").arg(displayName(), bottom.columnName(bottomValue))
            : textParameter(NewName));
    QVector<char> matched(top.rowCount(), 0);
    const bool finished = selectionParameter(MatchTypeKey) == MatchExact
        ? lookUpExact(output, top, bottom, topKey, bottomKey, bottomValue, matched)
        : lookUpByRelation(output, top, bottom, topKey, bottomKey, bottomValue, matched);
    if (finished)
        report(top, bottom, topKey, bottomKey, matched);
}

QString TransformLookup::missCell(
    const Dataset& top, int row, int topKey, const ColumnVariables& noMatch) const
{
    if (selectionParameter(IfNoMatch) == LeaveUnchanged)
        return top.value(row, topKey);
    return noMatch.expand(top.row(row));
}

// One hash from key to the finished cell: for "First" the value of the key's
// first usable row, for "All" its different values joined once per key
// rather than once per top row.
bool TransformLookup::lookUpExact(Dataset& output, const Dataset& top, const Dataset& bottom,
    int topKey, int bottomKey, int bottomValue, QVector<char>& matched)
{
    const LookupOptions o = options();
    const int bottomRows = bottom.rowCount();
    const int work = bottomRows + top.rowCount();
    QHash<QString, QString> cells;
    QHash<QString, QStringList> values;
    QSet<QPair<QString, QString>> pairs;
    for (int r = 0; r < bottomRows; ++r) {
        if (!reportProgress(r, work))
            return false;
        const QString& value = bottom.value(r, bottomValue);
        if (o.ignoreEmptyValues && value.isEmpty())
            continue;
        const QString key = keyText(bottom.value(r, bottomKey), o.caseSensitive);
        if (!o.allValues) {
            if (!cells.contains(key))
                cells.insert(key, value);
        } else if (!pairs.contains(qMakePair(key, value))) {
            pairs.insert(qMakePair(key, value));
            values[key].append(value);
        }
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        cells.insert(it.key(), it.value().join(o.delimiter));

    const ColumnVariables noMatch(textParameter(NonMatchingValue), top);
    const int newColumn = output.lastColumn();
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!reportProgress(bottomRows + r, work))
            return false;
        const auto it = cells.constFind(keyText(top.value(r, topKey), o.caseSensitive));
        if (it != cells.constEnd()) {
            matched[r] = 1;
            output.setValue(r, newColumn, it.value());
        } else {
            output.setValue(r, newColumn, missCell(top, r, topKey, noMatch));
        }
    }
    return true;
}

bool TransformLookup::lookUpByRelation(Dataset& output, const Dataset& top, const Dataset& bottom,
    int topKey, int bottomKey, int bottomValue, QVector<char>& matched)
{
    RelationLookup lookup(bottom, bottomKey, bottomValue, options());
    const ColumnVariables noMatch(textParameter(NonMatchingValue), top);
    const int newColumn = output.lastColumn();
    QString cell;
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!reportProgress(r, top.rowCount()))
            return false;
        if (lookup.lookUp(top.value(r, topKey), cell)) {
            matched[r] = 1;
            output.setValue(r, newColumn, cell);
        } else {
            output.setValue(r, newColumn, missCell(top, r, topKey, noMatch));
        }
    }
    if (!lookup.invalidPattern().isEmpty())
        addWarning(QStringLiteral("Invalid regular expression '%1'").arg(lookup.invalidPattern()));
    return true;
}

void TransformLookup::report(const Dataset& top, const Dataset& bottom, int topKey, int bottomKey,
    const QVector<char>& matched)
{
    const LookupOptions o = options();
    const QString topLabel = parameter(TopColumn)->label();
    const QString bottomLabel = parameter(BottomColumn)->label();
    if (!o.allValues)
        KeyReport::duplicates(*this, bottom, bottomKey, bottomLabel, o.caseSensitive);
    const int misses = KeyReport::misses(
        *this, top, topKey, topLabel, [&](int r) { return matched.at(r) != 0; });
    KeyReport::whitespace(*this, top, topKey, topLabel);
    KeyReport::whitespace(*this, bottom, bottomKey, bottomLabel);
    setSummary(QStringLiteral("%1 matched, %2 unmatched")
                   .arg(formatInteger(top.rowCount() - misses, true), formatInteger(misses, true)));
}
