#include "app/StartDelay.h"

#include <limits>

std::optional<int> StartDelayMilliseconds(const QStringList& arguments) {
    if (arguments.isEmpty())
        return std::nullopt;
    const QString& first = arguments.first();
    // The prefix is case-sensitive: "/D5" starts at once.
    if (!first.startsWith(QStringLiteral("/d"), Qt::CaseSensitive))
        return std::nullopt;

    bool isNumber = false;
    const qlonglong parsed = first.mid(2, 10).toLongLong(&isNumber);
    const qlonglong seconds = isNumber ? parsed : DefaultStartDelaySeconds;
    // A timer cannot wait 0 ms or less, nor longer than its interval type holds: start at once then.
    if (seconds <= 0 || seconds > std::numeric_limits<int>::max() / 1000)
        return std::nullopt;
    return static_cast<int>(seconds * 1000);
}
