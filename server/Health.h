#pragma once

#include "HttpExchange.h"

class TCatalogueStore;

// Whether a failing store's own words go into the answer: the database's messages can name hosts,
// users and databases, which the public port keeps to itself.
enum class THealthDetail { Public, WithCause };

// GET /healthz, for load balancers and monitoring: 200 "ok" while the store answers a cheap query,
// 503 when it does not.
THttpResponse HealthReply(TCatalogueStore& store, THealthDetail detail);
