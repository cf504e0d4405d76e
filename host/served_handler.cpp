#include "host/served_handler.h"

namespace zel {

vesku_rpc::IServerHandler& ServedHandler(CServerHandler& handler) { return handler; }

// Far beyond any real file (a large photo or a dense page takes seconds on a slow machine), and
// with the grace still inside the viewer's own 60-second wait for a reply, so that a request
// queued behind a stuck one is answered in time.
RequestTimeLimits ServedTimeLimits() { return {30000, 5000}; }

}  // namespace zel
