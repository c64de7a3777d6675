#pragma once

#include "net/HTTPTransferState.h"

#include <functional>

// What a transfer tells its runner while it goes on.
struct THTTPTransferHooks {
    // After each chunk of the body, when the request asks for progress reports.
    std::function<void(qint64, qint64)> Progress;
    // Right before the target file is created or truncated; may be empty.
    std::function<void()> TargetBegun;
};

// Runs one transfer on the calling thread with libcurl and fills the outcome fields of `state`.
// Only lumora-fetch runs transfers this way; the program hands them to it (RunFetchProcess).
void RunHTTPTransfer(THTTPTransferState& state, const THTTPTransferHooks& hooks);

// Prepares libcurl once per process, before the first transfer.
void PrepareHTTPTransfers();
