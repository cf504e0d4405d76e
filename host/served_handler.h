// The handler that the server's listeners call. The shipped host serves the request handler as it
// is; a test build links its own definition that adds failure hooks around it.
#pragma once

#include "rpc/server_handler.h"
#include "service/server_handler.h"

namespace zel {

vesku_rpc::IServerHandler& ServedHandler(CServerHandler& handler);

}  // namespace zel
