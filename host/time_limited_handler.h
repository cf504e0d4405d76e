// The handler the listeners call: the served handler with every request under the watchdog and
// its deadline current on the listener's thread while it runs.
#pragma once

#include "host/request_watchdog.h"
#include "rpc/server_handler.h"

namespace zel {

class CTimeLimitedHandler : public vesku_rpc::IServerHandler {
 public:
  CTimeLimitedHandler(vesku_rpc::IServerHandler& inner, RequestWatchdog& watchdog)
      : inner_(inner), watchdog_(watchdog) {}

  void HandleRequest(const uint8_t* payload, int32_t length,
                     vesku_rpc::IServerResponder& responder) override;

 private:
  vesku_rpc::IServerHandler& inner_;
  RequestWatchdog& watchdog_;
};

}  // namespace zel
