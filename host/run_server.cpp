#include "host/run_server.h"

#include <stdexcept>

#include "host/served_handler.h"
#include "host/wait_for_viewer.h"
#include "rpc/server.h"
#include "service/server_handler.h"

namespace zel {

void RunServer(const std::u16string& channelName, int32_t listenerCount, int32_t bufferSize,
               uint64_t waitHandle, const std::function<void()>& beforeServing) {
  if (listenerCount == 0) throw std::runtime_error("Invalid param");
  // Half of the channel that is really opened: -1 stands for the default size, and a budget of
  // nothing would shrink every picture to a single pixel.
  const int32_t channelSize =
      bufferSize == -1 ? vesku_rpc::CServer::kDefaultBufferSize : bufferSize;
  CServerHandler handler(channelSize / 2);
  // Declared after the handler so that it is destroyed first: listeners may still be inside it.
  vesku_rpc::CServer server(channelName, bufferSize);
  server.RestrictChannels();
  beforeServing();
  server.SetHandler(&ServedHandler(handler));
  server.StartListeners(listenerCount);
  WaitForViewer(waitHandle);
}

}  // namespace zel
