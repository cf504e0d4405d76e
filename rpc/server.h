// The host's end of the transport: opens the viewer's two channels, runs the listener threads and
// guarantees that every request taken gets exactly one reply (or, when not even an error reply can
// be delivered, that the reply channel is marked closed) and is then freed.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "platform/critical_section.h"
#include "rpc/rpc_channel.h"
#include "rpc/rpc_listener_thread.h"
#include "rpc/server_handler.h"
#include "util/ref_object.h"

namespace vesku_rpc {

class CServer : public IRpcListenerThreadObserver {
 public:
  // Opens `name` + "_in" (replies) and `name` + "_out" (requests), each of `bufferSize` bytes (-1:
  // kDefaultChannelSize). Throws "API error: " + the code when either cannot be opened.
  CServer(const std::u16string& name, int32_t bufferSize);
  // Marks the reply channel closed, stops and joins every listener (requests in flight finish),
  // then closes the channels.
  ~CServer() override;
  CServer(const CServer&) = delete;
  CServer& operator=(const CServer&) = delete;

  // Gives both channels' objects to the current user alone. A failure is only reported on the
  // debugger output: serving works without it.
  void RestrictChannels();
  // Must be set before listeners start and outlive the server.
  void SetHandler(IServerHandler* handler) { handler_ = handler; }
  void StartListeners(int32_t count);

  int32_t OnRequestsPending() override;
  void OnNoDeliver() override {}

  // Serves the oldest posted request; false when none was posted.
  bool ProcessOne();

 private:
  struct ListenerSet {
    ListenerSet();
    zel::platform::CriticalSection lock;
    std::list<vesk::CRefPtr<CRpcListenerThread>> listeners;
  };

  void StopListeners();

  CRpcChannel replyChannel_;
  CRpcChannel requestChannel_;
  ListenerSet listenerSet_;
  IServerHandler* handler_ = nullptr;
};

}  // namespace vesku_rpc
