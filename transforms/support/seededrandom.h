#pragma once

#include <QtGlobal>

#include <random>

// A pseudo-random sequence that depends only on its seed. The engine's
// output is fixed by the C++ standard, but the standard's distributions are
// not (each library maps the raw numbers to a range its own way), so the
// ranges are mapped here: the same seed gives the same values on every
// platform and build.
class SeededRandom
{
public:
    explicit SeededRandom(quint64 seed) : m_engine(seed) { }

    // Uniform in [0, n); n > 0. Rejection keeps every value equally likely.
    quint64 below(quint64 n)
    {
        const quint64 limit = n * ((~quint64(0)) / n); // largest multiple of n that fits
        quint64 x;
        do {
            x = m_engine();
        } while (limit != 0 && x >= limit);
        return x % n;
    }

    // Uniform in [minimum, maximum], both included; minimum <= maximum.
    qint64 between(qint64 minimum, qint64 maximum)
    {
        const quint64 span = quint64(maximum) - quint64(minimum);
        const quint64 offset = span == ~quint64(0) ? quint64(m_engine()) : below(span + 1);
        return qint64(quint64(minimum) + offset);
    }

    // Uniform in [0, 1) with the 53 bits a double holds.
    double unit() { return double(m_engine() >> 11) * (1.0 / 9007199254740992.0); }

private:
    std::mt19937_64 m_engine;
};
