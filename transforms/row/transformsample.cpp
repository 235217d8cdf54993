#include "transforms/row/transformsample.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"

#include <QRandomGenerator>

#include <random>

namespace {

const QStringList& spreadChoices()
{
    static const QStringList choices
        = { QStringLiteral("Evenly"), QStringLiteral("Top"), QStringLiteral("Bottom"),
              QStringLiteral("Randomly (for quality)"), QStringLiteral("Randomly (for speed)") };
    return choices;
}

// A uniform number in [0, 1) from one 32-bit output.
double unitInterval(std::mt19937& generator)
{
    return double(generator()) / 4294967296.0;
}

// A uniform index below n by multiply and shift; its bias (below n / 2^32)
// does not matter for sampling and it needs no rejection loop.
int indexBelow(std::mt19937& generator, int n)
{
    return int((quint64(generator()) * quint64(n)) >> 32);
}

// Selection sampling: with k rows still needed and m left, a row is kept
// when k / m is at least u. Every subset of the wanted size is equally likely
// and the rows come out in order.
QVector<int> selectionSample(int wanted, int rowCount, std::mt19937& generator,
    const std::function<bool(int, int)>& progress)
{
    QVector<int> rows;
    rows.reserve(wanted);
    for (int r = 0; r < rowCount && rows.size() < wanted; ++r) {
        if (progress && r % 10000 == 0 && !progress(r, rowCount))
            break;
        const double u = unitInterval(generator);
        if (double(wanted - rows.size()) / double(rowCount - r) >= u)
            rows.append(r);
    }
    return rows;
}

// Draws indices directly, never one twice: when more than half the rows are
// wanted it draws the rows to leave out instead, so the draws that hit a
// row already taken stay few.
QVector<int> directSample(int wanted, int rowCount, std::mt19937& generator)
{
    const bool drawLeftOut = wanted > rowCount / 2;
    const int draws = drawLeftOut ? rowCount - wanted : wanted;
    QVector<bool> drawn(rowCount, false);
    for (int taken = 0; taken < draws;) {
        const int r = indexBelow(generator, rowCount);
        if (!drawn[r]) {
            drawn[r] = true;
            ++taken;
        }
    }
    QVector<int> rows;
    rows.reserve(wanted);
    for (int r = 0; r < rowCount; ++r) {
        if (drawn[r] != drawLeftOut)
            rows.append(r);
    }
    return rows;
}

} // namespace

QString TransformSample::description() const
{
    return QStringLiteral("Keep a subset of rows.");
}

QSet<QString> TransformSample::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "sampling", "random", "randomly", "subset", "top", "bottom", "head",
             "tail", "first", "last", "evenly", "seed", "limit" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformSample::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::Int, QStringLiteral("Rows"), QStringLiteral("Rows"), 100)
        ->setTooltip(QStringLiteral(
            "The number of rows to sample from the upstream dataset. If greater than or equal to "
            "the number of input rows, then the input and output will be the same."));
    addParameter(ParameterType::Selection, QStringLiteral("Spread"), QStringLiteral("Select"),
        spreadChoices().first(), spreadChoices());
    // A fresh seed per new transform, so two Sample items do not pick the
    // same rows unless the user asks them to.
    TransformParameter* seed = addParameter(ParameterType::Int, QStringLiteral("Seed"),
        QStringLiteral("Random seed"), int(QRandomGenerator::global()->bounded(MaximumSeed)));
    seed->setIntRange(0, MaximumSeed);
    seed->setTooltip(QStringLiteral("The seed for the pseudo-random number generator. Set between "
                                    "%1 and %2. Only used when sampling randomly.")
                         .arg(0)
                         .arg(MaximumSeed));
    TransformParameter* disable = addParameter(
        ParameterType::Bool, QStringLiteral("Disable"), QStringLiteral("disable sampling"), false);
    disable->setMarksInput(true);
    disable->setTooltip(
        QStringLiteral("Check to disable sampling (which means that transform does nothing)."));
}

QList<QPair<QString, bool>> TransformSample::optionStates() const
{
    const int spread = selectionParameter(QStringLiteral("Spread"));
    return { { QStringLiteral("Seed"), spread == RandomQuality || spread == RandomSpeed } };
}

QVector<int> TransformSample::choose(Spread spread, int wanted, int rowCount, quint32 seed,
    const std::function<bool(int, int)>& progress)
{
    QVector<int> rows;
    wanted = qBound(0, wanted, rowCount);
    std::mt19937 generator(seed);
    switch (spread) {
    case Top:
    case Bottom:
        rows.reserve(wanted);
        for (int i = 0; i < wanted; ++i)
            rows.append(spread == Top ? i : rowCount - wanted + i);
        return rows;
    case RandomQuality:
        return selectionSample(wanted, rowCount, generator, progress);
    case RandomSpeed:
        return directSample(wanted, rowCount, generator);
    default:
        // Row floor(i * N / n) for i = 0 .. n-1: equal steps from the first row.
        rows.reserve(wanted);
        for (int i = 0; i < wanted; ++i)
            rows.append(int(qint64(i) * rowCount / wanted));
        return rows;
    }
}

void TransformSample::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Rows", "Spread", "Seed", "Disable" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    const int count = input.rowCount();
    if (boolParameter(QStringLiteral("Disable"))) {
        addWarning(QStringLiteral("Sampling is disabled"));
        setSummary(QStringLiteral("%1 sampled, %2 unsampled").arg(formatInteger(count), "0"));
        return;
    }
    const int wanted = intParameter(QStringLiteral("Rows"));
    if (wanted < count) {
        const QVector<int> rows = choose(Spread(selectionParameter(QStringLiteral("Spread"))),
            wanted, count, quint32(intParameter(QStringLiteral("Seed"))),
            [this](int done, int total) { return reportProgress(done, total); });
        output.selectRows(rows);
    }
    setSummary(
        QStringLiteral("%1 sampled, %2 unsampled")
            .arg(formatInteger(output.rowCount()), formatInteger(count - output.rowCount())));
}
