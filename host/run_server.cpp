#include "host/run_server.h"

#include <stdexcept>

#include "host/served_handler.h"
#include "host/wait_for_viewer.h"
#include "rpc/server.h"
#include "service/server_handler.h"

namespace zel {

void RunServer(const std::u16string& channelName, int32_t listenerCount, int32_t bufferSize,
               uint64_t waitHandle) {
  if (listenerCount == 0) throw std::runtime_error("Invalid param");
  // The budget comes from the argument itself: -1 (the default channel size) gives no budget.
  CServerHandler handler(bufferSize / 2);
  // Declared after the handler so that it is destroyed first: listeners may still be inside it.
  vesku_rpc::CServer server(channelName, bufferSize);
  server.RestrictChannels();
  server.SetHandler(&ServedHandler(handler));
  server.StartListeners(listenerCount);
  WaitForViewer(waitHandle);
}

}  // namespace zel
