#pragma once

#include <cstdio>
#include <mutex>
#include <string>

// One line per answered request on standard error, written whole even when workers answer at once.
class TAccessLog {
public:
    explicit TAccessLog(bool enabled, std::FILE* stream = stderr);

    bool Enabled() const { return m_enabled; }

    void Write(const std::string& client, const std::string& method, const std::string& path, int status,
               std::size_t bytes, const std::string& detail);
    // A line of the server's own (start, stop, errors), always written.
    void Note(const std::string& text);

private:
    const bool m_enabled;
    std::FILE* const m_stream;
    std::mutex m_mutex;
};
