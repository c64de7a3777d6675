#include "CommandLine.h"

TResult<TCommandLine> TCommandLine::Parse(const QStringList& arguments, const QStringList& valuedOptions,
                                          const QStringList& flags) {
    TCommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--")) || argument == QLatin1String("--")) {
            line.m_positional.append(argument);
            continue;
        }
        QString name = argument.mid(2);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (flags.contains(name) && !value) {
            line.m_values.insert(name, QString());
        } else if (valuedOptions.contains(name)) {
            if (!value) {
                if (i + 1 >= arguments.size())
                    return Failure(QStringLiteral("--%1 needs a value").arg(name));
                value = arguments.at(++i);
            }
            line.m_values.insert(name, *value);
        } else {
            return Failure(QStringLiteral("unknown option --%1").arg(name));
        }
    }
    return line;
}

std::optional<qint64> ParseNumber(const QString& text) {
    bool ok = false;
    const qint64 number = text.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}
