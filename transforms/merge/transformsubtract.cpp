#include "transforms/merge/transformsubtract.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/support/keyreport.h"
#include "transforms/support/mergeutil.h"

#include <QStringList>

namespace {

const QString Column1 = QStringLiteral("Column_1");
const QString Column2 = QStringLiteral("Column_2");
const QString CaseSensitive = QStringLiteral("Case_Sensitive");
const QString Match = QStringLiteral("Match");

enum MatchMode { AllMatches = 0, FirstMatch = 1, LastMatch = 2 };

constexpr int ListedRows = 5;

} // namespace

QSet<QString> TransformSubtract::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "difference", "exclude", "anti", "without", "not", "filter", "delete" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSubtract::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addKeyColumnParameters(Column1, Column2);
    addKeyCaseParameter(CaseSensitive);
    addParameter(ParameterType::Selection, Match, QStringLiteral("Remove"),
        QStringLiteral("All matches"),
        QStringList { QStringLiteral("All matches"), QStringLiteral("First match"),
            QStringLiteral("Last match") })
        ->setTooltip(QStringLiteral(
            "All matches: remove every top row whose key exists in the bottom dataset.\n"
            "First match: remove one top row for each matching key in the bottom dataset, "
            "proceeding from the first to the last top row.\n"
            "Last match: remove one top row for each matching key in the bottom dataset, "
            "proceeding from the last to the first top row."));
}

bool TransformSubtract::reorderInputs(const QList<TableSource*>& upstream)
{
    return reorderTwoInputs(upstream, Column1, Column2);
}

void TransformSubtract::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.isEmpty() || upstream.size() > 2)
        return;
    const Dataset& top = upstream.at(0)->dataset();
    if (upstream.size() == 1) {
        output = top;
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!requireParameters({ "Column_1", "Column_2", "Case_Sensitive", "Match" }))
        return;
    const Dataset& bottom = upstream.at(1)->dataset();
    const int topKey = columnIn(*this, Column1, top);
    const int bottomKey = columnIn(*this, Column2, bottom);
    const QVector<char> remove = topKey < 0 || bottomKey < 0
        ? QVector<char>()
        : rowsToRemove(top, bottom, topKey, bottomKey);
    const int removed = int(remove.count(1));
    if (removed == 0) {
        output = top;
        setSummary(QStringLiteral("No changes"));
        return;
    }
    // Kept rows are the top's own rows and keep sharing their storage.
    output = withoutRows(top);
    output.reserveRows(top.rowCount() - removed);
    int listed = 0;
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!remove.at(r)) {
            output.appendRow(top.row(r));
        } else if (listed < ListedRows) {
            ++listed;
            addInformation(QStringLiteral("Subtracted row %1 with key '%2'")
                               .arg(QString::number(r + 1), top.value(r, topKey)));
        }
    }
    const int rest = removed - listed;
    if (rest > 0)
        addInformation(QStringLiteral("+ %1 %2").arg(formatInteger(rest, true),
            rest == 1 ? QStringLiteral("other") : QStringLiteral("others")));
    setSummary(QStringLiteral("%1 row(s) removed").arg(formatInteger(removed, true)));
}

// A flag per top row: 1 when the row goes. The rows removed are listed in
// top order whichever way "Last match" walks, so that the report reads like
// the dataset.
QVector<char> TransformSubtract::rowsToRemove(
    const Dataset& top, const Dataset& bottom, int topKey, int bottomKey)
{
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    const int mode = selectionParameter(Match);
    const int topRows = top.rowCount();
    const int work = bottom.rowCount() + topRows;
    QVector<char> remove(topRows, 0);

    QHash<QString, int> counts;
    for (int r = 0; r < bottom.rowCount(); ++r) {
        if (!reportProgress(r, work))
            return QVector<char>();
        ++counts[keyText(bottom.value(r, bottomKey), caseSensitive)];
    }
    for (int i = 0; i < topRows; ++i) {
        if (!reportProgress(bottom.rowCount() + i, work))
            return QVector<char>();
        const int r = mode == LastMatch ? topRows - 1 - i : i;
        auto it = counts.find(keyText(top.value(r, topKey), caseSensitive));
        if (it == counts.end() || it.value() <= 0)
            continue;
        remove[r] = 1;
        if (mode != AllMatches)
            --it.value();
    }
    return remove;
}
