#include "rpc/server.h"

#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/debug_output.h"
#include "rpc/server_responder.h"
#include "util/exceptions.h"

namespace vesku_rpc {

namespace {

void ThrowIfFailed(int32_t code) {
  if (code != 0) throw std::runtime_error("API error: " + std::to_string(code));
}

}  // namespace

CServer::ListenerSet::ListenerSet() {
  if (lock.InitializationError() != 0) throw std::runtime_error("CS.CantInit.LackOfResources");
}

CServer::CServer(const std::u16string& name, int32_t bufferSize) {
  const int32_t size = bufferSize == -1 ? kDefaultChannelSize : bufferSize;
  ThrowIfFailed(replyChannel_.Open(name + u"_in", size, false, nullptr, u""));
  ThrowIfFailed(requestChannel_.Open(name + u"_out", size, false, nullptr, u""));
}

CServer::~CServer() {
  // A viewer waiting for a reply wakes up and sees that none will come.
  try {
    replyChannel_.MarkClosed();
  } catch (const std::exception&) {
    // The flag is set even when the wake-up fails; the viewer sees it on its next look.
  }
  StopListeners();
  StopListeners();
  // The channels close as members, the request channel first.
}

void CServer::RestrictChannels() {
  for (CRpcChannel* channel : {&replyChannel_, &requestChannel_}) {
    const int32_t code = channel->RestrictAccess();
    // Serving works without the restriction, so a failure is reported and the other channel is
    // still restricted.
    if (code != 0) {
      zel::platform::OutputDebugText("Can't set security info: " + std::to_string(code) + "\r\n");
    }
  }
}

void CServer::StartListeners(int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    vesk::CRefPtr<CRpcListenerThread> listener(
        new CRpcListenerThread(&requestChannel_.EventHandle(), this));
    vesku::StartThread(*listener);
    std::lock_guard guard(listenerSet_.lock);
    listenerSet_.listeners.push_back(listener);
  }
}

void CServer::StopListeners() {
  {
    // Every listener is told to stop before any is waited for, so they wind down together.
    std::lock_guard guard(listenerSet_.lock);
    for (const vesk::CRefPtr<CRpcListenerThread>& listener : listenerSet_.listeners) {
      const vesk::CRefPtr<vesku::ThreadInfo> info = listener->CurrentInfo();
      if (info) vesku::RequestStop(*info);
    }
  }
  for (;;) {
    vesk::CRefPtr<CRpcListenerThread> listener;
    {
      std::lock_guard guard(listenerSet_.lock);
      if (listenerSet_.listeners.empty()) return;
      listener = listenerSet_.listeners.front();
      listenerSet_.listeners.pop_front();
    }
    const vesk::CRefPtr<vesku::ThreadInfo> info = listener->CurrentInfo();
    if (info) {
      vesku::RequestStop(*info);
      vesku::WaitForThreadEnd(*info);
    }
    listener->ClearCurrentInfo();
  }
}

int32_t CServer::OnRequestsPending() {
  int32_t served = 0;
  while (ProcessOne()) ++served;
  return served;
}

bool CServer::ProcessOne() {
  const std::optional<RpcSlot> request = requestChannel_.TakeNext();
  if (!request) return false;

  CServerResponder responder(replyChannel_, request->message->correlation);
  int32_t errorCode = 0;
  try {
    handler_->HandleRequest(static_cast<const uint8_t*>(request->payload), request->length,
                            responder);
    responder.SendReply();
  } catch (const vesku::CWinException& error) {
    errorCode = error.code() != 0 ? error.code() : 1;
  } catch (...) {
    // Every other failure, including ones that are not standard exceptions, still answers the
    // request: a viewer must never wait for a reply that will not come.
    errorCode = 1;
  }
  if (errorCode != 0) {
    try {
      responder.SendError(errorCode);
    } catch (...) {
      // Not even an error reply fits: tell the viewer, for good, that replies have stopped.
      try {
        replyChannel_.MarkClosed();
      } catch (...) {
        // The flag is set before the wake-up that failed; the viewer sees it on its next look.
      }
    }
  }
  requestChannel_.FreeMessage(request->message);
  return true;
}

}  // namespace vesku_rpc
