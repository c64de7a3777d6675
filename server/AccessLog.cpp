#include "AccessLog.h"

#include <QDateTime>

namespace {

std::string Now() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
}

// Paths come from clients: control bytes would forge or break log lines.
std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const unsigned char c : text)
        out += (c < 32 || c == 127 || c == '"') ? '?' : static_cast<char>(c);
    return out;
}

} // namespace

TAccessLog::TAccessLog(bool enabled, std::FILE* stream)
    : m_enabled(enabled)
    , m_stream(stream) {}

void TAccessLog::Write(const std::string& client, const std::string& method, const std::string& path,
                       int status, std::size_t bytes, const std::string& detail) {
    if (!m_enabled)
        return;
    std::string line = Now() + ' ' + client + " \"" + Printable(method) + ' ' + Printable(path) + "\" " +
                       std::to_string(status) + ' ' + std::to_string(bytes);
    if (!detail.empty())
        line += ' ' + Printable(detail);
    line += '\n';
    std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fflush(m_stream);
}

void TAccessLog::Note(const std::string& text) {
    const std::string line = Now() + " lumora-server: " + text + '\n';
    std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fflush(m_stream);
}
