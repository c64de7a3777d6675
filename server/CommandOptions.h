#pragma once

#include "CommandLine.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <optional>

// What the administration commands share: printing, and reading option values (a bad value is a
// TCommandError naming the option).

void Print(std::FILE* stream, const QString& text);
void PrintBytes(const QByteArray& bytes);

qint64 NumberOption(const TCommandLine& line, const QString& name);
std::optional<qint64> OptionalNumberOption(const TCommandLine& line, const QString& name);
// A number of things, 0 or more, or the default when the option is not given.
qint64 CountOption(const TCommandLine& line, const QString& name, qint64 fallback);
// A time: a whole number with s, m, h or d after it (seconds without), in seconds; the default when
// the option is not given.
qint64 DurationOption(const TCommandLine& line, const QString& name, qint64 fallbackSeconds);
