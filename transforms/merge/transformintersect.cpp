#include "transforms/merge/transformintersect.h"

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

} // namespace

QSet<QString> TransformIntersect::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "intersection", "both", "semi", "shared", "overlap", "in", "filter" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformIntersect::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addKeyColumnParameters(Column1, Column2);
    addKeyCaseParameter(CaseSensitive);
}

bool TransformIntersect::reorderInputs(const QList<TableSource*>& upstream)
{
    return reorderTwoInputs(upstream, Column1, Column2);
}

void TransformIntersect::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (upstream.isEmpty() || upstream.size() > 2)
        return;
    const Dataset& top = upstream.at(0)->dataset();
    output = withoutRows(top);
    if (upstream.size() == 1) {
        setSummary(QStringLiteral("Connect a second dataset"));
        return;
    }
    if (!requireParameters({ "Column_1", "Column_2", "Case_Sensitive" }))
        return;
    const Dataset& bottom = upstream.at(1)->dataset();
    const int topKey = columnIn(*this, Column1, top);
    const int bottomKey = columnIn(*this, Column2, bottom);
    if (topKey < 0 || bottomKey < 0) {
        setSummary(QStringLiteral("0 intersecting rows"));
        return;
    }
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    const int work = bottom.rowCount() + top.rowCount();

    QSet<QString> bottomKeys;
    for (int r = 0; r < bottom.rowCount(); ++r) {
        if (!reportProgress(r, work))
            return;
        bottomKeys.insert(keyText(bottom.value(r, bottomKey), caseSensitive));
    }
    QSet<QString> inBoth;
    QVector<char> topMatched(top.rowCount(), 0);
    for (int r = 0; r < top.rowCount(); ++r) {
        if (!reportProgress(bottom.rowCount() + r, work))
            return;
        const QString key = keyText(top.value(r, topKey), caseSensitive);
        if (!bottomKeys.contains(key))
            continue;
        topMatched[r] = 1;
        inBoth.insert(key);
        output.appendRow(top.row(r));
    }

    const QPair<int, int> misses = report(top, bottom, topKey, bottomKey, topMatched, inBoth);
    setSummary(
        QStringList { countText(output.rowCount(), QStringLiteral("row"), QStringLiteral("rows"))
                + QStringLiteral(" with keys in both"),
            QStringLiteral("%1 top only").arg(formatInteger(misses.first, true)),
            QStringLiteral("%1 bottom only").arg(formatInteger(misses.second, true)) }
            .join(QStringLiteral(", ")));
}

// The information lines; returns the top and the bottom miss counts.
QPair<int, int> TransformIntersect::report(const Dataset& top, const Dataset& bottom, int topKey,
    int bottomKey, const QVector<char>& topMatched, const QSet<QString>& inBoth)
{
    const bool caseSensitive = boolParameter(CaseSensitive, true);
    addInformation(QStringLiteral("%1 rows have keys in both datasets")
                       .arg(formatInteger(topMatched.count(1), true)));
    addInformation(QStringLiteral("%1 unique keys appear in both datasets")
                       .arg(formatInteger(inBoth.size(), true)));
    const QString topLabel = parameter(Column1)->label();
    const QString bottomLabel = parameter(Column2)->label();
    const int topOnly = KeyReport::misses(
        *this, top, topKey, topLabel, [&](int r) { return topMatched.at(r) != 0; });
    const int bottomOnly = KeyReport::misses(*this, bottom, bottomKey, bottomLabel,
        [&](int r) { return inBoth.contains(keyText(bottom.value(r, bottomKey), caseSensitive)); });
    KeyReport::duplicates(*this, top, topKey, topLabel, caseSensitive);
    KeyReport::duplicates(*this, bottom, bottomKey, bottomLabel, caseSensitive);
    KeyReport::whitespace(*this, top, topKey, topLabel);
    KeyReport::whitespace(*this, bottom, bottomKey, bottomLabel);
    return qMakePair(topOnly, bottomOnly);
}
