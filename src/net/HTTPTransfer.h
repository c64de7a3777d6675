#pragma once

#include "net/HTTPTransferState.h"

#include <QList>
#include <functional>

// Runs one transfer on the calling thread with libcurl and fills the outcome fields of `state`.
// `progress` is called after each chunk of the body when the request asks for progress reports.
void RunHTTPTransfer(THTTPTransferState& state, const std::function<void(qint64, qint64)>& progress);

// Removes the target file when this transfer created or truncated it: a failed or cancelled file
// transfer leaves no partial file behind. A file the transfer never touched stays.
void DiscardTarget(THTTPTransferState& state);

// Prepares libcurl once per process; call on the main thread before the first transfer.
void PrepareHTTPTransfers();

// The rules of a LUMORA_CONNECT_TO value: comma-separated, blanks around them ignored.
QList<QByteArray> ConnectToRules(const QByteArray& value);
