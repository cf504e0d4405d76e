// The host's request handler: reads the opcode of each request and runs the job for it on the
// listener thread that took the request.
#pragma once

#include <cstdint>

#include "rpc/server_handler.h"

namespace zel {

class CServerHandler : public vesku_rpc::IServerHandler {
 public:
  // `decodeByteLimit` is the pixel budget of one bitmap reply: half the channel size, so that a
  // reply always leaves room in the reply ring.
  explicit CServerHandler(int32_t decodeByteLimit) : decodeByteLimit_(decodeByteLimit) {}

  void HandleRequest(const uint8_t* payload, int32_t length,
                     vesku_rpc::IServerResponder& responder) override;

  int32_t decodeByteLimit() const { return decodeByteLimit_; }

 private:
  const int32_t decodeByteLimit_;
};

}  // namespace zel
