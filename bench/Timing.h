#pragma once

// Best and median of repeated runs, for the benchmarks.

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

struct Timing
{
    double best = -1; // milliseconds; -1 when a run failed
    double median = -1;

    bool failed() const { return best < 0; }
};

// One untimed warm-up run, then `runs` timed ones. `prepare`, when given,
// runs untimed before each. A job that returns false fails the whole
// measurement.
inline Timing measure(int runs, const std::function<bool()> &job,
                      const std::function<void()> &prepare = {})
{
    const auto ready = [&] {
        if (prepare)
            prepare();
    };
    ready();
    if (!job())
        return {};
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        ready();
        QElapsedTimer timer;
        timer.start();
        if (!job())
            return {};
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median =
        times.size() % 2 != 0 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {times.front(), median};
}

// One row of a Markdown table: | what | best | median |.
inline void printRow(const char *what, const Timing &timing, int width = 46)
{
    if (timing.failed())
        std::printf("| %-*s | failed | failed |\n", width, what);
    else
        std::printf("| %-*s | %7.1f ms | %7.1f ms |\n", width, what, timing.best, timing.median);
}

} // namespace bench
