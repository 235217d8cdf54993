#include "transforms/support/closeness.h"

#include <QPair>

#include <algorithm>
#include <vector>

namespace {

quint64 letterBit(ushort unit)
{
    return quint64(1) << (unit & 63);
}

quint64 letterMask(QStringView text)
{
    quint64 mask = 0;
    for (QChar c : text)
        mask |= letterBit(c.unicode());
    return mask;
}

int popCount(quint64 bits)
{
    return __builtin_popcountll(bits);
}

// Each letter that one value has and the other lacks needs an edit of its own.
int letterBound(quint64 a, quint64 b)
{
    return std::max(popCount(a & ~b), popCount(b & ~a));
}

// Bit-parallel edit distance (Myers, in Hyyro's form for whole texts): the
// pattern of m <= 64 code units is the column, each text code unit advances
// one step. Stops as soon as the bottom row, less the steps still to come,
// shows the distance reaches the limit.
template <class MaskOf>
int bitParallelDistance(int m, const MaskOf& maskOf, QStringView text, int limit)
{
    const int n = text.size();
    quint64 pv = ~quint64(0);
    quint64 mv = 0;
    const quint64 last = quint64(1) << (m - 1);
    int score = m;
    for (int j = 0; j < n; ++j) {
        const quint64 eq = maskOf(text.at(j).unicode());
        const quint64 xv = eq | mv;
        const quint64 xh = (((eq & pv) + pv) ^ pv) | eq;
        quint64 ph = mv | ~(xh | pv);
        quint64 mh = pv & xh;
        if (ph & last)
            ++score;
        else if (mh & last)
            --score;
        ph = (ph << 1) | 1;
        mh <<= 1;
        pv = mh | ~(xv | ph);
        mv = ph & xv;
        if (score - (n - 1 - j) >= limit)
            return limit;
    }
    return std::min(score, limit);
}

// Dynamic programming restricted to the diagonal band the limit allows, for
// texts too long for the bit-parallel form. Cells are capped at the limit,
// which also stands for the cells outside the band.
int bandedDistance(QStringView a, QStringView b, int limit)
{
    const int n = a.size();
    const int m = b.size();
    std::vector<int> prev(m + 1);
    std::vector<int> cur(m + 1);
    for (int j = 0; j <= m; ++j)
        prev[j] = std::min(j, limit);
    for (int i = 1; i <= n; ++i) {
        const int lo = std::max(1, i - limit);
        const int hi = std::min(m, i + limit);
        cur[lo - 1] = lo == 1 ? std::min(i, limit) : limit;
        int rowMinimum = cur[lo - 1];
        const QChar ai = a.at(i - 1);
        for (int j = lo; j <= hi; ++j) {
            const int substitute = prev[j - 1] + (ai == b.at(j - 1) ? 0 : 1);
            const int v = std::min({ substitute, prev[j] + 1, cur[j - 1] + 1, limit });
            cur[j] = v;
            rowMinimum = std::min(rowMinimum, v);
        }
        if (hi < m)
            cur[hi + 1] = limit;
        if (rowMinimum >= limit)
            return limit;
        std::swap(prev, cur);
    }
    return std::min(prev[m], limit);
}

// Closeness from per-value distances: distanceOf(i, limit) gives the bounded
// distance of the i-th value pair. lengths give each pair's longer length and
// the summed length difference; a pair of keys whose letters or lengths
// alone exceed the budget is rejected before any distance is worked out.
template <class DistanceOf, class LengthsOf, class BoundOf>
int closenessOf(int n, const DistanceOf& distanceOf, const LengthsOf& lengthsOf,
    const BoundOf& lowerBoundOf, int leastCloseness)
{
    if (n == 0)
        return 100;
    qint64 total = 0;
    for (int i = 0; i < n; ++i) {
        const QPair<int, int> lengths = lengthsOf(i);
        total += std::max(lengths.first, lengths.second);
    }
    if (total == 0)
        return 100;
    const int least = std::clamp(leastCloseness, 0, 100);
    qint64 budget = (100 - least) * total / 100;
    qint64 lowerBound = 0;
    for (int i = 0; i < n && lowerBound <= budget; ++i)
        lowerBound += lowerBoundOf(i);
    if (lowerBound > budget)
        return NoCloseness;
    qint64 distance = 0;
    for (int i = 0; i < n; ++i) {
        const int limit = int(std::min<qint64>(budget + 1, 1 << 30));
        const int d = distanceOf(i, limit);
        if (d >= limit)
            return NoCloseness;
        budget -= d;
        distance += d;
    }
    return int(100 - (100 * distance + total - 1) / total);
}

} // namespace

