#include "ClientRateLimit.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The buckets are looked over for full ones whenever their number passes this, and then twice what
// was left.
constexpr std::size_t FirstForgetCount = 1024;

} // namespace

TResult<TRate> TRate::Parse(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d+)(?:/(min|h))?(?::(\d+))?$)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return Failure(
            QStringLiteral("\"%1\" is no rate: N, N/min or N/h, optionally :BURST (0: no limit)").arg(text));
    const double count = match.captured(1).toDouble();
    if (count == 0)
        return TRate{};
    const double period = match.captured(2) == QLatin1String("h") ? 3600 : 60;
    const double burst = match.captured(3).isEmpty() ? 2 * count : match.captured(3).toDouble();
    if (burst < 1)
        return Failure(QStringLiteral("a burst of %1 lets no request through").arg(match.captured(3)));
    return TRate{count / period, burst};
}

TClientRateLimit::TClientRateLimit(TRate rate)
    : m_rate(rate)
    , m_forgetAt(FirstForgetCount) {}

double TClientRateLimit::Refilled(const TBucket& bucket, TClock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - bucket.Updated).count();
    return std::min(m_rate.Burst, bucket.Tokens + seconds * m_rate.PerSecond);
}

bool TClientRateLimit::Take(const std::string& client) {
    if (!m_rate.Limited())
        return true;
    const TClock::time_point now = TClock::now();
    std::lock_guard lock(m_mutex);
    const auto [found, added] = m_buckets.try_emplace(client, TBucket{m_rate.Burst, now});
    TBucket& bucket = found->second;
    bucket.Tokens = Refilled(bucket, now);
    bucket.Updated = now;
    if (bucket.Tokens < 1)
        return false;
    bucket.Tokens -= 1;
    if (added && m_buckets.size() > m_forgetAt)
        ForgetFullBuckets(now);
    return true;
}

// A full bucket is what a client that was never seen gets.
void TClientRateLimit::ForgetFullBuckets(TClock::time_point now) {
    std::erase_if(m_buckets, [&](const auto& entry) { return Refilled(entry.second, now) >= m_rate.Burst; });
    m_forgetAt = std::max(FirstForgetCount, 2 * m_buckets.size());
}
