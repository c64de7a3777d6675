#include "CommandOptions.h"

#include "CommandError.h"

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void PrintBytes(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

qint64 NumberOption(const TCommandLine& line, const QString& name) {
    const std::optional<qint64> number = ParseNumber(line.Value(name));
    if (!number)
        throw TCommandError(
            QStringLiteral("--%1 needs a whole number, not \"%2\"").arg(name, line.Value(name)));
    return *number;
}

std::optional<qint64> OptionalNumberOption(const TCommandLine& line, const QString& name) {
    if (!line.Has(name))
        return std::nullopt;
    return NumberOption(line, name);
}

qint64 CountOption(const TCommandLine& line, const QString& name, qint64 fallback) {
    if (!line.Has(name))
        return fallback;
    const qint64 count = NumberOption(line, name);
    if (count < 0)
        throw TCommandError(QStringLiteral("--%1 needs 0 or more, not %2").arg(name).arg(count));
    return count;
}

qint64 DurationOption(const TCommandLine& line, const QString& name, qint64 fallbackSeconds) {
    if (!line.Has(name))
        return fallbackSeconds;
    QString text = line.Value(name);
    qint64 unit = 1;
    static const std::pair<QChar, qint64> units[] = {
        {u's', 1}, {u'm', 60}, {u'h', 60 * 60}, {u'd', 24 * 60 * 60}};
    for (const auto& [letter, seconds] : units) {
        if (text.endsWith(letter)) {
            unit = seconds;
            text.chop(1);
        }
    }
    const std::optional<qint64> count = ParseNumber(text);
    // A year is far more than any schedule needs and keeps every sum in range.
    if (!count || *count < 0 || *count > 366 * 24 * 60 * 60 / unit)
        throw TCommandError(QStringLiteral("--%1 needs a time such as 90s, 30m, 24h or 2d, not \"%2\"")
                                .arg(name, line.Value(name)));
    return *count * unit;
}
