#pragma once

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

// Wall-clock timing and the one statistic the report uses.
namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename Action>
double timed(Action&& action) {
    const auto start = Clock::now();
    action();
    return secondsSince(start);
}

// The median resists the odd run that another process on the machine slowed down.
inline double median(std::vector<double> samples) {
    if (samples.empty()) {
        throw std::logic_error("median of no samples");
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

}  // namespace bench
