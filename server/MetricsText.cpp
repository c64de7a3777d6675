#include "MetricsText.h"

#include <charconv>
#include <cmath>

namespace {

// Backslash and line feed in help texts; the double quote too in label values.
void AppendEscaped(QByteArray& out, std::string_view text, bool quote) {
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' && quote)
            out += "\\\"";
        else
            out += c;
    }
}

void Append(QByteArray& out, std::string_view text) {
    out.append(text.data(), qsizetype(text.size()));
}

} // namespace

void TMetricsText::Family(std::string_view name, std::string_view type, std::string_view help) {
    m_text += "# HELP ";
    Append(m_text, name);
    m_text += ' ';
    AppendEscaped(m_text, help, false);
    m_text += "\n# TYPE ";
    Append(m_text, name);
    m_text += ' ';
    Append(m_text, type);
    m_text += '\n';
}

void TMetricsText::Sample(std::string_view name, const TMetricLabels& labels, double value) {
    Append(m_text, name);
    if (!labels.empty()) {
        m_text += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i > 0)
                m_text += ',';
            Append(m_text, labels[i].first);
            m_text += "=\"";
            AppendEscaped(m_text, labels[i].second, true);
            m_text += '"';
        }
        m_text += '}';
    }
    m_text += ' ';
    m_text += Number(value);
    m_text += '\n';
}

QByteArray TMetricsText::Number(double value) {
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    if (std::isnan(value))
        return "NaN";
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general);
    return QByteArray(digits, qsizetype(written.ptr - digits));
}
