#pragma once

// Summary statistics over the numbers of a group, figured as the usual data
// frame library figures them, so that results agree with it to the last
// digit: compensated (Kahan) sums, the mean as that sum over the count, the
// median of an even count as the mean of the middle two, the sample standard
// deviation by Welford's running update, and the mode as the smallest of the
// most frequent values.

#include <algorithm>
#include <cmath>
#include <vector>

class KahanSum
{
public:
    void add(double value)
    {
        const double y = value - m_compensation;
        const double t = m_sum + y;
        m_compensation = (t - m_sum) - y;
        m_sum = t;
    }
    double value() const { return m_sum; }

private:
    double m_sum = 0.0;
    double m_compensation = 0.0;
};

// The values are sorted in place. Not for an empty list.
inline double medianOf(std::vector<double>& values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// The values are sorted in place. Not for an empty list.
inline double modeOf(std::vector<double>& values)
{
    std::sort(values.begin(), values.end());
    double best = values.front();
    size_t bestRun = 0;
    for (size_t i = 0; i < values.size();) {
        size_t j = i;
        while (j < values.size() && values[j] == values[i])
            ++j;
        // Strictly longer only: among equally frequent values the smallest,
        // met first in sorted order, stays.
        if (j - i > bestRun) {
            bestRun = j - i;
            best = values[i];
        }
        i = j;
    }
    return best;
}

// False for fewer than two values, where the sample deviation is undefined.
inline bool sampleStdDev(const std::vector<double>& values, double* result)
{
    if (values.size() < 2)
        return false;
    double mean = 0.0;
    double m2 = 0.0;
    double n = 0.0;
    for (double v : values) {
        n += 1.0;
        const double delta = v - mean;
        mean += delta / n;
        m2 += delta * (v - mean);
    }
    *result = std::sqrt(m2 / (n - 1.0));
    return true;
}
