#include "host/run_server.h"

#include <optional>
#include <stdexcept>

#include "host/served_handler.h"
#include "host/server_limits.h"
#include "host/time_limited_handler.h"
#include "host/wait_for_viewer.h"
#include "rpc/server.h"
#include "service/server_handler.h"

namespace zel {

void RunServer(const std::u16string& channelName, int32_t listenerCount, int32_t bufferSize,
               uint64_t waitHandle, const ParentProcess& parent,
               const std::function<void()>& beforeServing) {
  if (listenerCount == 0) throw std::runtime_error("Invalid param");
  // Half of the channel that is really opened: -1 stands for the default size, and a budget of
  // nothing would shrink every picture to a single pixel.
  const int32_t channelSize = bufferSize == -1 ? vesku_rpc::kDefaultChannelSize : bufferSize;
  CServerHandler handler(channelSize / 2);
  ApplyServerLimits(channelSize / 2);
  // Made once the sandbox is in force: its file-access rules bind only the threads started after
  // them, and the watchdog has a thread of its own. Declared before the server so that they
  // outlive its listeners.
  std::optional<RequestWatchdog> watchdog;
  std::optional<CTimeLimitedHandler> timeLimited;
  vesku_rpc::CServer server(channelName, bufferSize);
  server.RestrictChannels();
  beforeServing();
  watchdog.emplace(ServedTimeLimits());
  timeLimited.emplace(ServedHandler(handler), *watchdog);
  server.SetHandler(&*timeLimited);
  server.StartListeners(listenerCount);
  WaitForViewer(waitHandle, parent);
}

}  // namespace zel
