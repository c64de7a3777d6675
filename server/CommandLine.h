#pragma once

#include "core/Result.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// The arguments of one subcommand: options "--name value" or "--name=value", flags "--name", and the
// remaining positional arguments.
class TCommandLine {
public:
    // Fails on an option that the command does not know or a valued option without its value.
    static TResult<TCommandLine> Parse(const QStringList& arguments, const QStringList& valuedOptions,
                                       const QStringList& flags);

    bool Has(const QString& name) const { return m_values.contains(name); }
    QString Value(const QString& name, const QString& fallback = QString()) const {
        return m_values.value(name, fallback);
    }
    const QStringList& Positional() const { return m_positional; }

private:
    QMap<QString, QString> m_values;
    QStringList m_positional;
};

// A whole decimal number, or none.
std::optional<qint64> ParseNumber(const QString& text);
