#include "rpc/server_responder.h"

#include <cstring>
#include <stdexcept>

#include "rpc/archive_values.h"

namespace vesku_rpc {

void CServerResponder::GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size,
                                      int32_t timeoutMs) {
  timeoutMs_ = timeoutMs;
  timeoutSet_ = true;
  GetReplyBuffer(archive, size);
}

void CServerResponder::GetReplyBuffer(vesk::CArchiveOverBuffer& archive, int32_t size) {
  // A second buffer would stay unposted in the reply ring for good; the first one is still
  // answered (as an error) by the transport.
  if (replyMessage_ != nullptr) throw std::runtime_error("Reply buffer already taken");
  const RpcSlot reply =
      replyChannel_.AllocateWait(size, timeoutSet_ ? timeoutMs_ : kDefaultTimeoutMs);
  replyMessage_ = reply.message;
  archive.BindForWriting(static_cast<uint8_t*>(reply.payload), reply.length);
}

void CServerResponder::AllocateEmptyReply() {
  replyMessage_ =
      replyChannel_.AllocateWait(0, timeoutSet_ ? timeoutMs_ : kDefaultTimeoutMs).message;
}

void CServerResponder::Post(int32_t status) {
  std::memcpy(replyMessage_->correlation, requestCorrelation_, sizeof(replyMessage_->correlation));
  replyMessage_->status = status;
  // From here on the message belongs to the viewer, even when waking it fails below.
  posted_ = true;
  replyChannel_.Post(replyMessage_);
}

void CServerResponder::SendReply() {
  if (replyMessage_ == nullptr) AllocateEmptyReply();
  Post(0);
}

void CServerResponder::SendError(int32_t code) {
  if (posted_) {
    // The reply went out but its signal did not: the viewer may already be reading it, so it is
    // not touched again, only announced once more.
    CRpcChannel::Signal(replyChannel_.EventHandle().Get());
    return;
  }
  if (replyMessage_ == nullptr) AllocateEmptyReply();
  Post(code);
}

}  // namespace vesku_rpc
