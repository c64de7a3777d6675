#pragma once

#include <QStringList>
#include <optional>

// The delay asked for on the command line: a first argument "/d" followed by seconds (40 when no
// number follows) holds the start back, as the autostart entry does with " /d40".
// Returns the delay in milliseconds, or nothing when the program starts at once: no argument, any
// other first argument, or a delay of 0 or below or too long for a timer.
// `arguments` excludes the program's own name; arguments after the first are never looked at.
std::optional<int> StartDelayMilliseconds(const QStringList& arguments);

inline constexpr int DefaultStartDelaySeconds = 40;
