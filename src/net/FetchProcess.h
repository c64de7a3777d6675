#pragma once

#include "net/HTTPTransferState.h"

#include <QByteArray>
#include <functional>

// Runs one transfer in a lumora-fetch child process (state.FetchProgram) on the calling thread and
// fills the outcome fields of `state`. `progress` is called for each progress report of the child.
// A cancel request kills the child within a fraction of a second; a child that dies or breaks the
// protocol fails the transfer. A failed transfer's target file is removed if it had been touched.
void RunFetchProcess(THTTPTransferState& state, const std::function<void(qint64, qint64)>& progress);

// Where the fetcher program is: LUMORA_FETCH when set (tests and benchmarks, whose executables live
// elsewhere), otherwise lumora-fetch beside the running program (the build tree), otherwise in the
// installed libexec folder. Call on the main thread.
QByteArray FetchProgram();
