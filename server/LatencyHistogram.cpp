#include "LatencyHistogram.h"

#include <algorithm>
#include <limits>

TLatencyHistogram::TLatencyHistogram(std::vector<double> bounds)
    : m_bounds(std::move(bounds))
    , m_counts(m_bounds.size() + 1, 0) {}

void TLatencyHistogram::Observe(double seconds) {
    // A clock that went backwards must not make a negative duration, nor anything a NaN.
    if (!(seconds >= 0))
        seconds = 0;
    const auto bucket = std::lower_bound(m_bounds.begin(), m_bounds.end(), seconds) - m_bounds.begin();
    std::lock_guard lock(m_mutex);
    ++m_counts[std::size_t(bucket)];
    m_sum += seconds;
}

void TLatencyHistogram::Write(TMetricsText& text, const std::string& name, const std::string& help) const {
    std::vector<std::uint64_t> counts;
    double sum = 0;
    {
        std::lock_guard lock(m_mutex);
        counts = m_counts;
        sum = m_sum;
    }
    text.Family(name, "histogram", help);
    const std::string bucket = name + "_bucket";
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        cumulative += counts[i];
        const double bound = i < m_bounds.size() ? m_bounds[i] : std::numeric_limits<double>::infinity();
        const QByteArray le = TMetricsText::Number(bound);
        text.Sample(bucket, {{"le", std::string_view(le.constData(), std::size_t(le.size()))}},
                    double(cumulative));
    }
    text.Sample(name + "_sum", sum);
    text.Sample(name + "_count", double(cumulative));
}
