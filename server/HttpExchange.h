#pragma once

#include <QByteArray>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One request and its answer as the routes see them, whatever carried them over the network.

using THttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct THttpRequest {
    // The client's address, for the access log and the limits per client: the peer's, or the one a
    // trusted proxy names.
    std::string Client;
    std::string Method;
    std::string Path; // decoded, without the query
    THttpHeaders Headers;
    QByteArray Body;
};

struct THttpResponse {
    int Status = 200;
    std::string ContentType = "text/plain";
    THttpHeaders Headers; // besides Content-Type and Content-Length
    // Shared with the reply cache: written from there without a copy.
    std::shared_ptr<const QByteArray> Body;
    // Sent without a Content-Length, ended by closing the connection, as snapshot scripts and
    // camera streams do.
    bool Unsized = false;
};

// An answer of these bytes.
inline THttpResponse MakeResponse(int status, QByteArray body, std::string contentType = "text/plain") {
    THttpResponse response;
    response.Status = status;
    response.ContentType = std::move(contentType);
    response.Body = std::make_shared<const QByteArray>(std::move(body));
    return response;
}
