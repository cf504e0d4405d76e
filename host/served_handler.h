// The handler that the server's listeners call, and the time limits of its requests. The shipped
// host serves the request handler as it is; a test build links its own definitions that add
// failure hooks around it and shorter limits.
#pragma once

#include "host/request_watchdog.h"
#include "rpc/server_handler.h"
#include "service/server_handler.h"

namespace zel {

vesku_rpc::IServerHandler& ServedHandler(CServerHandler& handler);

RequestTimeLimits ServedTimeLimits();

}  // namespace zel
