#pragma once

#include "HttpExchange.h"

class TCatalogueStore;

// GET /healthz, for load balancers and monitoring: 200 "ok" while the store answers a cheap query,
// 503 with the store's reason when it does not.
THttpResponse HealthReply(TCatalogueStore& store);
