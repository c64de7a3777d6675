#pragma once

#include "core/Result.h"

#include <QString>
#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

// How many requests of one kind a client may make: Burst at once, then one more every Interval.
struct TRate {
    double PerSecond = 0; // 0: no limit
    double Burst = 0;

    // "N" or "N/min" (N a minute), "N/h" (N an hour), each optionally followed by ":BURST"; the burst is
    // twice N unless given. "0" is no limit.
    static TResult<TRate> Parse(const QString& text);
    bool Limited() const { return PerSecond > 0; }
};

// A token bucket per client: each request takes a token, tokens come back at the rate up to the burst.
// Only clients that are below a full bucket are remembered, so the memory follows the clients of the
// last few minutes, never every client ever seen.
class TClientRateLimit {
public:
    using TClock = std::chrono::steady_clock;

    explicit TClientRateLimit(TRate rate);

    // Takes a token of this client's; false when none is left (and the request is to be refused).
    bool Take(const std::string& client);

private:
    struct TBucket {
        double Tokens = 0;
        TClock::time_point Updated;
    };
    double Refilled(const TBucket& bucket, TClock::time_point now) const;
    void ForgetFullBuckets(TClock::time_point now);

    const TRate m_rate;
    std::mutex m_mutex;
    std::unordered_map<std::string, TBucket> m_buckets;
    std::size_t m_forgetAt;
};
