#pragma once

#include <QByteArray>
#include <string_view>
#include <utility>
#include <vector>

using TMetricLabels = std::vector<std::pair<std::string_view, std::string_view>>;

// Writes metrics in the Prometheus text exposition format (version 0.0.4): each family's HELP and TYPE
// lines, then its samples. Label values and help texts are escaped, so that no value can end a line or
// a label early.
class TMetricsText {
public:
    static constexpr char ContentType[] = "text/plain; version=0.0.4; charset=utf-8";

    // type: "counter", "gauge" or "histogram".
    void Family(std::string_view name, std::string_view type, std::string_view help);
    void Sample(std::string_view name, const TMetricLabels& labels, double value);
    void Sample(std::string_view name, double value) { Sample(name, {}, value); }

    // A number as a sample value or a bucket bound: the shortest form that reads back the same, "+Inf"
    // for infinity.
    static QByteArray Number(double value);

    QByteArray Text() const { return m_text; }

private:
    QByteArray m_text;
};
