#pragma once

#include "net/HTTPTransferState.h"

#include <curl/curl.h>
#include <functional>
#include <memory>

// What a transfer tells its runner while it goes on.
struct THTTPTransferHooks {
    // After each chunk of the body, when the request asks for progress reports.
    std::function<void(qint64, qint64)> Progress;
    // Right before the target file is created or truncated; may be empty.
    std::function<void()> TargetBegun;
};

// One transfer on a libcurl handle that the caller runs: alone (RunHTTPTransfer), or beside many
// others on a multi handle (the catalogue server's cam checker). Begin gives the prepared handle, or
// null when the transfer failed before it began; once libcurl is done with the handle, Finish takes
// its result and fills the outcome fields of the state. The handle belongs to the transfer.
class THTTPTransfer {
public:
    THTTPTransfer(THTTPTransferState& state, THTTPTransferHooks hooks = {});
    ~THTTPTransfer();
    THTTPTransfer(const THTTPTransfer&) = delete;
    THTTPTransfer& operator=(const THTTPTransfer&) = delete;

    CURL* Begin();
    void Finish(CURLcode code);

private:
    class Transfer;
    std::unique_ptr<Transfer> m_transfer;
};

// Failures that a user must hear of even where the program shows nothing: an address whose
// certificate is not trusted, or that sent the transfer from https back to plain http.
bool IsSecurityRefusal(CURLcode code);

// Runs one transfer on the calling thread with libcurl and fills the outcome fields of `state`.
// Only lumora-fetch runs transfers this way; the program hands them to it (RunFetchProcess).
void RunHTTPTransfer(THTTPTransferState& state, const THTTPTransferHooks& hooks);

// Prepares libcurl once per process, before the first transfer.
void PrepareHTTPTransfers();
