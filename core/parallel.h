#pragma once

// Using the machine's second core inside one heavy step, without changing
// what the step produces: the work is split in two halves whose results are
// put together in order, so the outcome is the same on one thread or two.
// Plain std::thread: the steps are few and large, a pool would add nothing.

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <thread>

namespace Parallel {

// Below this many items a second thread costs more than it saves.
constexpr int LeastItems = 50000;

// Whether a step over this many items uses two threads.
inline bool worthSplitting(qint64 items)
{
    return items >= LeastItems && std::thread::hardware_concurrency() > 1;
}

// Runs first(), and second() on another thread, and waits for both.
template <typename First, typename Second> void both(const First& first, const Second& second)
{
    std::thread other(second);
    first();
    other.join();
}

// Runs first() and second() on two threads when split is true, else one
// after the other on this thread.
template <typename First, typename Second>
void both(bool split, const First& first, const Second& second)
{
    if (split) {
        both(first, second);
    } else {
        first();
        second();
    }
}

// Runs body(i, half) for every i in [0, count) in order: when work is worth
// splitting, in two halves, [0, count / 2) on this thread (half 0) and the
// rest on another (half 1). progress(done) is asked on this thread before
// each of its items, done scaled to the whole count; a false answer stops
// both halves (the other looks every thousand items). False when stopped.
template <typename Progress, typename Body>
bool halves(int count, qint64 work, const Progress& progress, const Body& body)
{
    const int split = worthSplitting(work) ? count / 2 : count;
    std::atomic<bool> stopped { false };
    const auto first = [&] {
        for (int i = 0; i < split; ++i) {
            if (!progress(int(qint64(count) * i / split))) {
                stopped = true;
                return;
            }
            body(i, 0);
        }
    };
    const auto second = [&] {
        for (int i = split; i < count; ++i) {
            if (i % 1000 == 0 && stopped)
                return;
            body(i, 1);
        }
    };
    both(split < count, first, second);
    return !stopped;
}

// Sorts by less, which must order every two different items (break ties by
// an index), so that the result is the one order there is: each half is
// sorted on its own thread and the halves merged.
template <typename It, typename Less> void sort(It begin, It end, const Less& less)
{
    const auto n = end - begin;
    if (!worthSplitting(n)) {
        std::sort(begin, end, less);
        return;
    }
    const It middle = begin + n / 2;
    both([&] { std::sort(begin, middle, less); }, [&] { std::sort(middle, end, less); });
    std::inplace_merge(begin, middle, end, less);
}

} // namespace Parallel
