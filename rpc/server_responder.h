// The responder of one request: hands the handler its one reply buffer and posts the reply (a
// normal one, or an error reply that reuses whatever buffer the handler had obtained).
#pragma once

#include <cstdint>

#include "rpc/rpc_channel.h"
#include "rpc/server_handler.h"

namespace vesku_rpc {

class CServerResponder : public IServerResponder {
 public:
  // Time-out of reply allocations unless the handler sets one.
  static constexpr int32_t kDefaultTimeoutMs = 10000;

  CServerResponder(CRpcChannel& replyChannel, const uint8_t* requestCorrelation)
      : replyChannel_(replyChannel), requestCorrelation_(requestCorrelation) {}

  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size, int32_t timeoutMs) override;
  void GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) override;

  // Posts the reply the handler wrote, or an empty one when it asked for none.
  void SendReply();
  // Posts an error reply with `code` as its status.
  void SendError(int32_t code);

 private:
  void AllocateEmptyReply();
  void Post(int32_t status);

  CRpcChannel& replyChannel_;
  RpcMessage* replyMessage_ = nullptr;
  const uint8_t* requestCorrelation_;
  int32_t timeoutMs_ = 0;
  bool timeoutSet_ = false;
  bool posted_ = false;
};

}  // namespace vesku_rpc
