#pragma once

#include <QStringList>

// Runs "lumora-server <command> [options]" with the arguments after the program name; returns the
// exit status: 0 done, 1 failed (the reason on standard error), 2 wrong use (with the usage).
int RunCommand(const QStringList& arguments);
