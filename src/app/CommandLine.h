#pragma once

#include <QStringList>
#include <optional>

// What `lumora --help` and `lumora --version` print before the program would start: the text, or
// nothing when the arguments ask the program to run. Only the first argument is looked at, as for
// the start delay.
std::optional<QString> InformationAsked(const QStringList& arguments);