int boundedEditDistance(QStringView a, QStringView b, int limit)
{
    if (limit <= 0)
        return 0;
    // A common prefix and suffix change nothing in the distance.
    int start = 0;
    const int shorter = std::min(a.size(), b.size());
    while (start < shorter && a.at(start) == b.at(start))
        ++start;
    int endA = a.size();
    int endB = b.size();
    while (endA > start && endB > start && a.at(endA - 1) == b.at(endB - 1)) {
        --endA;
        --endB;
    }
    a = a.mid(start, endA - start);
    b = b.mid(start, endB - start);
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() >= limit)
        return limit;
    if (a.isEmpty())
        return std::min(int(b.size()), limit);
    if (a.size() > 64)
        return bandedDistance(a, b, limit);
    std::array<quint64, 128> ascii {};
    QVarLengthArray<QPair<ushort, quint64>, 16> other;
    for (int j = 0; j < a.size(); ++j) {
        const ushort u = a.at(j).unicode();
        if (u < 128) {
            ascii[u] |= quint64(1) << j;
            continue;
        }
        auto it = std::find_if(other.begin(), other.end(),
            [u](const QPair<ushort, quint64>& p) { return p.first == u; });
        if (it == other.end())
            other.append({ u, quint64(1) << j });
        else
            it->second |= quint64(1) << j;
    }
    const auto maskOf = [&](ushort u) -> quint64 {
        if (u < 128)
            return ascii[u];
        for (const auto& p : other) {
            if (p.first == u)
                return p.second;
        }
        return 0;
    };
    return bitParallelDistance(int(a.size()), maskOf, b, limit);
}

int closeness(const QStringList& a, const QStringList& b, int leastCloseness)
{
    if (a.size() != b.size())
        return 0;
    return closenessOf(
        a.size(), [&](int i, int limit) { return boundedEditDistance(a.at(i), b.at(i), limit); },
        [&](int i) { return qMakePair(int(a.at(i).size()), int(b.at(i).size())); },
        [&](int i) { return std::abs(a.at(i).size() - b.at(i).size()); }, leastCloseness);
}

int closeness(const QString& a, const QString& b, int leastCloseness)
{
    return closeness(QStringList { a }, QStringList { b }, leastCloseness);
}

FuzzyKey::FuzzyKey(const QStringList& values) : m_values(values)
{
    m_letters.reserve(values.size());
    for (const QString& v : values) {
        m_letters.append(letterMask(v));
        m_length += v.size();
    }
}

quint64 ClosenessMatcher::Pattern::mask(ushort unit) const
{
    if (unit < 128)
        return ascii[unit];
    for (const auto& p : other) {
        if (p.first == unit)
            return p.second;
    }
    return 0;
}

ClosenessMatcher::ClosenessMatcher(const FuzzyKey& key) : m_key(key)
{
    m_patterns.resize(key.size());
    for (int i = 0; i < key.size(); ++i) {
        const QString& v = key.values().at(i);
        Pattern& p = m_patterns[i];
        p.usable = !v.isEmpty() && v.size() <= 64;
        if (!p.usable)
            continue;
        for (int j = 0; j < v.size(); ++j) {
            const ushort u = v.at(j).unicode();
            const quint64 bit = quint64(1) << j;
            if (u < 128) {
                p.ascii[u] |= bit;
                continue;
            }
            auto it = std::find_if(p.other.begin(), p.other.end(),
                [u](const QPair<ushort, quint64>& e) { return e.first == u; });
            if (it == p.other.end())
                p.other.append({ u, bit });
            else
                it->second |= bit;
        }
    }
}

int ClosenessMatcher::distance(int value, QStringView other, int limit) const
{
    const QString& mine = m_key.values().at(value);
    const Pattern& p = m_patterns.at(value);
    if (!p.usable)
        return boundedEditDistance(mine, other, limit);
    if (std::abs(mine.size() - other.size()) >= limit)
        return limit;
    if (other.isEmpty())
        return std::min(int(mine.size()), limit);
    return bitParallelDistance(
        int(mine.size()), [&p](ushort u) { return p.mask(u); }, other, limit);
}

int ClosenessMatcher::closeness(const FuzzyKey& other, int leastCloseness) const
{
    const int n = m_key.size();
    if (other.size() != n)
        return 0;
    const QStringList& mine = m_key.values();
    const QStringList& theirs = other.values();
    return closenessOf(
        n, [&](int i, int limit) { return distance(i, theirs.at(i), limit); },
        [&](int i) { return qMakePair(int(mine.at(i).size()), int(theirs.at(i).size())); },
        [&](int i) {
            return std::max<int>(std::abs(mine.at(i).size() - theirs.at(i).size()),
                letterBound(m_key.letters(i), other.letters(i)));
        },
        leastCloseness);
}
