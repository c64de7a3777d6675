#include "CamHealth.h"

QByteArray HealthTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs).toLatin1();
}

TCamHealth HealthAfterCheck(const std::optional<TCamHealth>& before, const QByteArray& url,
                            const TCheckResult& result, const TWithholdingRules& rules) {
    // What was learnt at another address says nothing about this one.
    TCamHealth health = before && before->Url == url ? *before : TCamHealth{};
    health.Url = url;
    health.LastCheck = HealthTime(result.At);
    if (!result.Success) {
        ++health.Failures;
        health.LastFailure = result.FailureReason;
    } else {
        health.Failures = 0;
        health.ChangedSincePrevious = health.LastSuccess.isEmpty() || result.Digest != health.Digest;
        if (health.ChangedSincePrevious)
            health.Changed = health.LastCheck;
        health.LastSuccess = health.LastCheck;
        health.ContentType = result.ContentType;
        health.Bytes = result.Bytes;
        health.Width = result.Size.width();
        health.Height = result.Size.height();
        health.Digest = result.Digest;
    }
    const QDateTime changed = QDateTime::fromString(QString::fromLatin1(health.Changed), Qt::ISODateWithMs);
    const bool frozen = changed.isValid() && changed.secsTo(result.At) >= rules.FrozenAfterSeconds;
    health.Withheld = health.Failures >= TWithholdingRules::DeadAfterFailures ? Withholding::Dead
                      : frozen                                                ? Withholding::Frozen
                                                                              : Withholding::None;
    return health;
}
