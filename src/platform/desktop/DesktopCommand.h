#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <optional>

// Runs a desktop's settings tool directly (no shell: paths go through as they are) and gives its
// standard output; nothing when the tool is missing, fails or takes longer than a few seconds.
std::optional<QByteArray> RunDesktopCommand(const QString& program, const QStringList& arguments);

using TDesktopCommandRunner = std::function<std::optional<QByteArray>(const QString&, const QStringList&)>;
