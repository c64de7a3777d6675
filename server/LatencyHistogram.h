#pragma once

#include "MetricsText.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Durations in seconds, counted into fixed buckets; safe to use from several threads at once.
class TLatencyHistogram {
public:
    // Upper bounds of the buckets, ascending; the +Inf bucket comes on top of them.
    explicit TLatencyHistogram(std::vector<double> bounds);

    void Observe(double seconds);
    // The family's _bucket samples (cumulative, ending in +Inf), _sum and _count.
    void Write(TMetricsText& text, const std::string& name, const std::string& help) const;

private:
    const std::vector<double> m_bounds;
    mutable std::mutex m_mutex;
    std::vector<std::uint64_t> m_counts; // per bucket, not cumulative; the last one is +Inf
    double m_sum = 0;
};
