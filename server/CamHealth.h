#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <optional>

// What one check of a cam's picture found.
struct TCheckResult {
    QDateTime At;       // when the check began
    double Seconds = 0; // how long it took
    bool Success = false;
    // Failures: a short word for counting them ("connect", "timeout", "tls", "status", "not-picture",
    // "too-large", "cut-off") and what happened, for the administrator.
    QByteArray FailureKind;
    QByteArray FailureReason;
    QByteArray ContentType;
    qint64 Bytes = 0;
    QSize Size;        // from the picture's header
    QByteArray Digest; // of the picture's bytes
};

// Why a cam is left out of the catalogue clients get; nothing is deleted, and the cam comes back once
// it recovers.
namespace Withholding {
inline const QByteArray None;
inline const QByteArray Dead = QByteArrayLiteral("dead");     // its last checks all failed
inline const QByteArray Frozen = QByteArrayLiteral("frozen"); // its picture has stopped changing
} // namespace Withholding

// What the checker knows of one cam, as the store keeps it. Times are UTC, ISO 8601 with milliseconds;
// empty before the first of their kind.
struct TCamHealth {
    QByteArray Url; // the address checked: a cam given another address is looked at afresh
    QByteArray LastCheck;
    QByteArray LastSuccess;
    qint64 Failures = 0; // in a row, up to the last check
    QByteArray LastFailure;
    // Of the last picture.
    QByteArray ContentType;
    qint64 Bytes = 0;
    int Width = 0;
    int Height = 0;
    QByteArray Digest;
    QByteArray Changed; // when a picture other than the one before it was last seen
    bool ChangedSincePrevious = false;
    QByteArray Withheld; // Withholding::None, Dead or Frozen
};

struct TWithholdingRules {
    static constexpr qint64 DeadAfterFailures = 3;
    // A picture that has not changed for this long is no live view.
    qint64 FrozenAfterSeconds = 24 * 60 * 60;
};

// The cam's health after a check of its address `url`; `before` is what the store held.
TCamHealth HealthAfterCheck(const std::optional<TCamHealth>& before, const QByteArray& url,
                            const TCheckResult& result, const TWithholdingRules& rules);

QByteArray HealthTime(const QDateTime& time);
