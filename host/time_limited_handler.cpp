#include "host/time_limited_handler.h"

namespace zel {

void CTimeLimitedHandler::HandleRequest(const uint8_t* payload, int32_t length,
                                        vesku_rpc::IServerResponder& responder) {
  vesku::RequestDeadline deadline;
  const vesku::ScopedRequestDeadline current(deadline);
  const RequestWatchdog::Watch watch(watchdog_, deadline);
  inner_.HandleRequest(payload, length, responder);
}

}  // namespace zel
