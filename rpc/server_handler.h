// The contract between the transport and whatever serves requests. The transport takes a request
// from the request channel and calls the handler on the listener thread that took it; the handler
// asks the responder once for a reply buffer of the exact size of its reply and writes into it.
#pragma once

#include <cstdint>

namespace vesk {
class CArchiveOverBuffer;
}

namespace vesku_rpc {

class IServerResponder {
 public:
  virtual ~IServerResponder() = default;
  // Binds `archive` to a new reply message of exactly `size` payload bytes. The time-out (in
  // milliseconds) bounds the wait for room in the reply ring and applies to every later allocation
  // for the same request.
  virtual void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size,
                              int32_t timeoutMs) = 0;
  virtual void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) = 0;
};

class IServerHandler {
 public:
  virtual ~IServerHandler() = default;
  // `payload` points at the request's `length` bytes in shared memory; they stay valid until the
  // call returns. Every failure is an exception; the transport turns it into an error reply.
  virtual void HandleRequest(const uint8_t* payload, int32_t length,
                             IServerResponder& responder) = 0;
};

}  // namespace vesku_rpc
