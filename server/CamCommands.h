#pragma once

#include "CommandLine.h"
#include "checker/CamChecker.h"

#include <QStringList>
#include <memory>

// The options every command that checks cams takes, and the text of their use.
extern const QStringList CheckerOptions;
#define LUMORA_CHECKER_USAGE                                                                                 \
    "  --check-concurrency  checks under way at once, never two at one host (default 16)\n"                  \
    "  --frozen-after  a cam whose picture has not changed for this long is withheld (default 24h)\n"

// How cams are checked, from the command line: `publicHost` names this catalogue in the checks'
// User-Agent, so that a cam's owner can tell who looks.
TCheckerSettings CheckerSettings(const TCommandLine& line, const QByteArray& publicHost);

// lumora-server check-cams: one pass over every cam (or the one --cam names), now.
int CheckCams(const TCommandLine& line);
// lumora-server cams: the cams, with --status what the checker knows of them.
int ListCams(const TCommandLine& line);
