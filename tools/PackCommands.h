#pragma once

#include <QStringList>

// The commands of lumora-pack. Each takes the arguments after its own name and returns the exit code:
// 0 done, 1 failed, 2 used wrongly. Results go to standard output, failures to standard error.
namespace PackCommands {

int Create(const QStringList& arguments);
int List(const QStringList& arguments);
int Test(const QStringList& arguments);
int Extract(const QStringList& arguments);

} // namespace PackCommands
