#include "transforms/format/transformslide.h"

#include "core/dataset.h"
#include "core/values.h"

namespace {

const QString SlideMode = QStringLiteral("Slide");
const QString Places = QStringLiteral("Places");

const QStringList& modeChoices()
{
    static const QStringList choices
        = { QStringLiteral("Close gaps to the left"), QStringLiteral("Close gaps to the right"),
              QStringLiteral("Shift right"), QStringLiteral("Shift left") };
    return choices;
}

} // namespace

QSet<QString> TransformSlide::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "move", "gaps", "blanks", "left", "right", "align", "misaligned" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSlide::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    CellRewriteTransform::defineParameters(upstream, useUserDefaults);
    addColumnsParameter();
    addParameter(ParameterType::Selection, SlideMode, QStringLiteral("slide"),
        modeChoices().first(), modeChoices())
        ->setTooltip(QStringLiteral("Close the gaps left by empty cells by moving the values "
                                    "together, or shift every value by a number of places. "
                                    "Values only move between the selected columns."));
    TransformParameter* places
        = addParameter(ParameterType::Int, Places, QStringLiteral("places"), 1);
    places->setIntRange(1, 9999);
    places->setTooltip(QStringLiteral("How many columns each value is shifted by. Values shifted "
                                      "past the last selected column are lost."));
}

QList<QPair<QString, bool>> TransformSlide::optionStates() const
{
    return { qMakePair(Places, selectionParameter(SlideMode) >= ShiftRight) };
}

QStringList TransformSlide::requiredKeys() const
{
    return { SlideMode, Places };
}

QStringList TransformSlide::slide(const QStringList& values, Mode mode, int places, int* lost)
{
    const int n = values.size();
    QStringList moved;
    moved.reserve(n);
    int dropped = 0;
    if (mode == CloseGapsLeft || mode == CloseGapsRight) {
        for (const QString& v : values) {
            if (!v.isEmpty())
                moved << v;
        }
        const int gaps = n - moved.size();
        for (int i = 0; i < gaps; ++i) {
            if (mode == CloseGapsLeft)
                moved.append(QString());
            else
                moved.prepend(QString());
        }
    } else {
        const int offset = mode == ShiftRight ? places : -places;
        for (int i = 0; i < n; ++i) {
            const int source = i - offset;
            moved << (source >= 0 && source < n ? values.at(source) : QString());
        }
        for (int i = 0; i < n; ++i) {
            const int target = i + offset;
            if ((target < 0 || target >= n) && !values.at(i).isEmpty())
                ++dropped;
        }
    }
    if (lost)
        *lost = dropped;
    return moved;
}

bool TransformSlide::prepare(const Dataset& input, const QVector<int>& columns)
{
    m_columns = columns;
    m_slot.fill(-1, input.columnCount());
    for (int i = 0; i < columns.size(); ++i)
        m_slot[columns.at(i)] = i;
    m_mode = Mode(selectionParameter(SlideMode));
    m_places = qMax(1, intParameter(Places, 1));
    m_lost = 0;
    return true;
}

void TransformSlide::startRow(int row, const QStringList& rowValues)
{
    Q_UNUSED(row)
    QStringList values;
    values.reserve(m_columns.size());
    for (int c : qAsConst(m_columns))
        values << rowValues.at(c);
    int lost = 0;
    m_moved = slide(values, m_mode, m_places, &lost);
    m_lost += lost;
}

QString TransformSlide::rewrite(const QString& text, int row, int column)
{
    Q_UNUSED(text)
    Q_UNUSED(row)
    return m_moved.at(m_slot.at(column));
}

void TransformSlide::setRewriteSummary(qint64 changed, qint64 unchanged)
{
    setChangeSummary(changed, unchanged);
    if (m_lost > 0)
        addWarning(QStringLiteral("%1 shifted past the last selected column and lost")
                       .arg(countText(m_lost, QStringLiteral("value"), QStringLiteral("values"))));
}
