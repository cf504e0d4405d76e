#include "host/served_handler.h"

namespace zel {

vesku_rpc::IServerHandler& ServedHandler(CServerHandler& handler) { return handler; }

}  // namespace zel
